// The program's log over a plug and pull cycle, read from the LOCALAPPDATA it was given.
#include <gtest/gtest.h>

#include <regex>

#include "app/Messages.h"
#include "tests/e2e/VirtualKeys.h"

namespace {

TEST(Log, TellsStartEachDecisionAndExitWithTheProcessId) {
    e2e::VirtualKeys keys;
    ASSERT_EQ(
        keys.Admin({"create", "k", "--label", "Log", "--password", "Pass-2026", "--status", "2"}),
        0);
    ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
    driver::Process& program = keys.StartRecorded();
    HWND main = driver::WaitMainWindow(program.Id());
    ASSERT_NE(main, nullptr);
    // The start-up evaluation may still run when the window is found: wait for its key list.
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, 1001) == "Log"; }));
    // keyadmin returns once the program has handled its device-change broadcast.
    ASSERT_EQ(keys.Admin({"pull", "k"}), 0);
    ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
    PostMessageA(main, WM_KEYTOOL_EXIT, 0, 0);
    ASSERT_TRUE(program.WaitExit(20000));

    const std::string stamp =
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}Z \[)" + std::to_string(program.Id()) + R"(\] )";
    const char* expected[] = {
        R"(start \d+\.\d+\.\d+ \(32-bit\), key library [^,]+, Windows \d+\.\d+\.\d+ \((32|64)-bit\), code page 936)",
        R"(device change 0x0000: 1 key\(s\) counted, 1 listed, 0 before: inserted)",
        R"(device change 0x0007: 0 key\(s\) counted, 0 listed, 1 before: removed)",
        R"(device change 0x0007: 1 key\(s\) counted, 1 listed, 0 before: inserted)",
        R"(exit \d+\.\d+\.\d+ \(32-bit\))",
    };
    const std::vector<std::string> lines = driver::ReadLines(keys.LogFile());
    ASSERT_EQ(lines.size(), std::size(expected)) << driver::ReadFile(keys.LogFile());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(stamp + expected[i] + "\r?")))
            << i << ": " << lines[i];
    }
}

}  // namespace
