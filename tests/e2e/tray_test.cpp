// The notification-area icon: its record, balloons by number and by text from
// other processes, the tray callback and the tray menu.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/RecordingTool.h"

namespace {

using driver::Visible;
using e2e::RecordingTool;

constexpr UINT kTrayNotify = WM_USER + 4;
constexpr UINT kBalloon = WM_USER + 5;
const std::string kNoKey = "slots\n";
const std::string kOneKey = "slots 7\nlabel 7 演示UsbKey\nstatus 7 2\n";
const std::string kTipKey = "UsbKey已插入，可以正常使用";
const std::string kTipNoKey = "当前未插入UsbKey";

std::string Clearing() {
    return "Shell_NotifyIconA(MODIFY,size=488,id=1,flags=0x17,state=2,timeout=1003,tip=,info=,"
           "title=)";
}

std::string Shown(const std::string& tip, const std::string& info) {
    return "Shell_NotifyIconA(MODIFY,size=488,id=1,flags=0x17,state=2,timeout=1003,tip=" + tip +
           ",info=" + info + ",title=)";
}

class Tray : public ::testing::Test {
protected:
    void Start(const std::string& scenario) {
        tool.SetScenario(scenario);
        process = &tool.Start();
        main = driver::WaitMainWindow(process->Id());
        ASSERT_NE(main, nullptr);
    }

    // Shell calls after the first `skip` ones, once `count` of them have arrived.
    std::vector<std::string> CallsAfter(size_t skip, size_t count) {
        driver::WaitUntil([&] { return tool.ShellCalls().size() >= skip + count; });
        driver::Sync(main);
        const auto all = tool.ShellCalls();
        return std::vector<std::string>(all.begin() + std::min(skip, all.size()), all.end());
    }

    LRESULT SendText(const void* data, DWORD size) {
        COPYDATASTRUCT copy{};
        copy.dwData = 0x1234;  // not looked at
        copy.cbData = size;
        copy.lpData = const_cast<void*>(data);
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_BLOCK, 5000,
                            &answer);
        return static_cast<LRESULT>(answer);
    }

    RecordingTool tool{kNoKey};
    driver::Process* process = nullptr;
    HWND main = nullptr;
};

TEST_F(Tray, IconIsAddedOnceAtCreationWithAnEmptyTip) {
    Start(kNoKey);
    EXPECT_EQ(tool.ShellCalls(),
              std::vector<std::string>{"Shell_NotifyIconA(ADD,size=488,id=1,flags=0x17,state=2,"
                                       "timeout=1000,tip=,info=,title=)"});
}

TEST_F(Tray, NumberedBalloonTakesTheOldOneAwayThenShowsTextAndTip) {
    Start(kNoKey);
    const size_t before = tool.ShellCalls().size();
    PostMessageA(main, kBalloon, 10, 0);
    EXPECT_EQ(CallsAfter(before, 2),
              (std::vector<std::string>{Clearing(), Shown(kTipNoKey, "有UsbKey插入!")}));

    PostMessageA(main, kBalloon, 21, 0);
    PostMessageA(main, kBalloon, 0xFFFFFFFF, 0);
    PostMessageA(main, kBalloon, 20, 0);  // marks the end of what the two before did
    EXPECT_EQ(CallsAfter(before + 2, 2),
              (std::vector<std::string>{Clearing(), Shown(kTipNoKey, "更改UsbKey标签完成!")}));
}

TEST_F(Tray, StartUpWithAKeyShowsTheRegistrationBalloonWithTheKeyTip) {
    Start(kOneKey);
    const auto calls = CallsAfter(0, 5);
    // Added at creation, added again from a fresh record for the key, then balloon 19.
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(calls[3], Clearing());
    EXPECT_EQ(calls[4], Shown(kTipKey, "注册证书到IE完成!"));
}

TEST_F(Tray, TextsFromOtherProcessesAreBoundedToWhatWasSent) {
    Start(kNoKey);
    size_t seen = tool.ShellCalls().size();
    auto next = [&] {
        const auto calls = CallsAfter(seen, 2);
        seen += 2;
        return calls.size() >= 2 ? calls[1] : std::string("none");
    };

    const char shortText[] = "证书即将过期";
    EXPECT_EQ(SendText(shortText, sizeof shortText), TRUE);
    EXPECT_EQ(next(), Shown(kTipNoKey, shortText));

    const std::string exact(255, 'e');
    EXPECT_EQ(SendText(exact.c_str(), static_cast<DWORD>(exact.size() + 1)), TRUE);
    EXPECT_EQ(next(), Shown(kTipNoKey, exact));

    const std::string longer(300, 'l');  // no terminator among the bytes sent
    EXPECT_EQ(SendText(longer.data(), static_cast<DWORD>(longer.size())), TRUE);
    EXPECT_EQ(next(), Shown(kTipNoKey, std::string(255, 'l')));

    const char cut[] = "abcdef";
    EXPECT_EQ(SendText(cut, 3), TRUE);
    EXPECT_EQ(next(), Shown(kTipNoKey, "abc"));

    EXPECT_EQ(SendText(shortText, 0), TRUE);
    EXPECT_EQ(SendText(nullptr, 10), TRUE);
    driver::Sync(main);
    EXPECT_EQ(tool.ShellCalls().size(), seen);
}

TEST_F(Tray, LeftPressTogglesTheWindowAndOtherMouseMessagesDoNothing) {
    Start(kNoKey);
    ASSERT_FALSE(Visible(main));
    SendMessageA(main, kTrayNotify, 1, WM_LBUTTONUP);
    SendMessageA(main, kTrayNotify, 1, WM_LBUTTONDBLCLK);
    SendMessageA(main, kTrayNotify, 1, WM_MOUSEMOVE);
    EXPECT_FALSE(Visible(main));

    SendMessageA(main, kTrayNotify, 1, WM_LBUTTONDOWN);
    EXPECT_TRUE(driver::WaitUntil([&] { return Visible(main); }));
    EXPECT_EQ(GetForegroundWindow(), main);
    SendMessageA(main, kTrayNotify, 1, WM_LBUTTONDOWN);
    EXPECT_TRUE(driver::WaitUntil([&] { return !Visible(main); }));
}

TEST_F(Tray, RightPressOpensTheMenuAndItsExitEndsTheProgram) {
    Start(kNoKey);
    PostMessageA(main, kTrayNotify, 1, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    ASSERT_TRUE(driver::WaitUntil([&] {
        auto menus = driver::TopLevelWindows(process->Id(), "#32768");
        for (HWND m : menus) {
            if (Visible(m)) menu = m;
        }
        return menu != nullptr;
    }));
    EXPECT_EQ(e2e::Count(tool.ShellCalls(), "TrackPopupMenu(flags=0x4,items=6,at cursor)"), 1u);
    // The last item is "退出": up from nothing selected wraps to it.
    driver::PressKey(menu, VK_UP);
    driver::PressKey(menu, VK_RETURN);
    EXPECT_TRUE(process->WaitExit(10000));
}

TEST_F(Tray, MenuCommandsWorkWhileTheWindowIsHidden) {
    Start(kOneKey);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, 1001) == "演示UsbKey"; }));
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !Visible(main); }));

    const size_t labels = e2e::Count(tool.Calls(), "CSP_GetUsbKeyLabel(7)");
    PostMessageA(main, WM_COMMAND, 131, 0);  // "刷新设备"
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return e2e::Count(tool.Calls(), "CSP_GetUsbKeyLabel(7)") == labels + 1; }));
    EXPECT_FALSE(Visible(main));

    PostMessageA(main, WM_COMMAND, 133, 0);  // "显示用户管理工具"
    EXPECT_TRUE(driver::WaitUntil([&] { return Visible(main); }));

    PostMessageA(main, WM_COMMAND, 132, 0);  // "退出"
    EXPECT_TRUE(process->WaitExit(10000));
}

}  // namespace
