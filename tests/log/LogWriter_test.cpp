// The log writer on a LOCALAPPDATA of the test's own.
#include <gtest/gtest.h>

#include <regex>
#include <thread>
#include <string>

#include "log/Log.h"
#include "log/logic/LogLines.h"
#include "tests/driver/Driver.h"

namespace {

class LogWriter : public ::testing::Test {
protected:
    void SetUp() override { SetEnvironmentVariableA("LOCALAPPDATA", home.Path().c_str()); }
    // The folder goes with home.
    void TearDown() override { SetEnvironmentVariableA("LOCALAPPDATA", nullptr); }
    driver::TempDir home;
};

TEST_F(LogWriter, WritesStampedLinesIntoTheToolsFolderAndKeepsTheLastError) {
    EXPECT_EQ(LogFilePath(), home.File("Qelmora\\UsbKeyTool\\keytool.log"));
    LogLine("start %s %d", "1.0.0", 32);
    SetLastError(ERROR_ACCESS_DENIED);
    LogLastError("Shell_NotifyIconA(NIM_ADD)");
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_EQ(LoggedKeyLib("CSP_GetSlotStatus", 3, 0xA0420004u), 0xA0420004u);
    EXPECT_EQ(LoggedKeyLib("CSP_GetSlotStatus", 3, 0), 0u);

    const std::vector<std::string> lines = driver::ReadLines(LogFilePath());
    ASSERT_EQ(lines.size(), 3u);
    const std::string stamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}Z \[)" +
                              std::to_string(GetCurrentProcessId()) + R"(\] )";
    const std::string expected[] = {"start 1\\.0\\.0 32",
                                    "Shell_NotifyIconA\\(NIM_ADD\\) failed: error 5",
                                    "CSP_GetSlotStatus\\(slot 3\\) answered 0xA0420004"};
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(stamp + expected[i] + "\r?")))
            << lines[i];
    }
}

TEST_F(LogWriter, RollsOverAtTheLimitKeepingOnePreviousFile) {
    LogLine("first");
    const std::string full(keytool::kLogRollSize - 10, 'x');
    driver::WriteFile(LogFilePath(), full);
    driver::WriteFile(PreviousLogFilePath(), "oldest\r\n");

    LogLine("after the limit");
    EXPECT_EQ(driver::ReadFile(PreviousLogFilePath()), full);
    const std::vector<std::string> lines = driver::ReadLines(LogFilePath());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("after the limit"), std::string::npos);
}

TEST_F(LogWriter, WhileAnotherProcessRollsOverTheLineIsOnlyAppended) {
    LogLine("first");
    const std::string full(keytool::kLogRollSize, 'x');
    driver::WriteFile(LogFilePath(), full);
    // Held by another thread, as another process would hold it.
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
        HANDLE mutex = CreateMutexA(nullptr, TRUE, "Local\\QelmoraUsbKeyToolLog");
        SetEvent(held);
        WaitForSingleObject(release, INFINITE);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    });
    WaitForSingleObject(held, INFINITE);
    LogLine("appended");
    SetEvent(release);
    other.join();
    EXPECT_EQ(GetFileAttributesA(PreviousLogFilePath().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(driver::ReadFile(LogFilePath()).substr(0, full.size()), full);

    LogLine("rolled");
    EXPECT_NE(driver::ReadLines(PreviousLogFilePath()).back().find("appended"), std::string::npos);
    EXPECT_EQ(driver::ReadLines(LogFilePath()).size(), 1u);
    CloseHandle(held);
    CloseHandle(release);
}

TEST_F(LogWriter, AnUnwritableLogIsSkippedSilently) {
    // The log's own name taken by a folder: nothing can be opened there.
    LogLine("make the folder");
    DeleteFileA(LogFilePath().c_str());
    ASSERT_TRUE(CreateDirectoryA(LogFilePath().c_str(), nullptr));
    SetLastError(ERROR_INVALID_DATA);
    LogLine("lost");
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_DATA});
    EXPECT_EQ(GetFileAttributesA(PreviousLogFilePath().c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveDirectoryA(LogFilePath().c_str());

    // A LOCALAPPDATA below a plain file: no folder can be made.
    driver::WriteFile(home.File("plain"), "x");
    SetEnvironmentVariableA("LOCALAPPDATA", home.File("plain").c_str());
    LogLine("lost too");
    EXPECT_EQ(GetFileAttributesA(LogFilePath().c_str()), INVALID_FILE_ATTRIBUTES);
    SetEnvironmentVariableA("LOCALAPPDATA", home.Path().c_str());
}

}  // namespace
