#include "pages/PageMessageBox.h"

#include "pages/CspBaseDialog.h"

void ShowPageMessage(HWND owner, const pages::PageMessage& message) {
    switch (message.kind) {
        case pages::BoxKind::None:
            break;
        case pages::BoxKind::Warning:
            WarnBox(owner, message.text.c_str());
            break;
        case pages::BoxKind::Success:
            ::MessageBoxA(owner, message.text.c_str(), "UsbKey提示", MB_ICONINFORMATION);
            break;
        case pages::BoxKind::Failure:
            ::MessageBoxA(owner, message.text.c_str(), "UsbKey提示", MB_ICONERROR);
            break;
    }
}
