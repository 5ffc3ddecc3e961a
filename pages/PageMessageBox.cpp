#include "pages/PageMessageBox.h"

#include "framework/Text.h"
#include "log/Log.h"
#include "pages/CspBaseDialog.h"

void ShowPageMessage(HWND owner, const keytool::PageMessage& message) {
    if (message.kind != keytool::BoxKind::None) LogLineGbk("page box: %s", message.text.c_str());
    switch (message.kind) {
        case keytool::BoxKind::None:
            break;
        case keytool::BoxKind::Warning:
            WarnBox(owner, message.text.c_str());
            break;
        case keytool::BoxKind::Success:
            ::MessageBoxW(owner, fw::Widen(message.text).c_str(), L"UsbKey提示",
                          MB_ICONINFORMATION);
            break;
        case keytool::BoxKind::Failure:
            ::MessageBoxW(owner, fw::Widen(message.text).c_str(), L"UsbKey提示", MB_ICONERROR);
            break;
    }
}

bool LastTryBox::Continue() {
    return ::MessageBoxW(m_owner, fw::Widen(keytool::kLastTryQuestion).c_str(), L"提示",
                         MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}
