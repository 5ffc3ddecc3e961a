#include "app/logic/MainWindowRules.h"

namespace keytool {

int PageShowCommand(Page page, int selectedTab) {
    const int pageTab = page == Page::Certificates ? 0 : page == Page::Password ? 1 : 2;
    return pageTab == selectedTab ? kShowCommandShow : kShowCommandHide;
}

std::uint32_t FilterPositionFlags(std::uint32_t flags, bool canShow) {
    return canShow ? flags : flags & ~kSwpShowWindow;
}

TrayPressAction OnTrayLeftPress(bool windowVisible) {
    return windowVisible ? TrayPressAction::Hide : TrayPressAction::ShowAndForeground;
}

}  // namespace keytool
