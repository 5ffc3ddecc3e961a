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
    LogLine("UTF-8 %s", u8"演示");
    LogLineGbk("GBK %s", "演示");

    const std::vector<std::string> lines = driver::ReadLines(LogFilePath());
    ASSERT_EQ(lines.size(), 5u);
    const std::string stamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}Z \[)" +
                              std::to_string(GetCurrentProcessId()) + R"(\] )";
    const std::string expected[] = {
        "start 1\\.0\\.0 32", "Shell_NotifyIconA\\(NIM_ADD\\) failed: error 5",
        "CSP_GetSlotStatus\\(slot 3\\) answered 0xA0420004", u8"UTF-8 演示", u8"GBK 演示"};
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(stamp + expected[i] + "\r?")))
            << lines[i];
    }
}

// The roll-over lock held by another thread, as another process would hold it, until released.
struct HeldLock {
    HeldLock() { WaitForSingleObject(held, INFINITE); }
    ~HeldLock() {
        Release();
        CloseHandle(held);
        CloseHandle(release);
    }
    void Release() {
        SetEvent(release);
        if (holder.joinable()) holder.join();
    }
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder{[this] {
        HANDLE mutex = CreateMutexA(nullptr, TRUE, "Local\\QelmoraUsbKeyToolLog");
        SetEvent(held);
        WaitForSingleObject(release, INFINITE);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }};
};

TEST_F(LogWriter, WhileAnotherProcessRollsOverTheLineIsOnlyAppended) {
    LogLine("a folder for the held lock");
    const std::string full(keytool::kLogRollSize, 'x');
    driver::WriteFile(LogFilePath(), full);
    {
        const HeldLock held;
        LogLine("appended");
    }
    EXPECT_EQ(GetFileAttributesA(PreviousLogFilePath().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(driver::ReadFile(LogFilePath()).substr(0, full.size()), full);

    driver::WriteFile(PreviousLogFilePath(), "oldest\r\n");  // replaced by the roll-over
    LogLine("rolled");
    EXPECT_NE(driver::ReadLines(PreviousLogFilePath()).back().find("appended"), std::string::npos);
    EXPECT_EQ(driver::ReadLines(LogFilePath()).size(), 1u);

    // A writer waiting for the lock while its holder rolls over finds the new file, and does
    // not roll that over too: the full file stays the previous one.
    driver::WriteFile(LogFilePath(), full);
    HeldLock held;
    std::thread writer([] { LogLine("after the other's roll-over"); });
    Sleep(50);
    ASSERT_TRUE(MoveFileExA(LogFilePath().c_str(), PreviousLogFilePath().c_str(),
                            MOVEFILE_REPLACE_EXISTING));
    driver::WriteFile(LogFilePath(), "fresh\r\n");
    held.Release();
    writer.join();
    EXPECT_EQ(driver::ReadFile(PreviousLogFilePath()), full);
    const std::vector<std::string> lines = driver::ReadLines(LogFilePath());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("after the other's roll-over"), std::string::npos);
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

TEST_F(LogWriter, NeverWritesThroughALinkAndStaysBoundedWhenItCannotRollOver) {
    LogLine("make the folder too");
    // A second name for a file elsewhere: the name gets a new file, the other file is left.
    driver::WriteFile(home.File("victim"), "precious\r\n");
    ASSERT_TRUE(DeleteFileA(LogFilePath().c_str()));
    ASSERT_TRUE(CreateHardLinkA(LogFilePath().c_str(), home.File("victim").c_str(), nullptr));
    LogLine("not through the link");
    EXPECT_EQ(driver::ReadFile(home.File("victim")), "precious\r\n");
    std::vector<std::string> lines = driver::ReadLines(LogFilePath());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("log: keytool.log was a link or had a second name"), std::string::npos);
    EXPECT_NE(lines[1].find("not through the link"), std::string::npos);

    // The previous file's name taken by a folder: one line says why, then nothing grows the file.
    ASSERT_TRUE(CreateDirectoryA(PreviousLogFilePath().c_str(), nullptr));
    driver::WriteFile(LogFilePath(), std::string(keytool::kLogRollSize - 10, 'x'));
    LogLine("past the limit");
    LogLine("dropped");
    lines = driver::ReadLines(LogFilePath());
    EXPECT_NE(lines.back().find("log: cannot roll over into keytool.log.1 (error "),
              std::string::npos);
    EXPECT_LT(driver::ReadFile(LogFilePath()).size(), keytool::kLogRollSize + 200);
    RemoveDirectoryA(PreviousLogFilePath().c_str());
}

}  // namespace
