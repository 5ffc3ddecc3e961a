// Start-up, single instance, and the main window's keys and private messages.
#include <gtest/gtest.h>

#include <thread>

#include "app/Messages.h"
#include "tests/e2e/VirtualKeys.h"
#include "tests/sequence/Sequence.h"

namespace {

using driver::Visible;
using Calls = std::vector<std::string>;

constexpr LONG kTag = 0x72C49254;  // the key library's instance tag

// A window of another process with the main window's class and title, whose
// answer to the activation request the test chooses: DefDlgProc's 0, or none.
class LookAlike {
public:
    LookAlike(LONG userData, bool hang) {
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([=] {
            HWND hwnd = CreateWindowExW(0, KEYTOOL_MAIN_CLASS, KEYTOOL_MAIN_TITLE, WS_POPUP, 0, 0,
                                        10, 10, nullptr, nullptr, nullptr, nullptr);
            SetWindowLongA(hwnd, GWL_USERDATA, userData);
            if (hang) {
                s_dialogProc = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Hanging)));
            }
            m_threadId = GetCurrentThreadId();
            SetEvent(ready);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
            DestroyWindow(hwnd);
        });
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(ready);
    }
    ~LookAlike() {
        PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }

private:
    static LRESULT CALLBACK Hanging(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_KEYTOOL_ACTIVATE) Sleep(4000);
        return CallWindowProcW(s_dialogProc, hwnd, msg, wp, lp);
    }
    static inline WNDPROC s_dialogProc = nullptr;
    std::thread m_thread;
    DWORD m_threadId = 0;
};

class Startup : public ::testing::Test {
protected:
    HWND Start() {
        process = &keys.StartRecorded();
        return driver::WaitMainWindow(process->Id());
    }
    void PlugKey() {
        ASSERT_EQ(keys.Admin({"create", "k", "--label", "演示UsbKey", "--password", "Pass-2026",
                              "--status", "2"}),
                  0);
        ASSERT_EQ(keys.Admin({"plug", "k"}), 0);  // slot 1 in a fresh store
    }
    bool Listed(HWND main) {
        return driver::WaitUntil([&] { return driver::ItemText(main, 1001) == "演示UsbKey"; });
    }

    e2e::VirtualKeys keys;
    driver::Process* process = nullptr;
};

TEST_F(Startup, WithoutKeyStaysHiddenAndAsksTheLibraryInOrder) {
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(Visible(main));
    EXPECT_EQ(GetWindowLongA(main, GWL_USERDATA), kTag);
    EXPECT_EQ(keys.Calls(),
              (Calls{"CSP_UnloadIECert()", "CSP_GetInstanceTag(0,0)", "CSP_SetMainWindow()",
                     "CSP_UnloadIECert()", "CSP_GetSlotList(null)"}));
}

TEST_F(Startup, WithKeyShowsRegistersAndLists) {
    PlugKey();
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(Listed(main));
    EXPECT_TRUE(Visible(main));
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return e2e::Count(keys.Calls(), "CSP_ContainerInfo(1,5,128)") >= 1; }));
    // One picture of the window per code page the run has, to look at.
    EXPECT_TRUE(driver::SaveScreenshot(main, "main-window-" + std::to_string(GetACP()) + ".bmp"));
    const seq::Line expected[] = {
        {"CSP_UnloadIECert()"},
        {"CSP_GetInstanceTag(0,0)"},
        {"CSP_SetMainWindow()"},
        {"CSP_UnloadIECert()"},
        {"CSP_GetSlotList(null)"},
        {"CSP_GetSlotList(array)"},
        {"CSP_FileAllID(1)"},
        {"CSP_UnloadIECert()"},
        {"CSP_ChangeInitPassword(1)"},
        {"CSP_GetSlotStatus(1)"},
        {"CSP_LoadCertToIE(1,3)"},
        // balloon 19 goes to every tagged main window: here its own
        {"CSP_GetInstanceTag(0,0)"},
        {"CSP_GetSlotList(array)"},
        {"CSP_GetUsbKeyLabel(1)"},
        // the certificate page's tree of the key's six containers, all empty
        {"CSP_ContainerCount(1)"},
        {"CSP_ContainerInfo(1,0,128)"},
        {"CSP_ContainerInfo(1,1,128)"},
        {"CSP_ContainerInfo(1,2,128)"},
        {"CSP_ContainerInfo(1,3,128)"},
        {"CSP_ContainerInfo(1,4,128)"},
        {"CSP_ContainerInfo(1,5,128)"},
        // the expiry check reads them again once it has run
        {"CSP_ContainerInfo(1,0,128)", true},
        {"CSP_ContainerInfo(1,1,128)", true},
        {"CSP_ContainerInfo(1,2,128)", true},
        {"CSP_ContainerInfo(1,3,128)", true},
        {"CSP_ContainerInfo(1,4,128)", true},
        {"CSP_ContainerInfo(1,5,128)", true},
    };
    seq::ExpectSequence(keys.Calls(), expected, "start with a key");
}

TEST_F(Startup, SecondStartBringsTheHiddenFirstToFrontAndEnds) {
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    driver::Process& second = keys.StartRecorded();
    DWORD code = 1;
    ASSERT_TRUE(second.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(driver::WaitUntil([&] { return Visible(main); }));
    EXPECT_EQ(GetForegroundWindow(), main);
    EXPECT_TRUE(driver::TopLevelWindows(second.Id(), driver::kDialogClass).empty());
}

TEST_F(Startup, LookAlikesWithAnotherTagOrAnsweringZeroAreSkipped) {
    LookAlike otherTag(0x1111, false);
    LookAlike answersZero(kTag, false);
    EXPECT_NE(Start(), nullptr);
}

TEST_F(Startup, TaggedWindowThatDoesNotAnswerEndsTheNewcomer) {
    LookAlike hung(kTag, true);
    process = &keys.StartRecorded();
    ASSERT_TRUE(process->WaitExit(15000));
    EXPECT_EQ(e2e::Count(keys.Calls(), "CSP_SetMainWindow()"), 0u);
}

TEST_F(Startup, KeysAndMessagesHideShowRefreshAndEnd) {
    PlugKey();
    HWND main = Start();
    ASSERT_TRUE(main && Listed(main));

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
    const Calls platform = keys.ShellCalls();
    EXPECT_EQ(Calls(platform.begin() + platformBefore, platform.end()),
              (Calls{"LoadLibraryExA(SCHANNEL.DLL,0x800)", "LoadLibraryExA(WININET.DLL,0x800)",
                     "SslEmptyCacheW(null,0)", "IncrementUrlCacheHeaderData(14)",
                     "FreeLibrary(SCHANNEL.DLL)", "FreeLibrary(WININET.DLL)"}));
}

TEST_F(Startup, ExitSentToTheHiddenToolEndsItWithTheCertificatesUnloaded) {
    PlugKey();
    HWND main = Start();
    ASSERT_TRUE(main && Listed(main));
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !Visible(main); }));
    // An installer sends the request and waits for its answer; nothing else
    // reaches the tool's queue afterwards to wake it.
    DWORD_PTR answer = 1;
    ASSERT_TRUE(SendMessageTimeoutA(main, WM_KEYTOOL_EXIT, 0, 0, SMTO_BLOCK, 5000, &answer));
    EXPECT_EQ(answer, 0u);
    ASSERT_TRUE(process->WaitExit(10000));
    EXPECT_EQ(keys.Calls().back(), "CSP_UnloadIECert()");
    EXPECT_EQ(e2e::Count(keys.ShellCalls(), "SslEmptyCacheW(null,0)"), 1u);
}

}  // namespace
