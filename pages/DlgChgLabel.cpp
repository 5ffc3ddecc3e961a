#include "pages/DlgChgLabel.h"

#include "res/resource.h"

const fw::RuntimeClass CDlgChgLabel::kRuntimeClass{"CDlgChgLabel",
                                                   &CCspBaseDialog::kRuntimeClass};

CDlgChgLabel::CDlgChgLabel(HWND parent) : CCspBaseDialog(IDD_CHGLABEL, parent) {}

const fw::RuntimeClass* CDlgChgLabel::GetRuntimeClass() const { return &kRuntimeClass; }

const fw::MessageMap* CDlgChgLabel::GetMessageMap() const {
    static const fw::MessageMap map(CCspBaseDialog::GetMessageMap());
    return &map;
}

void CDlgChgLabel::DoDataExchange() { BindControl(IDC_LABEL, m_editLabel); }

BOOL CDlgChgLabel::OnInitDialog() {
    CCspBaseDialog::OnInitDialog();
    m_editLabel.SetLimitText(15);
    return TRUE;
}

void CDlgChgLabel::EnableControls(BOOL enable) {
    m_editLabel.EnableWindow(enable);
    ::EnableWindow(GetDlgItem(IDC_CHANGE_LABEL), enable);
}
