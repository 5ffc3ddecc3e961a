// Decisions of the main window that do not need Windows: which page a tab
// shows, where the pages sit in the tab control, when the window may become
// visible, and what follows a device change.
#pragma once

#include <array>
#include <cstdint>

#include "pages/logic/LastTry.h"

namespace keytool {

enum class Page { Certificates, Password, Label };

constexpr int kShowCommandHide = 0;  // SW_HIDE
constexpr int kShowCommandShow = 5;  // SW_SHOW

// Show command for a page given the selected tab: tab 0 certificates,
// 1 password, 2 label; every other page is hidden.
int PageShowCommand(Page page, int selectedTab);

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const Rect& a, const Rect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

// The pages' rectangle in the tab control's client area: the display area the
// control reports (TabCtrl_AdjustRect of the client rectangle) grown by its
// padding, which is the same on every side, up to the frame's one-pixel border.
Rect PageArea(const Rect& client, const Rect& displayArea);

// Position-change flags after the visibility rule: until the window has been
// permitted, no request may show it.
constexpr std::uint32_t kSwpShowWindow = 0x40;
std::uint32_t FilterPositionFlags(std::uint32_t flags, bool canShow);

// What a left press on the notification-area icon does. While a dialog runs
// over the main window (keeping it disabled), the press never hides the
// window under it: it shows the window and brings the dialog to the front.
enum class TrayPressAction { Hide, ShowAndForeground, ShowWithDialogInFront };
TrayPressAction OnTrayLeftPress(bool windowVisible, bool dialogRunning);

// After a device change was evaluated (event type 0: start-up), with the keys listed now:
// forgets the tries left of keys no longer listed, since a key plugged in later may get one's
// slot number; true when keys came, so that their certificates are checked for expiry.
bool AfterDeviceChange(std::uint32_t eventType, std::uint32_t keysBefore, std::uint32_t keysNow,
                       const std::uint32_t* slots, std::uint32_t count, TriesLeftTable& tries);

}  // namespace keytool
