// The key selector: filled from the key library by every kind of refresh.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/RecordingTool.h"

namespace {

constexpr UINT kRefresh = WM_USER + 3;
constexpr int kKeys = 1001;
constexpr int kRefreshButton = 1016;

std::vector<std::string> Items(HWND combo) { return driver::ComboItems(combo); }

class KeyList : public ::testing::Test {
protected:
    void Start(const std::string& scenario) {
        tool.SetScenario(scenario);
        process = &tool.Start();
        main = driver::WaitMainWindow(process->Id());
        ASSERT_NE(main, nullptr);
        combo = GetDlgItem(main, kKeys);
    }

    // Runs one refresh the way the user or another process asks for it and
    // waits until the library was asked for the labels again.
    void RefreshBy(const std::function<void()>& ask) {
        const size_t lists = e2e::Count(tool.Calls(), "CSP_GetSlotList(array)");
        ask();
        ASSERT_TRUE(driver::WaitUntil(
            [&] { return e2e::Count(tool.Calls(), "CSP_GetSlotList(array)") == lists + 1; }));
        driver::Sync(main);
    }

    e2e::RecordingTool tool{"slots\n"};
    driver::Process* process = nullptr;
    HWND main = nullptr;
    HWND combo = nullptr;
};

TEST_F(KeyList, TwoKeysAppearInLibraryOrderWithTheFirstSelected) {
    Start("slots 9 4\nlabel 9 第一把\nlabel 4 second\n");
    ASSERT_TRUE(driver::WaitUntil([&] { return Items(combo).size() == 2; }));
    EXPECT_EQ(Items(combo), (std::vector<std::string>{"第一把", "second"}));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
}

TEST_F(KeyList, EveryRefreshSelectsTheFirstKeyAgain) {
    Start("slots 9 4\nlabel 9 A\nlabel 4 B\n");
    ASSERT_TRUE(driver::WaitUntil([&] { return Items(combo).size() == 2; }));

    const std::vector<std::function<void()>> refreshes = {
        [&] { driver::Click(GetDlgItem(main, kRefreshButton)); },
        [&] { driver::PressKey(driver::FocusOf(main), VK_RETURN); },
        [&] { PostMessageA(main, WM_COMMAND, 131, 0); },  // tray "刷新设备"
        [&] {
            DWORD_PTR answer = 1;
            SendMessageTimeoutA(main, kRefresh, 0, 0, SMTO_BLOCK, 5000, &answer);
            EXPECT_EQ(answer, 0u);
        },
    };
    for (size_t i = 0; i < refreshes.size(); ++i) {
        SendMessageA(combo, CB_SETCURSEL, 1, 0);
        RefreshBy(refreshes[i]);
        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0) << "refresh " << i;
        EXPECT_EQ(Items(combo), (std::vector<std::string>{"A", "B"})) << "refresh " << i;
    }
}

TEST_F(KeyList, KeyWhoseLabelCannotBeReadIsLeftOut) {
    Start("slots 3 5\nlabel 5 readable\n");
    ASSERT_TRUE(driver::WaitUntil([&] { return !Items(combo).empty(); }));
    EXPECT_EQ(Items(combo), std::vector<std::string>{"readable"});
    EXPECT_EQ(driver::Text(combo), "readable");
}

TEST_F(KeyList, UnterminatedLabelIsCutInsideItsBuffer) {
    Start("slots 2\nlabel 2 " + std::string(150, 'x') + "\n");
    ASSERT_TRUE(driver::WaitUntil([&] { return !Items(combo).empty(); }));
    EXPECT_EQ(Items(combo), std::vector<std::string>{std::string(99, 'x')});
}

TEST_F(KeyList, KeysGoingAwayEmptyTheSelector) {
    Start("slots 9\nlabel 9 A\n");
    ASSERT_TRUE(driver::WaitUntil([&] { return Items(combo).size() == 1; }));
    tool.SetScenario("slots\n");
    RefreshBy([&] { driver::Click(GetDlgItem(main, kRefreshButton)); });
    EXPECT_TRUE(Items(combo).empty());
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
}

// The tab page holding the control with that id.
HWND PageWith(HWND main, int controlId) {
    HWND tab = GetDlgItem(main, 1014);
    for (HWND page = FindWindowExA(tab, nullptr, driver::kDialogClass, nullptr); page;
         page = FindWindowExA(tab, page, driver::kDialogClass, nullptr)) {
        if (GetDlgItem(page, controlId)) return page;
    }
    return nullptr;
}

TEST_F(KeyList, ChoosingAnotherKeyHandsItToEveryPage) {
    Start("slots 9 4\nlabel 9 A\nlabel 4 B\nresult CSP_VerifyPassword 0x80090020\n");
    ASSERT_TRUE(driver::WaitUntil([&] { return Items(combo).size() == 2; }));
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(kKeys, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    // The certificate tree is rebuilt for the chosen key.
    EXPECT_TRUE(
        driver::WaitUntil([&] { return e2e::Count(tool.Calls(), "CSP_ContainerCount(4)") == 1; }));

    // The label page works on it too: its change asks the library about slot 4.
    HWND labelPage = PageWith(main, 1002);
    ASSERT_NE(labelPage, nullptr);
    EXPECT_TRUE(driver::Enabled(GetDlgItem(labelPage, 1002)));
    driver::Type(GetDlgItem(labelPage, 1002), "new");
    driver::Click(GetDlgItem(labelPage, 1015));
    EXPECT_TRUE(
        driver::WaitUntil([&] { return e2e::Count(tool.Calls(), "CSP_GetSlotStatus(4)") == 1; }));
}

TEST_F(KeyList, WithoutKeysEveryPageIsDisabled) {
    Start("slots\n");
    RefreshBy([&] { driver::Click(GetDlgItem(main, kRefreshButton)); });
    for (int control : {1006, 1015, 1018, 1020, 1003, 1004, 1005, 1011, 1002}) {
        HWND page = PageWith(main, control);
        ASSERT_NE(page, nullptr) << control;
        EXPECT_FALSE(driver::Enabled(GetDlgItem(page, control))) << control;
    }
    // The system check stays available.
    EXPECT_TRUE(driver::Enabled(GetDlgItem(PageWith(main, 1019), 1019)));
}

}  // namespace
