// Decisions of the main window that do not need Windows: which page a tab
// shows and when the window may become visible.
#pragma once

#include <array>
#include <cstdint>

namespace keytool {

enum class Page { Certificates, Password, Label };

constexpr int kShowCommandHide = 0;  // SW_HIDE
constexpr int kShowCommandShow = 5;  // SW_SHOW

// Show command for a page given the selected tab: tab 0 certificates,
// 1 password, 2 label; every other page is hidden.
int PageShowCommand(Page page, int selectedTab);

// Position-change flags after the visibility rule: until the window has been
// permitted, no request may show it.
constexpr std::uint32_t kSwpShowWindow = 0x40;
std::uint32_t FilterPositionFlags(std::uint32_t flags, bool canShow);

// What a left press on the notification-area icon does.
enum class TrayPressAction { Hide, ShowAndForeground };
TrayPressAction OnTrayLeftPress(bool windowVisible);

}  // namespace keytool
