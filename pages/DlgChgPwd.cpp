#include "pages/DlgChgPwd.h"

#include "keylib/KeyLib.h"
#include "log/Log.h"
#include "pages/PageMessageBox.h"
#include "res/resource.h"

const fw::RuntimeClass CDlgChgPwd::kRuntimeClass{"CDlgChgPwd", &CCspBaseDialog::kRuntimeClass};

CDlgChgPwd::CDlgChgPwd(HWND parent) : CCspBaseDialog(IDD_CHGPWD, parent) {}

const fw::RuntimeClass* CDlgChgPwd::GetRuntimeClass() const { return &kRuntimeClass; }

const fw::MessageMap* CDlgChgPwd::GetMessageMap() const {
    static const fw::MessageMapEntry entries[] = {
        fw::OnCommand<&CDlgChgPwd::OnChangePassword>(IDC_CHANGE_PASSWORD),
        fw::OnCommand<&CDlgChgPwd::OnPasswordEdited>(IDC_OLD_PASSWORD, EN_CHANGE),
        fw::OnCommand<&CDlgChgPwd::OnPasswordEdited>(IDC_NEW_PASSWORD, EN_CHANGE),
        fw::OnCommand<&CDlgChgPwd::OnPasswordEdited>(IDC_REPEAT_PASSWORD, EN_CHANGE),
    };
    static const fw::MessageMap map(CCspBaseDialog::GetMessageMap(), entries);
    return &map;
}

void CDlgChgPwd::DoDataExchange() {
    BindControl(IDC_OLD_PASSWORD, m_editOld);
    BindControl(IDC_NEW_PASSWORD, m_editNew);
    BindControl(IDC_REPEAT_PASSWORD, m_editRepeat);
}

BOOL CDlgChgPwd::OnInitDialog() {
    CCspBaseDialog::OnInitDialog();
    m_editOld.SetByteLimit(keytool::kMaxPasswordBytes);
    m_editNew.SetByteLimit(keytool::kMaxPasswordBytes);
    m_editRepeat.SetByteLimit(keytool::kMaxPasswordBytes);
    return TRUE;
}

void CDlgChgPwd::EnableControls(BOOL enable) {
    m_editOld.EnableWindow(enable);
    m_editNew.EnableWindow(enable);
    m_editRepeat.EnableWindow(enable);
    EnableDlgItem(IDC_CHANGE_PASSWORD, enable);
}

void CDlgChgPwd::OnPasswordEdited() {
    m_editOld.EnforceByteLimit();
    m_editNew.EnforceByteLimit();
    m_editRepeat.EnforceByteLimit();
}

void CDlgChgPwd::OnChangePassword() {
    // The key library takes at most 16 bytes of each password plus the terminator.
    char oldPassword[keytool::kMaxPasswordBytes + 1] = {};
    char newPassword[keytool::kMaxPasswordBytes + 1] = {};
    char repeatPassword[keytool::kMaxPasswordBytes + 1] = {};
    ::GetWindowTextA(m_editOld.m_hWnd, oldPassword, sizeof oldPassword);
    ::GetWindowTextA(m_editNew.m_hWnd, newPassword, sizeof newPassword);
    ::GetWindowTextA(m_editRepeat.m_hWnd, repeatPassword, sizeof repeatPassword);

    keytool::PasswordVerdict verdict =
        keytool::CheckPasswords(oldPassword, newPassword, repeatPassword);
    if (verdict.message.kind == keytool::BoxKind::None) {
        LastTryBox lastTry(m_hWnd);
        std::uint32_t result = 0;
        const auto change = [&] {
            return LoggedKeyLib(
                "CSP_ChangePassword", m_dwSlot,
                CSP_ChangePassword(m_dwSlot, KEYLIB_PASSWORD_USER, oldPassword, newPassword));
        };
        if (!keytool::CheckUserPassword(m_dwSlot, keytool::g_TriesLeft, lastTry, change, &result)) {
            return;
        }
        verdict = keytool::ChangeResultVerdict(result);
    }
    Apply(verdict);
}

void CDlgChgPwd::Apply(const keytool::PasswordVerdict& verdict) const {
    ShowPageMessage(m_hWnd, verdict.message);
    const struct {
        unsigned bit;
        const fw::Edit& edit;
    } edits[] = {{keytool::kOldEdit, m_editOld},
                 {keytool::kNewEdit, m_editNew},
                 {keytool::kRepeatEdit, m_editRepeat}};
    for (const auto& entry : edits) {
        if (verdict.clear & entry.bit) entry.edit.SetWindowText("");
    }
    for (const auto& entry : edits) {
        if (verdict.focus == entry.bit) ::SetFocus(entry.edit.m_hWnd);
    }
}
