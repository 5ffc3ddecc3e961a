// Device changes that come while one is being handled: keys plugged and pulled
// while the key library's initial-password prompt is open.
#include <gtest/gtest.h>

#include "app/Messages.h"
#include "tests/e2e/VirtualKeys.h"

namespace {

const char kInitPrompt[] = "修改UsbKey初始密码";

std::vector<HWND> Prompts(DWORD pid) {
    std::vector<HWND> prompts;
    for (HWND hwnd : driver::TopLevelWindows(pid, driver::kDialogClass)) {
        if (driver::Visible(hwnd) && driver::Text(hwnd) == kInitPrompt) prompts.push_back(hwnd);
    }
    return prompts;
}

TEST(DeviceChanges, KeysComingAndGoingDuringThePromptLeaveOnePromptAndOneLaterPass) {
    e2e::VirtualKeys keys;
    ASSERT_EQ(keys.Admin({"create", "first", "--label", "初始Key", "--password", "Init-2026",
                          "--initial"}),
              0);
    ASSERT_EQ(keys.Admin({"create", "second", "--label", "第二Key", "--password", "Pass-2026"}), 0);
    ASSERT_EQ(keys.Admin({"plug", "first"}), 0);  // slot 1
    driver::Process& tool = keys.StartRecorded();
    ASSERT_TRUE(driver::WaitUntil([&] { return Prompts(tool.Id()).size() == 1; }));

    // Each announcement is handled, and answered, while the prompt stays open.
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(keys.Admin({"plug", "second"}), 0);
        ASSERT_EQ(keys.Admin({"pull", "second"}), 0);
    }
    ASSERT_EQ(keys.Admin({"plug", "second"}), 0);
    EXPECT_EQ(Prompts(tool.Id()).size(), 1u);
    EXPECT_EQ(e2e::Count(keys.Calls(), "CSP_ChangeInitPassword(1)"), 1u);

    // Once the prompt is answered, one evaluation sees the second key come.
    ASSERT_TRUE(driver::Press(Prompts(tool.Id()).front(), IDCANCEL));
    ASSERT_TRUE(driver::WaitUntil([&] { return Prompts(tool.Id()).size() == 1; }));
    EXPECT_EQ(e2e::Count(keys.Calls(), "CSP_ChangeInitPassword(1)"), 2u);
    ASSERT_TRUE(driver::Press(Prompts(tool.Id()).front(), IDCANCEL));
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return e2e::Count(keys.Calls(), "CSP_ChangeInitPassword(5)") == 1; }));
    HWND main = driver::WaitMainWindow(tool.Id());
    ASSERT_TRUE(driver::Sync(main));
    EXPECT_TRUE(Prompts(tool.Id()).empty());
    EXPECT_EQ(e2e::Count(keys.Calls(), "CSP_ChangeInitPassword(1)"), 2u);
    PostMessageA(main, WM_KEYTOOL_EXIT, 0, 0);
    EXPECT_TRUE(tool.WaitExit(10000));
}

}  // namespace
