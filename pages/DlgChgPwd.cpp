#include "pages/DlgChgPwd.h"

#include <iterator>

#include "framework/AccessibleName.h"
#include "keylib/KeyLib.h"
#include "keys/KeyLibrary.h"
#include "pages/PageMessageBox.h"
#include "res/resource.h"

namespace {

// The passwords as typed, wiped as soon as the change is decided, whichever way:
// not kept through the box that follows, nor left on the stack after it.
struct TypedPasswords {
    // The key library takes at most 16 bytes of each password plus the terminator,
    // in the system's ANSI code page like its own password prompt.
    char oldPassword[keytool::kMaxPasswordBytes + 1] = {};
    char newPassword[keytool::kMaxPasswordBytes + 1] = {};
    char repeatPassword[keytool::kMaxPasswordBytes + 1] = {};
    // As the edit holds it.
    wchar_t typed[keytool::kMaxPasswordBytes + 1] = {};

    TypedPasswords() = default;
    TypedPasswords(const TypedPasswords&) = delete;
    TypedPasswords& operator=(const TypedPasswords&) = delete;
    ~TypedPasswords() { ::SecureZeroMemory(this, sizeof *this); }
};

// The edit's text in the system's ANSI code page; false when a character has no
// form there (nothing is then passed on as "?" or a look-alike).
bool ReadPassword(HWND edit, wchar_t (&typed)[keytool::kMaxPasswordBytes + 1],
                  char (&password)[keytool::kMaxPasswordBytes + 1]) {
    ::GetWindowTextW(edit, typed, static_cast<int>(std::size(typed)));
    BOOL usedDefault = FALSE;
    const int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, typed, -1, password,
                                             sizeof password, nullptr, &usedDefault);
    return length > 0 && !usedDefault;
}

// Decides the change; false when the user gave it up at the last-try question.
bool ChangeWithTypedPasswords(HWND page, HWND oldEdit, HWND newEdit, HWND repeatEdit,
                              std::uint32_t slot, keytool::PasswordVerdict* verdict) {
    TypedPasswords typed;
    const struct {
        HWND edit;
        char (&password)[keytool::kMaxPasswordBytes + 1];
        keytool::PasswordEdit bit;
    } edits[] = {{oldEdit, typed.oldPassword, keytool::kOldEdit},
                 {newEdit, typed.newPassword, keytool::kNewEdit},
                 {repeatEdit, typed.repeatPassword, keytool::kRepeatEdit}};
    for (const auto& entry : edits) {
        if (!ReadPassword(entry.edit, typed.typed, entry.password)) {
            *verdict = keytool::UnencodablePassword(entry.bit);
            return true;
        }
    }
    *verdict = keytool::CheckPasswords(typed.oldPassword, typed.newPassword, typed.repeatPassword);
    if (verdict->message.kind != keytool::BoxKind::None) return true;

    LastTryBox lastTry(page);
    KeyLibrary keys;
    std::uint32_t result = 0;
    const auto change = [&] {
        return keys.ChangePassword(slot, KEYLIB_PASSWORD_USER, typed.oldPassword,
                                   typed.newPassword);
    };
    if (!keytool::CheckUserPassword(slot, keytool::g_TriesLeft, lastTry, change, &result)) {
        return false;
    }
    *verdict = keytool::ChangeResultVerdict(result);
    return true;
}

}  // namespace

const fw::RuntimeClass CDlgChgPwd::kRuntimeClass{"CDlgChgPwd", &CCspBaseDialog::kRuntimeClass};

CDlgChgPwd::CDlgChgPwd(HWND parent) : CCspBaseDialog(IDD_CHGPWD, parent) {}

const fw::RuntimeClass* CDlgChgPwd::GetRuntimeClass() const { return &kRuntimeClass; }

const fw::MessageMap* CDlgChgPwd::GetMessageMap() const {
    static const fw::MessageMapEntry entries[] = {
        fw::OnCommand<&CDlgChgPwd::OnChangePassword>(IDC_CHANGE_PASSWORD),
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
    m_editOld.SetByteLimit(keytool::kMaxPasswordBytes, CP_ACP);
    m_editNew.SetByteLimit(keytool::kMaxPasswordBytes, CP_ACP);
    m_editRepeat.SetByteLimit(keytool::kMaxPasswordBytes, CP_ACP);
    // Both new-password edits carry the same visible label.
    fw::SetAccessibleName(m_editNew.m_hWnd, L"新用户密码");
    fw::SetAccessibleName(m_editRepeat.m_hWnd, L"确认新用户密码");
    return TRUE;
}

void CDlgChgPwd::EnableControls(BOOL enable) {
    m_editOld.EnableWindow(enable);
    m_editNew.EnableWindow(enable);
    m_editRepeat.EnableWindow(enable);
    EnableDlgItem(IDC_CHANGE_PASSWORD, enable);
}

int CDlgChgPwd::EnterButton(int focusId) const {
    const bool inEdit = focusId == IDC_OLD_PASSWORD || focusId == IDC_NEW_PASSWORD ||
                        focusId == IDC_REPEAT_PASSWORD;
    return inEdit ? IDC_CHANGE_PASSWORD : 0;
}

void CDlgChgPwd::OnChangePassword() {
    keytool::PasswordVerdict verdict;
    if (ChangeWithTypedPasswords(m_hWnd, m_editOld.m_hWnd, m_editNew.m_hWnd, m_editRepeat.m_hWnd,
                                 m_dwSlot, &verdict)) {
        Apply(verdict);
    }
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
        if (verdict.clear & entry.bit) entry.edit.SetWindowText(L"");
    }
    for (const auto& entry : edits) {
        if (verdict.focus == entry.bit) ::SetFocus(entry.edit.m_hWnd);
    }
}
