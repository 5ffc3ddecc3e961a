#include "keylib/dll/PasswordPrompt.h"

#include "keylib/dll/PasswordPromptIds.h"
#include "keylib/dll/logic/TextRules.h"

namespace keylib {
namespace {

HWND volatile promptOwner = nullptr;

const int kEdits[] = {KEYLIB_IDC_PROMPT_PASSWORD, KEYLIB_IDC_PROMPT_NEW, KEYLIB_IDC_PROMPT_CONFIRM};

struct PromptState {
    std::string label;
    SecretText password;
    SecretText fresh;
};

HMODULE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&thisModule), &module);
    return module;
}

// The prompt is a Unicode window, so its texts read right under every ANSI code page; the
// passwords typed into it are still taken in the ANSI code page, as the callers compare them.
std::wstring loadText(UINT id) {
    wchar_t text[256] = {};
    LoadStringW(thisModule(), id, text, 256);
    return text;
}

// Labels are GBK bytes whatever the system's code page.
std::wstring fromGbk(const std::string& bytes) {
    wchar_t text[64] = {};
    MultiByteToWideChar(936, 0, bytes.c_str(), -1, text, 63);
    return text;
}

void readEdit(HWND dialog, int id, SecretText& text) {
    GetDlgItemTextA(dialog, id, text.buffer(), SecretText::kCapacity + 1);
    text.settle();
}

// Overwrites the edit's text in place before emptying it, so that the edit's own buffer keeps
// no copy of what was typed.
void wipeEdit(HWND dialog, int id) {
    HWND edit = GetDlgItem(dialog, id);
    if (edit == nullptr) return;
    const int length = GetWindowTextLengthA(edit);
    if (length > 0) {
        constexpr int kFillerMax = SecretText::kCapacity;
        char filler[kFillerMax + 1];
        const int n = length < kFillerMax ? length : kFillerMax;
        FillMemory(filler, n, '*');
        filler[n] = '\0';
        SendMessageA(edit, EM_SETSEL, 0, -1);
        SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(filler));
    }
    SetWindowTextA(edit, "");
}

void showHint(HWND dialog, UINT textId) {
    SetDlgItemTextW(dialog, KEYLIB_IDC_PROMPT_HINT, loadText(textId).c_str());
    MessageBeep(MB_ICONWARNING);
}

bool hasEdit(HWND dialog, int id) { return GetDlgItem(dialog, id) != nullptr; }

// Takes the entries on OK; false keeps the prompt open with a hint.
bool acceptEntries(HWND dialog, PromptState& state) {
    SecretText password, fresh, confirm;
    readEdit(dialog, KEYLIB_IDC_PROMPT_PASSWORD, password);
    if (!isValidPasswordLength(password.size())) {
        showHint(dialog, KEYLIB_IDS_HINT_LENGTH);
        return false;
    }
    if (hasEdit(dialog, KEYLIB_IDC_PROMPT_NEW)) {
        readEdit(dialog, KEYLIB_IDC_PROMPT_NEW, fresh);
        readEdit(dialog, KEYLIB_IDC_PROMPT_CONFIRM, confirm);
        if (!isValidPasswordLength(fresh.size())) {
            showHint(dialog, KEYLIB_IDS_HINT_LENGTH);
            return false;
        }
        if (!fresh.equals(confirm)) {
            showHint(dialog, KEYLIB_IDS_HINT_MISMATCH);
            wipeEdit(dialog, KEYLIB_IDC_PROMPT_CONFIRM);
            return false;
        }
        if (fresh.equals(password)) {
            showHint(dialog, KEYLIB_IDS_HINT_UNCHANGED);
            return false;
        }
        state.fresh.take(fresh);
    }
    state.password.take(password);
    return true;
}

INT_PTR CALLBACK promptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            const auto* state = reinterpret_cast<const PromptState*>(lParam);
            wchar_t line[128] = {};
            wsprintfW(line, loadText(KEYLIB_IDS_PROMPT_KEY).c_str(), fromGbk(state->label).c_str());
            SetDlgItemTextW(dialog, KEYLIB_IDC_PROMPT_KEY, line);
            for (int id : kEdits) {
                if (hasEdit(dialog, id)) SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, 16, 0);
            }
            SetForegroundWindow(dialog);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrW(dialog, DWLP_USER));
                if (acceptEntries(dialog, *state)) EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        case WM_DESTROY:  // every way out: accepted, cancelled, or the dialog torn down
            for (int id : kEdits) wipeEdit(dialog, id);
            break;
    }
    return FALSE;
}

PromptResult runPrompt(int dialogId, PromptState& state) {
    HWND owner = promptOwner;
    if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
    const INT_PTR answer = DialogBoxParamW(thisModule(), MAKEINTRESOURCEW(dialogId), owner,
                                           promptProc, reinterpret_cast<LPARAM>(&state));
    if (answer == IDOK) return PromptResult::Ok;
    return answer == IDCANCEL ? PromptResult::Cancelled : PromptResult::Failed;
}

}  // namespace

void setPromptOwner(HWND owner) { promptOwner = owner; }

PromptResult askPassword(const std::string& label, SecretText& password) {
    PromptState state;
    state.label = label;
    const PromptResult result = runPrompt(KEYLIB_IDD_PROMPT_VERIFY, state);
    password.take(state.password);
    return result;
}

PromptResult askNewPassword(const std::string& label, SecretText& current, SecretText& fresh) {
    PromptState state;
    state.label = label;
    const PromptResult result = runPrompt(KEYLIB_IDD_PROMPT_INIT, state);
    current.take(state.password);
    fresh.take(state.fresh);
    return result;
}

}  // namespace keylib
