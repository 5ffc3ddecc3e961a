// The dialog framework under Wine: modal loops and their owners, ending from
// a sent message, nested modal dialogs, pre-translation up through parents,
// the default button across child pages and modeless creation, each recorded
// and compared with a sequence table. Which window Wine activates, and when it
// shows one, is Wine's own order: the tables leave it out.
#include <windows.h>
// windows.h must come first.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "framework/App.h"
#include "framework/Dialog.h"
#include "log/Log.h"
#include "tests/framework/TestDialogs.h"
#include "tests/sequence/Sequence.h"

namespace {

enum class Role { Main, Modal, Inner, Outer, Page };

// What the test dialogs record beside the messages they receive.
constexpr UINT kPreTranslate = 0x10001;  // wParam: the key
constexpr UINT kOnOK = 0x10002;
constexpr UINT kOnCancel = 0x10003;
constexpr UINT kReturned = 0x10004;  // wParam: the answer of DoModal
constexpr UINT kEnd = WM_APP + 1;    // ends the dialog with wParam
constexpr UINT kStep = WM_APP + 2;

struct Event {
    UINT message;
    Role window;
    WPARAM wParam;
    bool sent;  // sent from another thread
};

enum Flags : unsigned { kWParam = 1, kSent = 2 };

struct Msg {
    UINT message;
    Role window;
    unsigned flags = 0;
    WPARAM wParam = 0;
};

std::vector<Event> g_log;

void Record(UINT message, Role window, WPARAM wParam = 0) {
    g_log.push_back({message, window, wParam, InSendMessage() != FALSE});
}

bool Matches(const Msg& expected, const Event& got) {
    return expected.message == got.message && expected.window == got.window &&
           (!(expected.flags & kWParam) || expected.wParam == got.wParam) &&
           (!(expected.flags & kSent) || got.sent);
}
bool IsOptional(const Msg&) { return false; }

std::string Name(UINT message) {
    static const std::pair<UINT, const char*> names[] = {
        {WM_CREATE, "WM_CREATE"},         {WM_DESTROY, "WM_DESTROY"},      {WM_ENABLE, "WM_ENABLE"},
        {WM_INITDIALOG, "WM_INITDIALOG"}, {kPreTranslate, "PreTranslate"}, {kOnOK, "OnOK"},
        {kOnCancel, "OnCancel"},          {kReturned, "DoModal returned"}, {kEnd, "end request"}};
    for (const auto& [number, name] : names) {
        if (number == message) return name;
    }
    return "message " + std::to_string(message);
}
std::string Name(Role role) {
    static const char* const names[] = {"main", "modal", "inner", "outer", "page"};
    return names[static_cast<int>(role)];
}
std::string Describe(const Msg& expected) {
    return Name(expected.message) + " to " + Name(expected.window) +
           ((expected.flags & kWParam) ? ", wParam " + std::to_string(expected.wParam) : "") +
           ((expected.flags & kSent) ? ", sent" : "");
}
std::string Describe(const Event& got) {
    return Name(got.message) + " to " + Name(got.window) + ", wParam " +
           std::to_string(got.wParam) + (got.sent ? ", sent" : "");
}

// A dialog that records its messages and framework calls, and runs test
// steps one after another from posted messages once it is first shown.
class Recorded : public fw::Dialog {
public:
    Recorded(UINT templateId, Role role) : fw::Dialog(templateId, nullptr), m_role(role) {}

    std::vector<std::function<void()>> steps;
    std::function<void()> onInit;
    WPARAM swallowedKey = 0;  // pre-translation takes this key for itself
    bool recordKeys = true;

    INT_PTR RunModal() {
        const INT_PTR result = DoModal();
        Record(kReturned, m_role, static_cast<WPARAM>(result));
        return result;
    }

    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message != WM_KEYDOWN) return fw::Dialog::PreTranslateMessage(msg);
        if (recordKeys) Record(kPreTranslate, m_role, msg->wParam);
        return msg->wParam == swallowedKey ? TRUE : fw::Dialog::PreTranslateMessage(msg);
    }

protected:
    const fw::MessageMap* GetMessageMap() const override {
        static const fw::MessageMapEntry entries[] = {
            fw::OnNumber<&Recorded::Note<WM_CREATE>>(WM_CREATE),
            fw::OnNumber<&Recorded::Note<WM_ENABLE>>(WM_ENABLE),
            fw::OnNumber<&Recorded::Note<WM_DESTROY>>(WM_DESTROY),
            fw::OnNumber<&Recorded::OnShowWindow>(WM_SHOWWINDOW),
            fw::OnNumber<&Recorded::OnEnd>(kEnd),
            fw::On<&Recorded::OnStep>(kStep),
        };
        static const fw::MessageMap map(fw::Dialog::GetMessageMap(), entries);
        return &map;
    }
    BOOL OnInitDialog() override {
        Record(WM_INITDIALOG, m_role);
        fw::Dialog::OnInitDialog();
        if (onInit) onInit();
        return TRUE;
    }
    void OnOK() override {
        Record(kOnOK, m_role);
        fw::Dialog::OnOK();
    }
    void OnCancel() override {
        Record(kOnCancel, m_role);
        fw::Dialog::OnCancel();
    }

private:
    template <UINT Message>
    LRESULT Note(UINT wp) {
        Record(Message, m_role, wp);
        return Default();
    }
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
        Record(kEnd, m_role, result);
        EndDialog(static_cast<int>(result));
        return 0;
    }

    Role m_role;
    bool m_started = false;
    size_t m_next = 0;
};

class TestApp : public fw::App {
public:
    BOOL InitInstance() override { return FALSE; }
};
TestApp g_app;

POINT CentreOf(const RECT& rect) {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}
RECT RectOf(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}
// Centred up to the rounding of an odd difference in size.
void ExpectCentredOver(HWND hwnd, const RECT& area) {
    const POINT got = CentreOf(RectOf(hwnd));
    const POINT want = CentreOf(area);
    EXPECT_LE(std::abs(got.x - want.x), 1) << got.x << " " << want.x;
    EXPECT_LE(std::abs(got.y - want.y), 1) << got.y << " " << want.y;
}

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

// Ends a modal loop that did not end by itself, so that such a fault fails
// the test instead of hanging it.
class Watchdog {
public:
    Watchdog() : m_done(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Watchdog() {
        Disarm();
        CloseHandle(m_done);
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void Arm(std::function<void()> rescue) {
        m_thread = std::thread([this, rescue] {
            if (WaitForSingleObject(m_done, 10000) != WAIT_OBJECT_0) {
                m_rescued = true;
                rescue();
            }
        });
    }
    // True when the loop had to be rescued.
    bool Disarm() {
        SetEvent(m_done);
        if (m_thread.joinable()) m_thread.join();
        return m_rescued;
    }

private:
    HANDLE m_done;
    std::thread m_thread;
    std::atomic<bool> m_rescued{false};
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

    Recorded mainWindow{IDD_TEST_MAIN, Role::Main};
};

TEST_F(Framework, ModalWithoutParentIsOwnedByTheMainWindowDisabledWhileItRuns) {
    OpenMain();
    Recorded modal(IDD_TEST_MODAL, Role::Modal);
    modal.steps = {[&] {
        EXPECT_EQ(GetWindow(modal.m_hWnd, GW_OWNER), mainWindow.m_hWnd);
        EXPECT_FALSE(IsWindowEnabled(mainWindow.m_hWnd));
        ExpectCentredOver(modal.m_hWnd, RectOf(mainWindow.m_hWnd));
        SendMessageA(modal.m_hWnd, WM_COMMAND, IDOK, 0);
    }};
    EXPECT_EQ(modal.RunModal(), IDOK);
    const Msg expected[] = {
        {WM_ENABLE, Role::Main, kWParam, FALSE},
        {WM_CREATE, Role::Modal},
        {WM_INITDIALOG, Role::Modal},
        {kOnOK, Role::Modal},
        {WM_ENABLE, Role::Main, kWParam, TRUE},
        {WM_DESTROY, Role::Modal},
        {kReturned, Role::Modal, kWParam, IDOK},
    };
    seq::ExpectSequence(g_log, expected, "modal start and end");
    EXPECT_TRUE(IsWindowEnabled(mainWindow.m_hWnd));
    EXPECT_EQ(GetActiveWindow(), mainWindow.m_hWnd);
}

TEST_F(Framework, ModalOverAHiddenMainWindowOpensCentredOnTheWorkArea) {
    OpenMain();
    mainWindow.ShowWindow(SW_HIDE);
    Recorded modal(IDD_TEST_MODAL, Role::Modal);
    modal.steps = {[&] {
        EXPECT_EQ(GetWindow(modal.m_hWnd, GW_OWNER), mainWindow.m_hWnd);
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        ExpectCentredOver(modal.m_hWnd, work);
        SendMessageA(modal.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    }};
    EXPECT_EQ(modal.RunModal(), IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(mainWindow.m_hWnd));
    EXPECT_FALSE(IsWindowVisible(mainWindow.m_hWnd));
}

TEST_F(Framework, DialogEndedInAMessageSentFromAnotherThreadEndsItsLoop) {
    OpenMain();
    Recorded modal(IDD_TEST_MODAL, Role::Modal);
    Watchdog watchdog;
    std::thread sender;
    modal.steps = {[&] {
        g_log.clear();
        HWND hwnd = modal.m_hWnd;
        watchdog.Arm([hwnd] { PostMessageA(hwnd, WM_NULL, 0, 0); });
        sender = std::thread([hwnd] {
            DWORD_PTR answer = 0;
            SendMessageTimeoutA(hwnd, kEnd, IDOK, 0, SMTO_BLOCK, 10000, &answer);
        });
    }};
    EXPECT_EQ(modal.RunModal(), IDOK);
    EXPECT_FALSE(watchdog.Disarm());
    sender.join();
    const Msg expected[] = {
        {kEnd, Role::Modal, kWParam | kSent, IDOK},
        {WM_ENABLE, Role::Main, kWParam, TRUE},
        {WM_DESTROY, Role::Modal},
        {kReturned, Role::Modal, kWParam, IDOK},
    };
    seq::ExpectSequence(g_log, expected, "end from a sent message");
}

TEST_F(Framework, EndingADialogCancelsTheMessageBoxOpenOverIt) {
    OpenMain();
    Recorded modal(IDD_TEST_MODAL, Role::Modal);
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
    Recorded outer(IDD_TEST_MODAL, Role::Modal);
    Recorded inner(IDD_TEST_MODAL, Role::Inner);
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
    const Msg expected[] = {
        {WM_ENABLE, Role::Modal, kWParam, FALSE},
        {WM_CREATE, Role::Inner},
        {WM_INITDIALOG, Role::Inner},
        {kOnCancel, Role::Inner},
        {WM_ENABLE, Role::Modal, kWParam, TRUE},
        {WM_DESTROY, Role::Inner},
        {kReturned, Role::Inner, kWParam, IDCANCEL},
        {kOnOK, Role::Modal},
        {WM_ENABLE, Role::Main, kWParam, TRUE},
        {WM_DESTROY, Role::Modal},
        {kReturned, Role::Modal, kWParam, IDOK},
    };
    seq::ExpectSequence(g_log, expected, "nested modal");
}

TEST_F(Framework, EndingTheDialogUnderANestedOneEndsBoth) {
    OpenMain();
    Recorded outer(IDD_TEST_MODAL, Role::Modal);
    Recorded inner(IDD_TEST_MODAL, Role::Inner);
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
    const Msg expected[] = {
        {kEnd, Role::Modal, kWParam, IDOK},
        {WM_ENABLE, Role::Modal, kWParam, TRUE},
        {WM_DESTROY, Role::Inner},
        {kReturned, Role::Inner, kWParam, IDCANCEL},
        {WM_ENABLE, Role::Main, kWParam, TRUE},
        {WM_DESTROY, Role::Modal},
        {kReturned, Role::Modal, kWParam, IDOK},
    };
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

    Recorded outer{IDD_TEST_OUTER, Role::Outer};
    Recorded page{IDD_TEST_PAGE, Role::Page};
    Recorded hiddenPage{IDD_TEST_OTHER_PAGE, Role::Page};
};

TEST_F(Pages, PreTranslationRunsFromTheControlUpThroughItsParentsUntilTaken) {
    page.swallowedKey = VK_F6;
    std::vector<Event> seen;
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
    const Msg expected[] = {
        {kPreTranslate, Role::Page, kWParam, VK_TAB}, {kPreTranslate, Role::Outer, kWParam, VK_TAB},
        {kPreTranslate, Role::Page, kWParam, VK_F6},  {kPreTranslate, Role::Page, kWParam, VK_F5},
        {kPreTranslate, Role::Outer, kWParam, VK_F7}, {kPreTranslate, Role::Outer, kWParam, VK_F8},
    };
    seq::ExpectSequence(seen, expected, "pre-translation");
}

// The order of the Tab walk is the tab order's own rule; here, the default look it moves.
TEST_F(Pages, TabToAButtonOutsideThePageTakesThePageButtonsDefaultLookAway) {
    outer.recordKeys = page.recordKeys = false;
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

TEST_F(Framework, ModelessChildSeesItsCreationAndStaysHidden) {
    ASSERT_TRUE(mainWindow.Create(IDD_TEST_MAIN, nullptr));
    g_log.clear();
    Recorded page(IDD_TEST_PAGE, Role::Page);
    ASSERT_TRUE(page.Create(IDD_TEST_PAGE, mainWindow.m_hWnd));
    const Msg expected[] = {{WM_CREATE, Role::Page}, {WM_INITDIALOG, Role::Page}};
    seq::ExpectSequence(g_log, expected, "modeless creation");
    EXPECT_EQ(fw::Dialog::FromHandle(page.m_hWnd), &page);
    EXPECT_EQ(GetParent(page.m_hWnd), mainWindow.m_hWnd);
    EXPECT_FALSE(IsWindowVisible(page.m_hWnd));
}

TEST_F(Framework, MissingTemplateIsLoggedMakesNoWindowAndLeavesTheOwnerEnabled) {
    OpenMain();
    const auto FailuresLogged = [] {
        const std::string log = ReadWholeFile(LogFilePath());
        const std::string line = "CreateDialogParamW(template 99) failed: error ";
        size_t count = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) {
            ++count;
        }
        return count;
    };
    const size_t loggedBefore = FailuresLogged();
    Recorded missing(IDD_TEST_MISSING, Role::Modal);
    EXPECT_FALSE(missing.Create(IDD_TEST_MISSING, mainWindow.m_hWnd));
    EXPECT_EQ(missing.m_hWnd, nullptr);
    EXPECT_EQ(missing.DoModal(), -1);
    const Msg expected[] = {{WM_ENABLE, Role::Main, kWParam, FALSE},
                            {WM_ENABLE, Role::Main, kWParam, TRUE}};
    seq::ExpectSequence(g_log, expected, "failed creation");
    EXPECT_TRUE(IsWindowEnabled(mainWindow.m_hWnd));
    // The second failure, the same line again, is only counted by the log.
    EXPECT_EQ(FailuresLogged(), loggedBefore + 1);
}

}  // namespace
