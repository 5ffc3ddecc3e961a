#include "app/logic/MainWindowRules.h"

namespace keytool {

int PageShowCommand(Page page, int selectedTab) {
    const int pageTab = page == Page::Certificates ? 0 : page == Page::Password ? 1 : 2;
    return pageTab == selectedTab ? kShowCommandShow : kShowCommandHide;
}

Rect PageArea(const Rect& client, const Rect& displayArea) {
    constexpr int kFrame = 1;
    const int grow = displayArea.left - client.left - kFrame;
    return {client.left + kFrame, displayArea.top - grow, client.right - kFrame,
            client.bottom - kFrame};
}

std::uint32_t FilterPositionFlags(std::uint32_t flags, bool canShow) {
    return canShow ? flags : flags & ~kSwpShowWindow;
}

TrayPressAction OnTrayLeftPress(bool windowVisible, bool dialogRunning) {
    if (dialogRunning) return TrayPressAction::ShowWithDialogInFront;
    return windowVisible ? TrayPressAction::Hide : TrayPressAction::ShowAndForeground;
}

bool AfterDeviceChange(std::uint32_t eventType, std::uint32_t keysBefore, std::uint32_t keysNow,
                       const std::uint32_t* slots, std::uint32_t count, TriesLeftTable& tries) {
    tries.KeepOnly(slots, count);
    return eventType != 0 && keysNow > keysBefore;
}

}  // namespace keytool
