// How the windows look at 96 and 144 dpi, judged from the pixels on the
// screen: pages below whole tab captions, banners filling their bands, and a
// main window that is painted by the time it can be seen, opens centred and
// stays where it is put; and what a screen reader calls the controls.
#include <windows.h>
// windows.h must come first.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "app/Messages.h"
#include "res/resource.h"
#include "tests/e2e/VirtualKeys.h"

namespace {

using driver::Visible;

// The screen resolution Wine gives programs started from now on; 0 leaves it to Wine (96).
void SetDpi(DWORD dpi) {
    if (dpi) {
        RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &dpi,
                        sizeof dpi);
    } else {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels");
    }
}

RECT ScreenRect(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}

// A window's rectangle in the client coordinates of another.
RECT RectIn(HWND hwnd, HWND parent) {
    RECT rect = ScreenRect(hwnd);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND Child(HWND parent, const char* className, LONG typeMask, LONG type) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = {};
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, className) == 0 &&
            (GetWindowLongA(child, GWL_STYLE) & typeMask) == type)
            return child;
    }
    return nullptr;
}
HWND Banner(HWND dialog) { return Child(dialog, "Static", SS_TYPEMASK, SS_BITMAP); }
HWND KeyGroup(HWND dialog) { return Child(dialog, "Button", BS_TYPEMASK, BS_GROUPBOX); }

HWND VisiblePage(HWND tabs) {
    for (HWND page = GetWindow(tabs, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT)) {
        if (Visible(page)) return page;
    }
    return nullptr;
}

// Tab messages carry pointers: the rectangle is read through the program's memory.
RECT TabItemRect(DWORD pid, HWND tabs, int item) {
    RECT rect{};
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    void* remote = VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT, PAGE_READWRITE);
    if (remote && SendMessageA(tabs, TCM_GETITEMRECT, item, reinterpret_cast<LPARAM>(remote))) {
        ReadProcessMemory(process, remote, &rect, sizeof rect, nullptr);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return rect;
}

// Banner artwork is shades of blue at its edges; the dialog's face is grey.
bool Blue(DWORD pixel) {
    const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    return b > r + 40 && b > g + 20;
}

// The pixels once two looks in a row agree: the program has drawn and Wine
// has brought it to the screen.
std::vector<DWORD> SettledPixels(const RECT& rect) {
    std::vector<DWORD> last = driver::ScreenPixels(rect);
    driver::WaitUntil([&] {
        std::vector<DWORD> now = driver::ScreenPixels(rect);
        std::swap(now, last);
        return now == last;
    });
    return last;
}

// Every pixel on the control's edges shows artwork, once the program has drawn it.
::testing::AssertionResult FilledWithArtwork(HWND control) {
    const auto edges = [control]() -> ::testing::AssertionResult {
        RECT rect{};
        GetWindowRect(control, &rect);
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        const std::vector<DWORD> pixels = driver::ScreenPixels(rect);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool edge = x == 0 || y == 0 || x == width - 1 || y == height - 1;
                if (edge && !Blue(pixels[y * width + x])) {
                    char shown[16];
                    std::snprintf(shown, sizeof shown, "%06lX", pixels[y * width + x]);
                    return ::testing::AssertionFailure()
                           << "pixel " << x << "," << y << " is " << shown;
                }
            }
        }
        return ::testing::AssertionSuccess();
    };
    driver::WaitUntil([&] { return static_cast<bool>(edges()); });
    return edges();
}

class Display : public e2e::ProgramTest {
protected:
    // Started without a key, so no balloon covers the window, and shown from the icon.
    HWND StartShown() {
        if (!Start()) return nullptr;
        SendMessageA(main, WM_KEYTOOL_TRAYNOTIFY, 1, WM_LBUTTONDOWN);
        return Visible(main) ? main : nullptr;
    }
    void TearDown() override {
        Exit();
        SetDpi(0);
    }

    // The banner spans the window and reaches down to the key group, drawn edge to edge.
    void ExpectBannerFillsItsBand(HWND main) {
        HWND banner = Banner(main);
        ASSERT_NE(banner, nullptr);
        RECT client{};
        GetClientRect(main, &client);
        const RECT placed = RectIn(banner, main);
        EXPECT_EQ(placed.left, 0);
        EXPECT_EQ(placed.top, 0);
        EXPECT_EQ(placed.right, client.right);
        EXPECT_EQ(placed.bottom, RectIn(KeyGroup(main), main).top);
        EXPECT_TRUE(FilledWithArtwork(banner));
    }

    // The tab captions look the same with the page shown as with it hidden,
    // but for the selected tab's last row, where tab and page meet.
    void ExpectCaptionsWhole(HWND main) {
        HWND tabs = GetDlgItem(main, IDC_TAB);
        HWND page = VisiblePage(tabs);
        ASSERT_NE(page, nullptr);
        RECT captions = TabItemRect(pid, tabs, 2);
        captions.left = 0;
        captions.bottom -= 1;
        MapWindowPoints(tabs, nullptr, reinterpret_cast<POINT*>(&captions), 2);
        EXPECT_GE(RectIn(page, tabs).top, TabItemRect(pid, tabs, 0).bottom - 1);

        const std::vector<DWORD> withPage = SettledPixels(captions);
        const std::vector<DWORD> tabArea = driver::ScreenPixels(ScreenRect(tabs));
        ShowWindow(page, SW_HIDE);
        RedrawWindow(tabs, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        // The page's controls going from the screen tells that the hiding is shown.
        ASSERT_TRUE(
            driver::WaitUntil([&] { return driver::ScreenPixels(ScreenRect(tabs)) != tabArea; }));
        const std::vector<DWORD> withoutPage = driver::ScreenPixels(captions);
        ASSERT_EQ(withoutPage.size(), withPage.size());
        size_t differing = 0;
        for (size_t i = 0; i < withPage.size(); ++i) differing += withPage[i] != withoutPage[i];
        EXPECT_EQ(differing, 0u) << "caption pixels the page draws over";
        ShowWindow(page, SW_SHOW);
    }
};

// Where the pages sit is the page area's own rule; here, what the screen shows of it.
TEST_F(Display, CaptionsStayWholeAndBannersFillTheirControlsAt96And144Dpi) {
    for (const DWORD dpi : {96, 144}) {
        SetDpi(dpi);
        ASSERT_NE(StartShown(), nullptr) << dpi;
        ExpectBannerFillsItsBand(main);
        ExpectCaptionsWhole(main);

        PostMessageA(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);  // the about box
        HWND about = driver::WaitDialog(pid, "关于");
        HWND banner = Banner(about);
        ASSERT_NE(banner, nullptr) << dpi;
        RECT client{};
        GetClientRect(about, &client);
        EXPECT_EQ(RectIn(banner, about).right, client.right) << dpi;
        EXPECT_TRUE(FilledWithArtwork(banner)) << dpi;
        ASSERT_TRUE(driver::Press(about, IDOK));
        Exit();
    }
}

HWND PageWith(HWND tabs, int control) {
    for (HWND page = GetWindow(tabs, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT)) {
        if (GetDlgItem(page, control)) return GetDlgItem(page, control);
    }
    return nullptr;
}

TEST_F(Display, OpensCentredStaysWhereItIsPutAndNamesItsControlsForScreenReaders) {
    ASSERT_NE(StartShown(), nullptr);
    HWND tabs = GetDlgItem(main, IDC_TAB);
    const std::pair<HWND, std::string> named[] = {
        {Banner(main), driver::kMainTitle},
        {tabs, "UsbKey管理"},
        {PageWith(tabs, IDC_CERT_TREE), "证书"},
        {PageWith(tabs, IDC_OLD_PASSWORD), "原用户密码："},  // its label says it
        {PageWith(tabs, IDC_NEW_PASSWORD), "新用户密码"},
        {PageWith(tabs, IDC_REPEAT_PASSWORD), "确认新用户密码"},
    };
    for (const auto& [control, name] : named) EXPECT_EQ(driver::AccessibleName(control), name);

    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const RECT opened = ScreenRect(main);
    EXPECT_LE(std::abs(opened.left + opened.right - work.left - work.right), 1);
    EXPECT_LE(std::abs(opened.top + opened.bottom - work.top - work.bottom), 1);
    SetWindowPos(main, nullptr, work.left + 10, work.top + 20, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(main, WM_KEYTOOL_ACTIVATE, SW_HIDE, 0);
    SendMessageA(main, WM_KEYTOOL_ACTIVATE, SW_SHOW, 0);
    EXPECT_TRUE(Visible(main));
    EXPECT_EQ(ScreenRect(main).left, work.left + 10);
    EXPECT_EQ(ScreenRect(main).top, work.top + 20);
}

TEST_F(Display, TheWindowIsPaintedBeforeStartUpGoesOn) {
    ASSERT_TRUE(keys.AddKey("k", "首绘", {"--status", "2"}));
    const std::string eventName = "keytool-display-" + std::to_string(GetCurrentProcessId());
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    ASSERT_NE(release, nullptr);
    // Held in the certificate registration that follows the first showing.
    ASSERT_NE(Start({{"KEYTOOL_HOLD_CALL", "CSP_LoadCertToIE"}, {"KEYTOOL_HOLD_EVENT", eventName}}),
              nullptr);
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return e2e::Count(keys.Calls(), "CSP_LoadCertToIE(1,3)") == 1 && Visible(main); }));
    EXPECT_TRUE(FilledWithArtwork(Banner(main)));
    SetEvent(release);
    CloseHandle(release);
    EXPECT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, IDC_KEYS) == "首绘"; }));
}

}  // namespace
