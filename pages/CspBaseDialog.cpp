#include "pages/CspBaseDialog.h"

#include "framework/Text.h"

const fw::RuntimeClass CCspBaseDialog::kRuntimeClass{"CCspBaseDialog", &fw::Dialog::kRuntimeClass};

CCspBaseDialog::CCspBaseDialog(UINT templateId, HWND parent) : fw::Dialog(templateId, parent) {}

const fw::RuntimeClass* CCspBaseDialog::GetRuntimeClass() const { return &kRuntimeClass; }

BOOL CCspBaseDialog::PreTranslateMessage(MSG* msg) {
    // Before the dialog manager, which would give Enter to the main window's default button.
    const bool enter =
        msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && ::GetKeyState(VK_MENU) >= 0;
    const int button =
        enter && ::GetParent(msg->hwnd) == m_hWnd ? EnterButton(::GetDlgCtrlID(msg->hwnd)) : 0;
    if (button != 0) {
        HWND control = GetDlgItem(button);
        if (::IsWindowEnabled(control)) {
            SendMessage(WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                        reinterpret_cast<LPARAM>(control));
        }
        return TRUE;
    }
    const bool escape =
        (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) && msg->wParam == VK_ESCAPE;
    HWND parent = escape ? ::GetParent(m_hWnd) : nullptr;
    if (parent) {
        ::PostMessageW(fw::Window::TopLevelOf(parent), msg->message, msg->wParam, msg->lParam);
        return TRUE;
    }
    return fw::Dialog::PreTranslateMessage(msg);
}

void CCspBaseDialog::OnOK() {}

int CCspBaseDialog::EnterButton(int) const { return 0; }

int WarnBox(HWND owner, const char* text) {
    return ::MessageBoxW(owner, fw::Widen(text).c_str(), L"提示", MB_ICONWARNING);
}
