#include "pages/DlgDisp.h"

#include "res/resource.h"

const fw::RuntimeClass CDlgDisp::kRuntimeClass{"CDlgDisp", &CCspBaseDialog::kRuntimeClass};

CDlgDisp::CDlgDisp(HWND parent) : CCspBaseDialog(IDD_DISP, parent) {}

const fw::RuntimeClass* CDlgDisp::GetRuntimeClass() const { return &kRuntimeClass; }

const fw::MessageMap* CDlgDisp::GetMessageMap() const {
    static const fw::MessageMap map(CCspBaseDialog::GetMessageMap());
    return &map;
}

void CDlgDisp::DoDataExchange() { BindControl(IDC_CERT_TREE, m_tree); }

BOOL CDlgDisp::OnInitDialog() {
    CCspBaseDialog::OnInitDialog();
    if (m_dwSlot != 0) FillCertTree();
    return TRUE;
}

void CDlgDisp::EnableControls(BOOL enable) {
    m_tree.EnableWindow(enable);
    ::EnableWindow(GetDlgItem(IDC_VIEW_CERT), enable);
    ::EnableWindow(GetDlgItem(IDC_DELETE_CERT), enable);
    ::EnableWindow(GetDlgItem(IDC_CERT_DOWNLOAD), enable);
}

HTREEITEM CDlgDisp::InsertNode(HTREEITEM parent, const char* text) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(text);
    return m_tree.InsertItem(insert);
}

void CDlgDisp::FillCertTree() {
    m_tree.DeleteAllItems();
    if (m_dwSlot == 0) {
        InsertNode(TVI_ROOT, "未选中UsbKey!");
        return;
    }
    InsertNode(TVI_ROOT, "USBKEY:");
}
