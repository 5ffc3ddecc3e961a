// Start-up, single instance, the main window's keys and private messages, the ways it ends,
// device changes during a prompt, its log, and where it loads system libraries from.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

#include "app/Messages.h"
#include "res/resource.h"
#include "tests/e2e/VirtualKeys.h"
#include "tests/sequence/Sequence.h"

namespace {

using driver::Visible;
using Calls = std::vector<std::string>;

class Startup : public e2e::ProgramTest {
protected:
    void PlugKey() { ASSERT_TRUE(keys.AddKey("k", "演示UsbKey", {"--status", "2"})); }
    bool Listed() {
        return driver::WaitUntil([&] { return driver::ItemText(main, IDC_KEYS) == "演示UsbKey"; });
    }
    // Initial-password prompts of the program shown now.
    std::vector<HWND> Prompts() const { return driver::Dialogs(pid, "修改UsbKey初始密码"); }
};

TEST_F(Startup, WithKeyShowsRegistersAndLists) {
    PlugKey();
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(Listed());
    EXPECT_TRUE(Visible(main));
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return e2e::Count(keys.Calls(), "CSP_ContainerInfo(1,5,128)") >= 1; }));
    // Balloon 19 goes to every tagged main window, here its own; the certificate page's tree
    // reads the key's six containers, all empty; the expiry check takes that reading.
    const seq::Line expected[] = {
        "CSP_UnloadIECert()",         "CSP_GetInstanceTag(0,0)",    "CSP_SetMainWindow()",
        "CSP_UnloadIECert()",         "CSP_GetSlotList(null)",      "CSP_GetSlotList(array)",
        "CSP_FileAllID(1)",           "CSP_UnloadIECert()",         "CSP_ChangeInitPassword(1)",
        "CSP_GetSlotStatus(1)",       "CSP_LoadCertToIE(1,3)",      "CSP_GetInstanceTag(0,0)",
        "CSP_GetSlotList(array)",     "CSP_GetUsbKeyLabel(1)",      "CSP_ContainerCount(1)",
        "CSP_ContainerInfo(1,0,128)", "CSP_ContainerInfo(1,1,128)", "CSP_ContainerInfo(1,2,128)",
        "CSP_ContainerInfo(1,3,128)", "CSP_ContainerInfo(1,4,128)", "CSP_ContainerInfo(1,5,128)"};
    seq::ExpectSequence(keys.Calls(), expected, "start with a key");
}

TEST_F(Startup, SecondStartBringsTheFirstHiddenWithoutKeyToFrontAndEnds) {
    ASSERT_NE(Start(), nullptr);
    EXPECT_FALSE(Visible(main));
    EXPECT_EQ(keys.Calls(),
              (Calls{"CSP_UnloadIECert()", "CSP_GetInstanceTag(0,0)", "CSP_SetMainWindow()",
                     "CSP_UnloadIECert()", "CSP_GetSlotList(null)"}));
    driver::Process& second = keys.StartRecorded();
    DWORD code = 1;
    ASSERT_TRUE(second.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(driver::WaitUntil([&] { return Visible(main); }));
    EXPECT_EQ(GetForegroundWindow(), main);
    EXPECT_TRUE(driver::TopLevelWindows(second.Id(), driver::kDialogClass).empty());
}

TEST_F(Startup, KeysAndMessagesHideShowRefreshAndEndAndTheLogTellsIt) {
    PlugKey();
    ASSERT_TRUE(Start() && Listed());

    driver::PressKey(driver::FocusOf(main), VK_RETURN);  // refreshes, stays open
    EXPECT_TRUE(
        driver::WaitUntil([&] { return e2e::Count(keys.Calls(), "CSP_GetUsbKeyLabel(1)") == 2; }));
    EXPECT_TRUE(Visible(main));

    driver::PressKey(driver::FocusOf(main), VK_ESCAPE);
    EXPECT_TRUE(driver::WaitUntil([&] { return !Visible(main); }));
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(main, WM_KEYTOOL_ACTIVATE, SW_SHOW, 0, SMTO_BLOCK, 5000, &answer);
    EXPECT_EQ(static_cast<LRESULT>(answer), -1);
    EXPECT_TRUE(Visible(main));
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(driver::WaitUntil([&] { return !Visible(main); }));
    SendMessageTimeoutA(main, WM_KEYTOOL_ACTIVATE, SW_HIDE, 0, SMTO_BLOCK, 5000, &answer);
    EXPECT_EQ(static_cast<LRESULT>(answer), -1);
    EXPECT_FALSE(Visible(main));

    // Exit unloads the certificates, then clears both secure-channel caches.
    const size_t platformBefore = keys.ShellCalls().size();
    PostMessageA(main, WM_KEYTOOL_EXIT, 0, 0);
    ASSERT_TRUE(process->WaitExit(10000));
    EXPECT_EQ(keys.Calls().back(), "CSP_UnloadIECert()");
    EXPECT_EQ(e2e::Since(keys.ShellCalls(), platformBefore),
              (Calls{"LoadLibraryExA(SCHANNEL.DLL,0x800)", "LoadLibraryExA(WININET.DLL,0x800)",
                     "SslEmptyCacheW(null,0)", "IncrementUrlCacheHeaderData(14)",
                     "FreeLibrary(SCHANNEL.DLL)", "FreeLibrary(WININET.DLL)"}));

    // The log's lines carry the time and the process id; their wording is the log's own.
    const std::string log = driver::ReadFile(keys.LogFile());
    const std::string stamp =
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}Z \[)" + std::to_string(process->Id()) + R"(\] )";
    EXPECT_TRUE(std::regex_search(
        log,
        std::regex(stamp + R"(start [^\r\n]*code page 936\r?\n)" + stamp +
                   R"(device change 0x0000: 1 key\(s\) counted, 1 listed, 0 before: inserted)")))
        << log;
    EXPECT_TRUE(std::regex_search(
        log, std::regex(stamp + R"(exit \d+\.\d+\.\d+ )" + driver::kBuildBits + "\r?\n$")))
        << log;
}

// An installer sends the exit request and waits for its answer, nothing else reaching the tool's
// queue afterwards to wake it; the tray menu's 退出 and a log-off end the session as well.
TEST_F(Startup, ExitTrayExitAndLogOffUnloadTheCertificatesOfTheHiddenTool) {
    PlugKey();
    const struct {
        UINT message;
        WPARAM wParam;
        DWORD lParam;
        DWORD_PTR answer;
        bool ends;
    } endings[] = {
        {WM_KEYTOOL_EXIT, 0, 0, 0, true},
        {WM_COMMAND, ID_TRAY_EXIT, 0, 0, true},
        {WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, TRUE, false},
    };
    for (const auto& end : endings) {
        ASSERT_TRUE(Start() && Listed());
        PostMessageA(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(driver::WaitUntil([&] { return !Visible(main); }));
        const size_t cleared = e2e::Count(keys.ShellCalls(), "SslEmptyCacheW(null,0)");
        DWORD_PTR answer = 7;
        ASSERT_TRUE(SendMessageTimeoutA(main, end.message, end.wParam,
                                        static_cast<LPARAM>(end.lParam), SMTO_BLOCK, 5000,
                                        &answer));
        EXPECT_EQ(answer, end.answer) << end.message;
        EXPECT_EQ(process->WaitExit(end.ends ? 10000 : 500), end.ends) << end.message;
        EXPECT_EQ(keys.Calls().back(), "CSP_UnloadIECert()") << end.message;
        EXPECT_EQ(e2e::Count(keys.ShellCalls(), "SslEmptyCacheW(null,0)"), cleared + 1);
    }
    SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, static_cast<LPARAM>(ENDSESSION_LOGOFF),
                        SMTO_BLOCK, 5000, nullptr);
    EXPECT_EQ(keys.Calls().back(), "CSP_UnloadIECert()") << "nothing registered again";
}

TEST_F(Startup, KeysComingAndGoingDuringThePromptLeaveOnePromptAndOneLaterPass) {
    ASSERT_TRUE(keys.AddKey("first", "初始Key", {"--initial"}));  // slot 1
    ASSERT_TRUE(keys.AddKey("second", "第二Key", {}, false));
    process = &keys.StartRecorded();
    pid = process->Id();
    ASSERT_TRUE(driver::WaitUntil([&] { return Prompts().size() == 1; }));

    // Each announcement is handled, and answered, while the prompt stays open.
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(keys.Admin({"plug", "second"}), 0);
        ASSERT_EQ(keys.Admin({"pull", "second"}), 0);
    }
    ASSERT_EQ(keys.Admin({"plug", "second"}), 0);
    EXPECT_EQ(Prompts().size(), 1u);
    EXPECT_EQ(e2e::Count(keys.Calls(), "CSP_ChangeInitPassword(1)"), 1u);

    // Once the prompt is answered, one evaluation sees the second key come.
    ASSERT_TRUE(driver::Press(Prompts().front(), IDCANCEL));
    ASSERT_TRUE(driver::WaitUntil([&] { return Prompts().size() == 1; }));
    EXPECT_EQ(e2e::Count(keys.Calls(), "CSP_ChangeInitPassword(1)"), 2u);
    ASSERT_TRUE(driver::Press(Prompts().front(), IDCANCEL));
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return e2e::Count(keys.Calls(), "CSP_ChangeInitPassword(5)") == 1; }));
    main = driver::WaitMainWindow(pid);
    ASSERT_TRUE(driver::Sync(main));
    EXPECT_TRUE(Prompts().empty());
    EXPECT_EQ(e2e::Count(keys.Calls(), "CSP_ChangeInitPassword(1)"), 2u);
    PostMessageA(main, WM_KEYTOOL_EXIT, 0, 0);
    EXPECT_TRUE(process->WaitExit(10000));
}

}  // namespace
