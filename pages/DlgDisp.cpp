#include "pages/DlgDisp.h"

#include <shellapi.h>

#include "log/Log.h"
#include "device/DlgSys.h"
#include "framework/AccessibleName.h"
#include "keys/CertDecoderCrypt32.h"
#include "keys/logic/KeyReads.h"
#include "pages/CertPageWin32.h"
#include "pages/PageMessageBox.h"
#include "pages/TempCertFile.h"
#include "pages/logic/CertSelection.h"
#include "pages/logic/CertTreeFill.h"
#include "pages/logic/CertView.h"
#include "keys/KeyLibrary.h"
#include "res/BankSite.h"
#include "res/resource.h"

fw::ImageList g_ImageList;

namespace {

// The page's parts for one command; built afresh each time, they hold nothing
// of their own. The key is read through the process's record of this event.
struct PageParts {
    KeyLibrary library;
    keytool::RecordedKeyLibrary keys{keytool::g_KeyReads, library};
    TreeCtrlCertTree tree;
    PageCertUi ui;
    keytool::CertPageParts parts{keys, tree, ui};

    PageParts(const fw::TreeCtrl& treeCtrl, HWND page) : tree(treeCtrl), ui(page) {}
};

}  // namespace

const fw::RuntimeClass CDlgDisp::kRuntimeClass{"CDlgDisp", &CCspBaseDialog::kRuntimeClass};

CDlgDisp::CDlgDisp(HWND parent) : CCspBaseDialog(IDD_DISP, parent) {}

CDlgDisp::~CDlgDisp() {
    if (m_tree.m_hWnd && ::IsWindow(m_tree.m_hWnd)) ::DestroyWindow(m_tree.m_hWnd);
    RemoveTempCertFile();
}

const fw::RuntimeClass* CDlgDisp::GetRuntimeClass() const { return &kRuntimeClass; }

const fw::MessageMap* CDlgDisp::GetMessageMap() const {
    static const fw::MessageMapEntry entries[] = {
        fw::OnNotify<&CDlgDisp::OnDblClkTree>(IDC_CERT_TREE, NM_DBLCLK),
        fw::OnCommand<&CDlgDisp::OnViewCert>(IDC_VIEW_CERT),
        fw::OnCommand<&CDlgDisp::OnDeleteCert>(IDC_DELETE_CERT),
        fw::OnNotify<&CDlgDisp::OnSelChangedTree>(IDC_CERT_TREE, TVN_SELCHANGEDW),
        fw::OnCommand<&CDlgDisp::OnCertDownload>(IDC_CERT_DOWNLOAD),
        fw::OnCommand<&CDlgDisp::OnSysCheck>(IDC_SYS_CHECK),
    };
    static const fw::MessageMap map(CCspBaseDialog::GetMessageMap(), entries);
    return &map;
}

void CDlgDisp::DoDataExchange() { BindControl(IDC_CERT_TREE, m_tree); }

BOOL CDlgDisp::OnInitDialog() {
    CCspBaseDialog::OnInitDialog();
    // The card at the system's small-icon size, which follows the DPI; the
    // icon resource holds it drawn at the usual sizes.
    const int width = ::GetSystemMetrics(SM_CXSMICON);
    const int height = ::GetSystemMetrics(SM_CYSMICON);
    g_ImageList.Create(width, height, ILC_MASK, 2, 1);
    g_ImageList.SetBkColor(::GetSysColor(COLOR_WINDOW));
    for (int i = 0; i < 2; ++i) {
        HICON card =
            static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_CARD),
                                            IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
        g_ImageList.Add(card);
        ::DestroyIcon(card);
    }
    m_tree.SetStateImageList(g_ImageList);
    fw::SetAccessibleName(m_tree.m_hWnd, L"证书");
    if (m_dwSlot != 0) FillCertTree();
    return TRUE;
}

int CDlgDisp::EnterButton(int focusId) const {
    return focusId == IDC_CERT_TREE ? IDC_VIEW_CERT : 0;
}

void CDlgDisp::EnableControls(BOOL enable) {
    m_tree.EnableWindow(enable);
    EnableDlgItem(IDC_VIEW_CERT, enable);
    EnableDlgItem(IDC_DELETE_CERT, enable);
    EnableDlgItem(IDC_CERT_DOWNLOAD, enable);
}

void CDlgDisp::FillCertTree() {
    PageParts page(m_tree, m_hWnd);
    Crypt32CertDecoder decoder;
    GlobalFillBuffer buffers;
    keytool::FillCertTree(m_dwSlot, page.parts, decoder, buffers);
}

void CDlgDisp::OnSelChangedTree(NMHDR*, LRESULT* result) {
    PageParts page(m_tree, m_hWnd);
    keytool::OnCertSelectionChanged(page.parts);
    *result = 0;
}

void CDlgDisp::OnDeleteCert() {
    PageParts page(m_tree, m_hWnd);
    LastTryBox lastTry(m_hWnd);
    if (keytool::DeleteSelectedCert(m_dwSlot, page.parts, lastTry)) FillCertTree();
}

void CDlgDisp::ViewSelectedCert() {
    PageParts page(m_tree, m_hWnd);
    ShellCertFiles files(m_hWnd);
    keytool::ViewSelectedCert(m_dwSlot, page.parts, files);
}

void CDlgDisp::OnViewCert() { ViewSelectedCert(); }

void CDlgDisp::OnDblClkTree(NMHDR*, LRESULT* result) {
    PageParts page(m_tree, m_hWnd);
    ShellCertFiles files(m_hWnd);
    *result = keytool::OnCertTreeDoubleClick(m_dwSlot, page.parts, files);
}

void CDlgDisp::OnCertDownload() {
    LogShellOpen("certificate download site",
                 reinterpret_cast<INT_PTR>(
                     ::ShellExecuteW(nullptr, L"open", kBankSite, nullptr, nullptr, SW_SHOW)));
}

void CDlgDisp::OnSysCheck() {
    CDlgSys check;
    check.DoModal();
}
