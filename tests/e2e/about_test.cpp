// The about box, opened from the system menu and from the tray menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/e2e/RecordingTool.h"

namespace {

const char kSite[] = "https://ebank.qelmora.com/";
constexpr int kLink = 1018;

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        process = &tool.Start();
        main = driver::WaitMainWindow(process->Id());
        ASSERT_NE(main, nullptr);
    }

    HWND WaitBox() {
        HWND box = nullptr;
        driver::WaitUntil([&] {
            for (HWND hwnd : driver::TopLevelWindows(process->Id(), driver::kDialogClass)) {
                if (driver::Visible(hwnd) && driver::Text(hwnd) == "关于") box = hwnd;
            }
            return box != nullptr;
        });
        if (box) driver::Sync(box);
        return box;
    }

    size_t ShellCount(const std::string& call) { return e2e::Count(tool.ShellCalls(), call); }

    e2e::RecordingTool tool{"slots\n"};
    driver::Process* process = nullptr;
    HWND main = nullptr;
};

// Colours of the link button's pixels as the screen shows them.
struct LinkPixels {
    int blue = 0;           // pure blue
    int widestBlueRow = 0;  // the underline is the widest run
    bool topLeftInk = false;
};

LinkPixels ReadLink(HWND link) {
    RECT rect;
    GetWindowRect(link, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    LinkPixels pixels;
    for (int y = 0; y < height; ++y) {
        int row = 0;
        for (int x = 0; x < width; ++x) {
            if (GetPixel(screen, rect.left + x, rect.top + y) == RGB(0, 0, 255)) {
                ++pixels.blue;
                ++row;
                if (x < width / 4 && y < height / 2) pixels.topLeftInk = true;
            }
        }
        pixels.widestBlueRow = std::max(pixels.widestBlueRow, row);
    }
    ReleaseDC(nullptr, screen);
    return pixels;
}

TEST_F(AboutBox, SystemMenuOpensItWithProductVersionAndUnderlinedBlueLink) {
    PostMessageA(main, WM_SYSCOMMAND, 16, 0);
    HWND box = WaitBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(driver::ItemText(box, kLink), kSite);

    bool versionShown = false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        versionShown = versionShown || driver::Text(child) == "QelmoraUsbKey管理工具\n版本 1.0.0";
    }
    EXPECT_TRUE(versionShown);

    const LinkPixels link = ReadLink(GetDlgItem(box, kLink));
    EXPECT_TRUE(link.topLeftInk);
    EXPECT_GT(link.widestBlueRow, 60);  // one underline under the whole address
    EXPECT_EQ(ShellCount("SetClassLongA(Button,-12,hand)"), 1u);
}

TEST_F(AboutBox, LinkOpensTheSiteAndLeavesTheBoxOpen) {
    PostMessageA(main, WM_SYSCOMMAND, 16, 0);
    HWND box = WaitBox();
    ASSERT_NE(box, nullptr);
    driver::Click(GetDlgItem(box, kLink));
    const std::string open = std::string("ShellExecuteA(open,") + kSite + ",null,5)";
    EXPECT_TRUE(driver::WaitUntil([&] { return ShellCount(open) == 1; }));
    EXPECT_TRUE(IsWindow(box));
}

TEST_F(AboutBox, ClosingPutsTheArrowBackAndASecondBoxDrawsAgain) {
    PostMessageA(main, WM_SYSCOMMAND, 16, 0);
    HWND box = WaitBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(driver::Press(box, IDOK));
    EXPECT_TRUE(
        driver::WaitUntil([&] { return ShellCount("SetClassLongA(Button,-12,arrow)") == 1; }));

    // From the tray menu, while the main window is hidden.
    ASSERT_FALSE(driver::Visible(main));
    PostMessageA(main, WM_COMMAND, 57681, 0);
    box = WaitBox();
    ASSERT_NE(box, nullptr);
    EXPECT_GT(ReadLink(GetDlgItem(box, kLink)).widestBlueRow, 60);
    EXPECT_EQ(ShellCount("SetClassLongA(Button,-12,hand)"), 2u);
    driver::PressKey(box, VK_ESCAPE);
    EXPECT_TRUE(driver::WaitUntil([&] { return !IsWindow(box); }));
    EXPECT_EQ(ShellCount("SetClassLongA(Button,-12,arrow)"), 2u);
}

}  // namespace
