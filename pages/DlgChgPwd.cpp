#include "pages/DlgChgPwd.h"

#include "res/resource.h"

const fw::RuntimeClass CDlgChgPwd::kRuntimeClass{"CDlgChgPwd", &CCspBaseDialog::kRuntimeClass};

CDlgChgPwd::CDlgChgPwd(HWND parent) : CCspBaseDialog(IDD_CHGPWD, parent) {}

const fw::RuntimeClass* CDlgChgPwd::GetRuntimeClass() const { return &kRuntimeClass; }

const fw::MessageMap* CDlgChgPwd::GetMessageMap() const {
    static const fw::MessageMap map(CCspBaseDialog::GetMessageMap());
    return &map;
}

void CDlgChgPwd::DoDataExchange() {
    BindControl(IDC_OLD_PASSWORD, m_editOld);
    BindControl(IDC_NEW_PASSWORD, m_editNew);
    BindControl(IDC_REPEAT_PASSWORD, m_editRepeat);
}

BOOL CDlgChgPwd::OnInitDialog() {
    CCspBaseDialog::OnInitDialog();
    m_editOld.SetLimitText(16);
    m_editNew.SetLimitText(16);
    m_editRepeat.SetLimitText(16);
    return TRUE;
}

void CDlgChgPwd::EnableControls(BOOL enable) {
    m_editOld.EnableWindow(enable);
    m_editNew.EnableWindow(enable);
    m_editRepeat.EnableWindow(enable);
    ::EnableWindow(GetDlgItem(IDC_CHANGE_PASSWORD), enable);
}
