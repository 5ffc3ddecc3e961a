// The dialog framework under Wine: modal loops and their owners, ending from
// a sent message, nested modal dialogs, pre-translation up through parents and
// the default button across child pages, each recorded and compared with a
// sequence table. Which window Wine activates, and when it
// shows one, is Wine's own order: the tables leave it out.
#include <windows.h>
// windows.h must come first.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/App.h"
#include "framework/Dialog.h"
#include "tests/framework/TestDialogs.h"
#include "tests/sequence/Sequence.h"

namespace {

constexpr UINT kEnd = WM_APP + 1;  // ends the dialog with wParam
constexpr UINT kStep = WM_APP + 2;

// What the test dialogs record: "WM_ENABLE main 0", "OnOK modal", "returned modal 1" (the answer
// of DoModal), "end modal 1 sent" (an end request sent from another thread).
std::vector<std::string> g_log;

// A dialog that records its messages and framework calls, and runs test
// steps one after another from posted messages once it is first shown.
class Recorded : public fw::Dialog {
public:
    Recorded(UINT templateId, const char* name) : fw::Dialog(templateId, nullptr), m_name(name) {}

    std::vector<std::function<void()>> steps;
    std::function<void()> onInit;
    WPARAM swallowedKey = 0;  // pre-translation takes this key for itself

    INT_PTR RunModal() {
        const INT_PTR result = DoModal();
        Record("returned", std::to_string(result));
        return result;
    }

    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message != WM_KEYDOWN) return fw::Dialog::PreTranslateMessage(msg);
        Record("PreTranslate", std::to_string(msg->wParam));
        return msg->wParam == swallowedKey ? TRUE : fw::Dialog::PreTranslateMessage(msg);
    }

protected:
    const fw::MessageMap* GetMessageMap() const override {
        static const fw::MessageMapEntry entries[] = {
            fw::OnNumber<&Recorded::OnCreate>(WM_CREATE),
            fw::OnNumber<&Recorded::OnEnable>(WM_ENABLE),
            fw::OnNumber<&Recorded::OnDestroy>(WM_DESTROY),
            fw::OnNumber<&Recorded::OnShowWindow>(WM_SHOWWINDOW),
            fw::OnNumber<&Recorded::OnEnd>(kEnd),
            fw::On<&Recorded::OnStep>(kStep),
        };
        static const fw::MessageMap map(fw::Dialog::GetMessageMap(), entries);
        return &map;
    }
    BOOL OnInitDialog() override {
        Record("WM_INITDIALOG");
        fw::Dialog::OnInitDialog();
        if (onInit) onInit();
        return TRUE;
    }
    void OnOK() override {
        Record("OnOK");
        fw::Dialog::OnOK();
    }
    void OnCancel() override {
        Record("OnCancel");
        fw::Dialog::OnCancel();
    }

private:
    void Record(const std::string& what, const std::string& detail = "") const {
        g_log.push_back(what + " " + m_name + (detail.empty() ? "" : " " + detail));
    }
    LRESULT OnCreate(UINT) { return Record("WM_CREATE"), Default(); }
    LRESULT OnEnable(UINT enabled) {
        return Record("WM_ENABLE", std::to_string(enabled)), Default();
    }
    LRESULT OnDestroy(UINT) { return Record("WM_DESTROY"), Default(); }
    LRESULT OnShowWindow(UINT shown) {
        if (shown && !m_started && !steps.empty()) {
            m_started = true;
            ::PostMessageA(m_hWnd, kStep, 0, 0);
        }
        return Default();
    }
    LRESULT OnStep() {
        const std::function<void()> step = steps[m_next++];
        step();
        if (m_next < steps.size()) ::PostMessageA(m_hWnd, kStep, 0, 0);
        return 0;
    }
    LRESULT OnEnd(UINT result) {
        Record("end", std::to_string(result) + (InSendMessage() ? " sent" : ""));
        EndDialog(static_cast<int>(result));
        return 0;
    }

    std::string m_name;
    bool m_started = false;
    size_t m_next = 0;
};

class TestApp : public fw::App {
public:
    BOOL InitInstance() override { return FALSE; }
};
TestApp g_app;

RECT RectOf(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}
// Centred up to the rounding of an odd difference in size.
void ExpectCentredOver(HWND hwnd, const RECT& area) {
    const RECT got = RectOf(hwnd);
    EXPECT_LE(std::abs(got.left + got.right - area.left - area.right), 1);
    EXPECT_LE(std::abs(got.top + got.bottom - area.top - area.bottom), 1);
}

// Ends a modal loop that did not end by itself, so that such a fault fails the test instead of
// hanging it: the rescue runs from a timer of the loop's thread, armed from a step.
class Watchdog {
public:
    void Arm(std::function<void()> rescue) {
        s_rescue = std::move(rescue);
        m_timer = SetTimer(nullptr, 0, 10000, &Rescue);
    }
    // True when the loop had to be rescued.
    bool Disarm() {
        KillTimer(nullptr, m_timer);
        return std::exchange(s_rescued, false);
    }

private:
    static void CALLBACK Rescue(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        s_rescued = true;
        s_rescue();
    }
    static inline std::function<void()> s_rescue;
    static inline bool s_rescued = false;
    UINT_PTR m_timer = 0;
};

class Framework : public ::testing::Test {
protected:
    void SetUp() override {
        InitCommonControls();
        g_log.clear();
    }
    void TearDown() override { g_app.m_pMainWnd = nullptr; }
    // A visible, active main window of the application.
    void OpenMain() {
        ASSERT_TRUE(mainWindow.Create(IDD_TEST_MAIN, nullptr));
        g_app.m_pMainWnd = &mainWindow;
        SetForegroundWindow(mainWindow.m_hWnd);
        SetActiveWindow(mainWindow.m_hWnd);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        g_log.clear();
    }

    Recorded mainWindow{IDD_TEST_MAIN, "main"};
};

// Centred over the main window, or over the work area while the main window is hidden.
TEST_F(Framework, ModalWithoutParentIsOwnedByTheMainWindowDisabledWhileItRuns) {
    OpenMain();
    const seq::Line expected[] = {"WM_ENABLE main 0", "WM_CREATE modal",  "WM_INITDIALOG modal",
                                  "OnOK modal",       "WM_ENABLE main 1", "WM_DESTROY modal",
                                  "returned modal 1"};
    for (const bool hidden : {false, true}) {
        if (hidden) mainWindow.ShowWindow(SW_HIDE);
        RECT over = RectOf(mainWindow.m_hWnd);
        if (hidden) SystemParametersInfoA(SPI_GETWORKAREA, 0, &over, 0);
        g_log.clear();
        Recorded modal(IDD_TEST_MODAL, "modal");
        modal.steps = {[&] {
            EXPECT_EQ(GetWindow(modal.m_hWnd, GW_OWNER), mainWindow.m_hWnd);
            EXPECT_FALSE(IsWindowEnabled(mainWindow.m_hWnd));
            ExpectCentredOver(modal.m_hWnd, over);
            SendMessageA(modal.m_hWnd, WM_COMMAND, IDOK, 0);
        }};
        EXPECT_EQ(modal.RunModal(), IDOK);
        seq::ExpectSequence(g_log, expected, hidden ? "over a hidden main window" : "modal");
        EXPECT_TRUE(IsWindowEnabled(mainWindow.m_hWnd));
        EXPECT_EQ(IsWindowVisible(mainWindow.m_hWnd), !hidden);
        if (!hidden) {
            EXPECT_EQ(GetActiveWindow(), mainWindow.m_hWnd);
        }
    }
}

TEST_F(Framework, EndingADialogCancelsTheMessageBoxOpenOverIt) {
    OpenMain();
    Recorded modal(IDD_TEST_MODAL, "modal");
    Watchdog watchdog;
    std::thread sender;
    int answer = 0;
    modal.steps = {[&] {
        HWND hwnd = modal.m_hWnd;
        watchdog.Arm([hwnd] { PostMessageA(fw::Window::FrontPopupOf(hwnd), WM_COMMAND, IDNO, 0); });
        // Another process asks the dialog to end while the box waits for an answer.
        sender = std::thread([hwnd] {
            for (int i = 0; i < 1000 && !fw::Window::OwnedPopupOf(hwnd); ++i) Sleep(10);
            DWORD_PTR result = 0;
            SendMessageTimeoutA(hwnd, kEnd, IDOK, 0, SMTO_BLOCK, 10000, &result);
        });
        answer = MessageBoxA(hwnd, "Delete?", "Box", MB_YESNO);
    }};
    EXPECT_EQ(modal.RunModal(), IDOK);
    EXPECT_FALSE(watchdog.Disarm());
    sender.join();
    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(mainWindow.m_hWnd));
}

TEST_F(Framework, NestedModalIsOwnedByTheDialogUnderItAndGivesItBack) {
    OpenMain();
    Recorded outer(IDD_TEST_MODAL, "modal");
    Recorded inner(IDD_TEST_MODAL, "inner");
    inner.steps = {[&] {
        EXPECT_EQ(GetWindow(inner.m_hWnd, GW_OWNER), outer.m_hWnd);
        EXPECT_FALSE(IsWindowEnabled(outer.m_hWnd));
        EXPECT_FALSE(IsWindowEnabled(mainWindow.m_hWnd));
        SendMessageA(inner.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    }};
    outer.steps = {[&] {
                       g_log.clear();
                       inner.RunModal();
                   },
                   [&] {
                       EXPECT_TRUE(IsWindowEnabled(outer.m_hWnd));
                       EXPECT_FALSE(IsWindowEnabled(mainWindow.m_hWnd));
                       EXPECT_EQ(GetActiveWindow(), outer.m_hWnd);
                       SendMessageA(outer.m_hWnd, WM_COMMAND, IDOK, 0);
                   }};
    EXPECT_EQ(outer.RunModal(), IDOK);
    const seq::Line expected[] = {"WM_ENABLE modal 0", "WM_CREATE inner",   "WM_INITDIALOG inner",
                                  "OnCancel inner",    "WM_ENABLE modal 1", "WM_DESTROY inner",
                                  "returned inner 2",  "OnOK modal",        "WM_ENABLE main 1",
                                  "WM_DESTROY modal",  "returned modal 1"};
    seq::ExpectSequence(g_log, expected, "nested modal");
}

TEST_F(Framework, EndingTheDialogUnderANestedOneEndsBoth) {
    OpenMain();
    Recorded outer(IDD_TEST_MODAL, "modal");
    Recorded inner(IDD_TEST_MODAL, "inner");
    Watchdog watchdog;
    inner.steps = {[&] {
        g_log.clear();
        HWND hwnd = inner.m_hWnd;
        watchdog.Arm([hwnd] { PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0); });
        SendMessageA(outer.m_hWnd, kEnd, IDOK, 0);
    }};
    outer.steps = {[&] { inner.RunModal(); }};
    EXPECT_EQ(outer.RunModal(), IDOK);
    EXPECT_FALSE(watchdog.Disarm());
    const seq::Line expected[] = {"end modal 1",      "WM_ENABLE modal 1", "WM_DESTROY inner",
                                  "returned inner 2", "WM_ENABLE main 1",  "WM_DESTROY modal",
                                  "returned modal 1"};
    seq::ExpectSequence(g_log, expected, "outer ended under a nested dialog");
    EXPECT_TRUE(IsWindowEnabled(mainWindow.m_hWnd));
}

// An outer dialog whose tab control holds a visible page and a hidden one.
class Pages : public Framework {
protected:
    Pages() {
        outer.onInit = [this] {
            HWND tabs = GetDlgItem(outer.m_hWnd, IDC_TEST_TABS);
            ASSERT_TRUE(page.Create(IDD_TEST_PAGE, tabs));
            ASSERT_TRUE(hiddenPage.Create(IDD_TEST_OTHER_PAGE, tabs));
            SetWindowPos(page.m_hWnd, nullptr, 2, 24, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            SetWindowPos(hiddenPage.m_hWnd, nullptr, 2, 24, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            page.ShowWindow(SW_SHOW);
        };
    }
    HWND Item(const fw::Dialog& dialog, int id) const { return GetDlgItem(dialog.m_hWnd, id); }

    Recorded outer{IDD_TEST_OUTER, "outer"};
    Recorded page{IDD_TEST_PAGE, "page"};
    Recorded hiddenPage{IDD_TEST_OTHER_PAGE, "page"};
};

TEST_F(Pages, PreTranslationRunsFromTheControlUpThroughItsParentsUntilTaken) {
    page.swallowedKey = VK_F6;
    std::vector<std::string> seen;
    outer.steps = {[&] {
                       g_log.clear();
                       // The page leaves Tab to the outer dialog, keeps its own key,
                       // and its dialog manager takes every other key of its controls.
                       PostMessageA(Item(page, IDC_TEST_EDIT), WM_KEYDOWN, VK_TAB, 0);
                       PostMessageA(Item(page, IDC_TEST_EDIT), WM_KEYDOWN, VK_F6, 0);
                       PostMessageA(Item(page, IDC_TEST_EDIT), WM_KEYDOWN, VK_F5, 0);
                       // The tab control is no dialog: the outer dialog is next.
                       PostMessageA(Item(outer, IDC_TEST_TABS), WM_KEYDOWN, VK_F7, 0);
                       PostMessageA(Item(outer, IDC_TEST_FIRST), WM_KEYDOWN, VK_F8, 0);
                   },
                   [&] {
                       seen = g_log;
                       outer.EndDialog(IDOK);
                   }};
    EXPECT_EQ(outer.RunModal(), IDOK);
    const auto key = [](const char* window, UINT key) {
        return seq::Line(std::string("PreTranslate ") + window + " " + std::to_string(key));
    };
    const seq::Line expected[] = {key("page", VK_TAB), key("outer", VK_TAB), key("page", VK_F6),
                                  key("page", VK_F5),  key("outer", VK_F7),  key("outer", VK_F8)};
    seq::ExpectSequence(seen, expected, "pre-translation");
}

// The order of the Tab walk is the tab order's own rule; here, the default look it moves.
TEST_F(Pages, TabToAButtonOutsideThePageTakesThePageButtonsDefaultLookAway) {
    const auto style = [&] {
        return GetWindowLongA(Item(page, IDC_TEST_PAGE_BUTTON), GWL_STYLE) & BS_TYPEMASK;
    };
    outer.steps = {[&] {
                       outer.GotoDlgCtrl(Item(page, IDC_TEST_PAGE_BUTTON));
                       EXPECT_EQ(style(), BS_DEFPUSHBUTTON);
                       PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
                   },
                   [&] {
                       EXPECT_EQ(GetFocus(), Item(outer, IDC_TEST_LAST));
                       EXPECT_EQ(style(), BS_PUSHBUTTON);
                       outer.EndDialog(IDOK);
                   }};
    EXPECT_EQ(outer.RunModal(), IDOK);
}

}  // namespace
