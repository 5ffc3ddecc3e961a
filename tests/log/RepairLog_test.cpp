// The repair's registry actions as the log tells them, on Wine's real registry.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "device/KeyDeviceRepairRegistry.h"
#include "log/Log.h"
#include "tests/driver/Driver.h"

namespace {

const std::string kRoot = "SOFTWARE\\QelmoraKeyToolLogTest";

TEST(RepairLog, EachDeletionIsLoggedBottomUpWithItsAnswer) {
    driver::TempDir home;
    SetEnvironmentVariableA("LOCALAPPDATA", home.Path().c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRoot.c_str());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kRoot + "\\Device\\Inner\\Leaf").c_str(), 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);

    EXPECT_EQ(DeleteSubKeys(kRoot.c_str()), 1);
    EXPECT_EQ(DeleteSubKeys((kRoot + "\\Missing").c_str()), 1);  // the common case: no entry
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRoot.c_str());
    const std::vector<std::string> lines = driver::ReadLines(LogFilePath());
    SetEnvironmentVariableA("LOCALAPPDATA", nullptr);

    const char* deleted[] = {"\\Device\\Inner\\Leaf", "\\Device\\Inner", "\\Device"};
    ASSERT_EQ(lines.size(), std::size(deleted)) << (lines.empty() ? "" : lines.back());
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string tail =
            "] repair: RegDeleteKeyA(HKLM\\" + kRoot + deleted[i] + ") answered 0";
        EXPECT_NE(lines[i].find(tail), std::string::npos) << lines[i];
    }
}

}  // namespace
