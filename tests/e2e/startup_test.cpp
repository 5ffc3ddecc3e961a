// Start-up, single instance, visibility and the main window's private messages.
#include <gtest/gtest.h>

#include <thread>

#include "tests/e2e/RecordingTool.h"

namespace {

using driver::Visible;
using e2e::RecordingTool;

constexpr UINT kExit = WM_USER + 1;
constexpr UINT kActivate = WM_USER + 2;
constexpr char kTag[] = "tag 0x51E1C0DE\n";
constexpr LONG kTagValue = 0x51E1C0DE;
const std::string kOneKey = std::string(kTag) + "slots 7\nlabel 7 演示UsbKey\nstatus 7 2\n";

// A window of another process with the main window's class and title, whose
// answer to the activation request the test chooses.
class LookAlikeWindow {
public:
    enum class Answer { DefaultZero, Hang };

    LookAlikeWindow(LONG userData, Answer answer) {
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([=] {
            m_hwnd = CreateWindowExA(0, driver::kDialogClass, driver::kMainTitle, WS_POPUP, 0, 0,
                                     10, 10, nullptr, nullptr, nullptr, nullptr);
            SetWindowLongA(m_hwnd, GWL_USERDATA, userData);
            if (answer == Answer::Hang) {
                s_original = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                    m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HangingProc)));
            }
            m_threadId = GetCurrentThreadId();
            SetEvent(ready);
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
            DestroyWindow(m_hwnd);
        });
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(ready);
    }
    ~LookAlikeWindow() {
        PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }

private:
    static LRESULT CALLBACK HangingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == kActivate) Sleep(4000);
        return CallWindowProcA(s_original, hwnd, msg, wp, lp);
    }

    static inline WNDPROC s_original = nullptr;
    std::thread m_thread;
    HWND m_hwnd = nullptr;
    DWORD m_threadId = 0;
};

TEST(Startup, WithoutKeyStaysHiddenAndAsksTheLibraryInOrder) {
    RecordingTool tool(kTag);
    driver::Process& process = tool.Start();
    HWND main = driver::WaitMainWindow(process.Id());
    ASSERT_NE(main, nullptr);
    driver::Sync(main);

    EXPECT_FALSE(Visible(main));
    EXPECT_EQ(GetWindowLongA(main, GWL_USERDATA), kTagValue);
    EXPECT_EQ(tool.Calls(),
              (std::vector<std::string>{"CSP_UnloadIECert()", "CSP_GetInstanceTag(0,0)",
                                        "CSP_SetMainWindow()", "CSP_UnloadIECert()",
                                        "CSP_GetSlotList(null)"}));
}

TEST(Startup, WithKeyShowsWindowRegistersCertificatesAndListsKey) {
    RecordingTool tool(kOneKey);
    driver::Process& process = tool.Start();
    HWND main = driver::WaitMainWindow(process.Id());
    ASSERT_NE(main, nullptr);

    EXPECT_TRUE(driver::WaitUntil([&] { return Visible(main); }));
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, 1001) == "演示UsbKey"; }));
    EXPECT_EQ(e2e::Head(tool.Calls(), 14),
              (std::vector<std::string>{
                  "CSP_UnloadIECert()", "CSP_GetInstanceTag(0,0)", "CSP_SetMainWindow()",
                  "CSP_UnloadIECert()", "CSP_GetSlotList(null)", "CSP_GetSlotList(array)",
                  "CSP_FileAllID(7)", "CSP_UnloadIECert()", "CSP_ChangeInitPassword(7)",
                  "CSP_GetSlotStatus(7)", "CSP_LoadCertToIE(7,3)",
                  // the balloon goes to every tagged main window: here only its own
                  "CSP_GetInstanceTag(0,0)", "CSP_GetSlotList(array)", "CSP_GetUsbKeyLabel(7)"}));
}

TEST(SingleInstance, SecondStartBringsTheHiddenFirstToFrontAndEnds) {
    RecordingTool tool(kTag);
    driver::Process& first = tool.Start();
    HWND main = driver::WaitMainWindow(first.Id());
    ASSERT_NE(main, nullptr);
    ASSERT_FALSE(Visible(main));

    driver::Process& second = tool.Start();
    DWORD code = 1;
    ASSERT_TRUE(second.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(driver::WaitUntil([&] { return Visible(main); }));
    EXPECT_EQ(GetForegroundWindow(), main);
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(driver::TopLevelWindows(second.Id(), driver::kDialogClass).size(), 0u);
}

TEST(SingleInstance, LookAlikeWithAnotherTagIsSkipped) {
    LookAlikeWindow other(0x1111, LookAlikeWindow::Answer::DefaultZero);
    RecordingTool tool(kTag);
    driver::Process& process = tool.Start();
    EXPECT_NE(driver::WaitMainWindow(process.Id()), nullptr);
    EXPECT_TRUE(process.Running());
}

TEST(SingleInstance, TaggedWindowAnsweringZeroIsSkipped) {
    LookAlikeWindow other(kTagValue, LookAlikeWindow::Answer::DefaultZero);
    RecordingTool tool(kTag);
    driver::Process& process = tool.Start();
    EXPECT_NE(driver::WaitMainWindow(process.Id()), nullptr);
    EXPECT_TRUE(process.Running());
}

TEST(SingleInstance, TaggedWindowThatDoesNotAnswerEndsTheNewcomer) {
    LookAlikeWindow other(kTagValue, LookAlikeWindow::Answer::Hang);
    RecordingTool tool(kTag);
    driver::Process& process = tool.Start();
    ASSERT_TRUE(process.WaitExit(15000));
    EXPECT_EQ(e2e::Count(tool.Calls(), "CSP_SetMainWindow()"), 0u);
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        process = &tool.Start();
        main = driver::WaitMainWindow(process->Id());
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(driver::WaitUntil([&] { return Visible(main); }));
        // Start-up ends with the key listed.
        ASSERT_TRUE(
            driver::WaitUntil([&] { return driver::ItemText(main, 1001) == "演示UsbKey"; }));
    }

    RecordingTool tool{kOneKey};
    driver::Process* process = nullptr;
    HWND main = nullptr;
};

TEST_F(MainWindow, EnterRefreshesTheKeyListAndKeepsTheWindowOpen) {
    const size_t refreshes = e2e::Count(tool.Calls(), "CSP_GetUsbKeyLabel(7)");
    driver::PressKey(driver::FocusOf(main), VK_RETURN);
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return e2e::Count(tool.Calls(), "CSP_GetUsbKeyLabel(7)") == refreshes + 1; }));
    EXPECT_TRUE(Visible(main));
}

TEST_F(MainWindow, EscapeAndCloseOnlyHide) {
    driver::PressKey(driver::FocusOf(main), VK_ESCAPE);
    EXPECT_TRUE(driver::WaitUntil([&] { return !Visible(main); }));

    DWORD_PTR answer = 0;
    SendMessageTimeoutA(main, kActivate, SW_SHOW, 0, SMTO_BLOCK, 5000, &answer);
    ASSERT_TRUE(driver::WaitUntil([&] { return Visible(main); }));
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(driver::WaitUntil([&] { return !Visible(main); }));
    driver::Sync(main);
    EXPECT_TRUE(process->Running());
    EXPECT_TRUE(IsWindow(main));
}

TEST_F(MainWindow, ActivateWithHideHidesAndAnswersMinusOne) {
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(main, kActivate, SW_HIDE, 0, SMTO_BLOCK, 5000, &answer));
    EXPECT_EQ(static_cast<LRESULT>(answer), -1);
    EXPECT_FALSE(Visible(main));
}

TEST_F(MainWindow, ExitMessageEndsTheProcessAndUnloadsCertificates) {
    PostMessageA(main, kExit, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(process->WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(tool.Calls().back(), "CSP_UnloadIECert()");
}

}  // namespace
