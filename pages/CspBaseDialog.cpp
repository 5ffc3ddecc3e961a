#include "pages/CspBaseDialog.h"

#include "framework/Text.h"

const fw::RuntimeClass CCspBaseDialog::kRuntimeClass{"CCspBaseDialog", &fw::Dialog::kRuntimeClass};

CCspBaseDialog::CCspBaseDialog(UINT templateId, HWND parent) : fw::Dialog(templateId, parent) {}

const fw::RuntimeClass* CCspBaseDialog::GetRuntimeClass() const { return &kRuntimeClass; }

BOOL CCspBaseDialog::PreTranslateMessage(MSG* msg) {
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

int WarnBox(HWND owner, const char* text) {
    return ::MessageBoxW(owner, fw::Widen(text).c_str(), L"提示", MB_ICONWARNING);
}
