#include "keylib/dll/PasswordPrompt.h"

#include "keylib/dll/PasswordPromptIds.h"
#include "keylib/dll/logic/TextRules.h"

namespace keylib {
namespace {

HWND volatile promptOwner = nullptr;

struct PromptState {
    std::string label;
    std::string password;
    std::string fresh;
};

HMODULE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&thisModule), &module);
    return module;
}

std::string loadText(UINT id) {
    char text[256] = {};
    LoadStringA(thisModule(), id, text, sizeof text);
    return text;
}

// Reads an edit; the buffer is larger than any valid password so that an overlong entry
// shows up as such instead of being cut to a valid length.
std::string readEdit(HWND dialog, int id) {
    char text[64] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    std::string value(text);
    SecureZeroMemory(text, sizeof text);
    return value;
}

void clearEdit(HWND dialog, int id) { SetDlgItemTextA(dialog, id, ""); }

void showHint(HWND dialog, UINT textId) {
    SetDlgItemTextA(dialog, KEYLIB_IDC_PROMPT_HINT, loadText(textId).c_str());
    MessageBeep(MB_ICONWARNING);
}

bool hasEdit(HWND dialog, int id) { return GetDlgItem(dialog, id) != nullptr; }

// Takes the entries on OK; false keeps the prompt open with a hint.
bool acceptEntries(HWND dialog, PromptState& state) {
    std::string password = readEdit(dialog, KEYLIB_IDC_PROMPT_PASSWORD);
    if (!isValidPasswordLength(password.size())) {
        showHint(dialog, KEYLIB_IDS_HINT_LENGTH);
        return false;
    }
    if (hasEdit(dialog, KEYLIB_IDC_PROMPT_NEW)) {
        std::string fresh = readEdit(dialog, KEYLIB_IDC_PROMPT_NEW);
        const std::string confirm = readEdit(dialog, KEYLIB_IDC_PROMPT_CONFIRM);
        if (!isValidPasswordLength(fresh.size())) {
            showHint(dialog, KEYLIB_IDS_HINT_LENGTH);
            return false;
        }
        if (fresh != confirm) {
            showHint(dialog, KEYLIB_IDS_HINT_MISMATCH);
            clearEdit(dialog, KEYLIB_IDC_PROMPT_CONFIRM);
            return false;
        }
        if (fresh == password) {
            showHint(dialog, KEYLIB_IDS_HINT_UNCHANGED);
            return false;
        }
        state.fresh.swap(fresh);
    }
    state.password.swap(password);
    return true;
}

INT_PTR CALLBACK promptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            const auto* state = reinterpret_cast<const PromptState*>(lParam);
            char line[128] = {};
            wsprintfA(line, loadText(KEYLIB_IDS_PROMPT_KEY).c_str(), state->label.c_str());
            SetDlgItemTextA(dialog, KEYLIB_IDC_PROMPT_KEY, line);
            for (int id :
                 {KEYLIB_IDC_PROMPT_PASSWORD, KEYLIB_IDC_PROMPT_NEW, KEYLIB_IDC_PROMPT_CONFIRM}) {
                if (hasEdit(dialog, id)) SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, 16, 0);
            }
            SetForegroundWindow(dialog);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrA(dialog, DWLP_USER));
                if (acceptEntries(dialog, *state)) EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

PromptResult runPrompt(int dialogId, PromptState& state) {
    HWND owner = promptOwner;
    if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
    const INT_PTR answer = DialogBoxParamA(thisModule(), MAKEINTRESOURCEA(dialogId), owner,
                                           promptProc, reinterpret_cast<LPARAM>(&state));
    if (answer == IDOK) return PromptResult::Ok;
    return answer == IDCANCEL ? PromptResult::Cancelled : PromptResult::Failed;
}

}  // namespace

void setPromptOwner(HWND owner) { promptOwner = owner; }

PromptResult askPassword(const std::string& label, std::string& password) {
    PromptState state{label, {}, {}};
    const PromptResult result = runPrompt(KEYLIB_IDD_PROMPT_VERIFY, state);
    password.swap(state.password);
    return result;
}

PromptResult askNewPassword(const std::string& label, std::string& current, std::string& fresh) {
    PromptState state{label, {}, {}};
    const PromptResult result = runPrompt(KEYLIB_IDD_PROMPT_INIT, state);
    current.swap(state.password);
    fresh.swap(state.fresh);
    return result;
}

}  // namespace keylib
