// The password and label pages on virtual keys, driven as a person does: changes, refusals,
// the last-try question, the library's prompts, what typed passwords leave behind (the log, the
// report, the registry), and the keyboard walk through the pages.
#include "tests/e2e/PagesDriver.h"

namespace {

constexpr int kOld = IDC_OLD_PASSWORD, kNew = IDC_NEW_PASSWORD, kRepeat = IDC_REPEAT_PASSWORD;
const std::string kPass = e2e::kPassword;
constexpr char kInitialPrompt[] = "修改UsbKey初始密码";

class PasswordPage : public e2e::PagesTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(keys.AddKey("k", "真Key"));
        Open("真Key", 1, kOld);
    }
    // The box's caption, icon and text, then the edits, after a change asked for by the
    // button or by Enter in an edit.
    std::string Change(const std::string& oldPassword, const std::string& newPassword,
                       int enterIn = 0) {
        Type(kOld, oldPassword), Type(kNew, newPassword), Type(kRepeat, newPassword);
        enterIn ? driver::PressKey(Item(enterIn), VK_RETURN)
                : driver::Click(Item(IDC_CHANGE_PASSWORD));
        const driver::MessageBoxInfo box = Box();
        return box.caption + " " + std::to_string(box.icon) + " " + box.text + " [" + Text(kOld) +
               "|" + Text(kNew) + "|" + Text(kRepeat) + "]";
    }
};

TEST_F(PasswordPage, ChangesTheKeyTakesAndAWrongOldPassword) {
    const std::string done = "UsbKey提示 64 修改密码完成！ [||]";  // 64: MB_ICONINFORMATION
    EXPECT_EQ(Change(kPass, "Next-2026x"), done);
    EXPECT_EQ(
        Change(kPass, "Third-2026"),  // 16: MB_ICONERROR
        "UsbKey提示 16 用户密码不正确！还有5次可试机会。 [" + kPass + "|Third-2026|Third-2026]");
    EXPECT_EQ(Change("Next-2026x", kPass, kRepeat), done);
}

TEST_F(PasswordPage, EditsTakeSixteenBytesAShortPasswordIsRefusedAndEscIsForwarded) {
    // After a letter, the eighth of nine Chinese characters would be the 17th byte.
    const std::string nine = "密码密码密码密码密";
    for (int id : {kOld, kNew, kRepeat}) EXPECT_EQ(Type(id, "a" + nine), "a" + nine.substr(0, 14));
    EXPECT_EQ(Change(kPass, "abcdefg"), "提示 48 用户密码不可少于8位！ [" + kPass + "||]");
    // Wine may leave the foreground to the desktop as the box goes: click back into the window.
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return SetForegroundWindow(main) && driver::FocusOf(main) == Item(kNew); }));
    EXPECT_EQ(Calls().find("CSP_ChangePassword"), std::string::npos);

    driver::PressKey(Item(kNew), VK_ESCAPE);
    EXPECT_TRUE(driver::WaitUntil([&] { return !driver::Visible(main); }));
    // The window hides on the key-down; the key-up is forwarded after that.
    EXPECT_TRUE(driver::WaitUntil([&] {
        const std::vector<std::string> posted = keys.ShellCalls();
        return e2e::Count(posted, "PostMessageW(top-level,WM_KEYDOWN,0x1B,0x10001)") == 1 &&
               e2e::Count(posted, "PostMessageW(top-level,WM_KEYUP,0x1B,0xC0010001)") == 1;
    }));
}

using LabelPage = e2e::PagesTest;

TEST_F(LabelPage, LabelChangeThroughThePromptCancelledThenAnswered) {
    ASSERT_TRUE(keys.AddKey("a", "第一个Key") && keys.AddKey("b", "旧标签"));
    Open("第一个Key", 2, IDC_LABEL);
    HWND list = GetDlgItem(main, IDC_KEYS);
    SendMessageA(list, CB_SETCURSEL, 1, 0);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_KEYS, CBN_SELCHANGE), LPARAM(list));
    ASSERT_EQ(driver::ItemText(main, IDC_KEYS) + Type(IDC_LABEL, "新标签"), "旧标签新标签");

    // Cancelled: nothing written, nothing said.
    driver::Click(Item(IDC_CHANGE_LABEL));
    AnswerPrompt(kPass, IDCANCEL);
    EXPECT_EQ(Box(IDOK, 1000).text, "");
    EXPECT_EQ(Calls().find("CSP_SetUsbKeyLabel"), std::string::npos) << Calls();
    EXPECT_NE(Calls().find("CSP_VerifyPassword("), std::string::npos) << Calls();

    // Answered, asked for by Enter in the edit: the refreshed list shows the new label with the
    // first key selected.
    driver::PressKey(Item(IDC_LABEL), VK_RETURN);
    AnswerPrompt(kPass, IDOK);
    const std::vector<std::string> labels = {"第一个Key", "新标签"};
    EXPECT_TRUE(driver::WaitUntil([&] { return driver::ComboItems(list) == labels; }));
    EXPECT_EQ(driver::ItemText(main, IDC_KEYS), "第一个Key");
    EXPECT_EQ(Box(IDOK, 1000).text, "");
}

// What the question's answers do, and that a key plugged in again starts afresh, are the
// last-try rule's and the tries record's own; here, the page asks it, with No as the default.
TEST_F(LabelPage, OneTryLeftAsksBeforeThePromptWithNoAsTheDefault) {
    ASSERT_TRUE(keys.AddKey("a", "标签Key"));
    ASSERT_EQ(keys.Admin({"set", "a", "--tries-left", "2"}), 0);
    Open("标签Key", 2, IDC_LABEL);
    Type(IDC_LABEL, "新标签");
    driver::Click(Item(IDC_CHANGE_LABEL));
    AnswerPrompt("Wrong-2026", IDOK);
    EXPECT_EQ(Box().text, "用户密码不正确！还有1次可试机会。");

    driver::Click(Item(IDC_CHANGE_LABEL));
    driver::MessageBoxInfo question;
    ASSERT_TRUE(driver::WaitMessageBox(pid, &question, {main}));
    EXPECT_EQ(question.caption + " " + std::to_string(question.icon) + " " + question.text,
              "提示 48 这是最后一次输入机会，如果密码错误，UsbKey将被锁死。是否继续？");
    EXPECT_EQ(GetDlgCtrlID(driver::FocusOf(question.hwnd)), IDNO);
    ASSERT_TRUE(driver::Press(question.hwnd, IDNO) && driver::Sync(main));
    EXPECT_TRUE(driver::Dialogs(pid, e2e::kVerifyPrompt).empty());
    EXPECT_EQ(e2e::Count(keys.Calls(), "CSP_VerifyPassword(1,1,null)"), 1u);
}

// Tab walks the main window, the tab strip and the visible page; Ctrl+Tab and its kin switch
// pages (which key goes where is the dialog keys' own rule).
class Keyboard : public e2e::PagesTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(keys.AddKey("k", "键盘"));
        Open("键盘", 0, IDC_CERT_TREE);
        ASSERT_TRUE(driver::WaitUntil([&] { return SetForegroundWindow(main) != FALSE; }));
    }
    HWND Tabs() const { return GetDlgItem(main, IDC_TAB); }
    int Selected() const { return static_cast<int>(SendMessageA(Tabs(), TCM_GETCURSEL, 0, 0)); }
    // The id of the control that has the focus once a pressed key has moved it away.
    int FocusAfter(const std::vector<UINT>& chord) {
        HWND before = driver::FocusOf(main);
        driver::PressChord(main, chord);
        driver::WaitUntil([&] { return driver::FocusOf(main) != before; });
        return GetDlgCtrlID(driver::FocusOf(main));
    }
    // The visible pages among the tab control's children, by a control each holds.
    std::vector<int> VisiblePages() const {
        std::vector<int> shown;
        for (HWND child = GetWindow(Tabs(), GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (!driver::Visible(child)) continue;
            for (int id : {IDC_CERT_TREE, IDC_OLD_PASSWORD, IDC_LABEL}) {
                if (GetDlgItem(child, id)) shown.push_back(id);
            }
        }
        return shown;
    }
};

TEST_F(Keyboard, TabWalksOneCycleAndCtrlTabAndItsKinSwitchPagesTakingTheFocusOffTheHiddenOne) {
    for (int i = 0; i < 12 && GetDlgCtrlID(driver::FocusOf(main)) != IDC_KEYS; ++i) {
        FocusAfter({VK_TAB});
    }
    ASSERT_EQ(GetDlgCtrlID(driver::FocusOf(main)), IDC_KEYS);
    std::vector<int> forward;
    for (int i = 0; i < 7; ++i) forward.push_back(FocusAfter({VK_TAB}));
    // Nothing is selected in the tree, so viewing and deleting are not offered; the walk back
    // is the tab order's own rule.
    EXPECT_EQ(forward, (std::vector<int>{IDC_TAB, IDC_CERT_TREE, IDC_CERT_DOWNLOAD, IDC_SYS_CHECK,
                                         IDC_REFRESH, IDC_KEYS, IDC_TAB}));
    ASSERT_EQ(FocusAfter({VK_TAB}), IDC_CERT_TREE);
    const struct {
        std::vector<UINT> chord;
        int tab;
        int page;
    } steps[] = {
        {{VK_CONTROL, VK_TAB}, 1, IDC_OLD_PASSWORD},
        {{VK_CONTROL, VK_NEXT}, 2, IDC_LABEL},
        {{VK_CONTROL, VK_SHIFT, VK_TAB}, 1, IDC_OLD_PASSWORD},
    };
    for (const auto& step : steps) {
        driver::PressChord(main, step.chord);
        EXPECT_TRUE(driver::WaitUntil([&] { return Selected() == step.tab; })) << step.tab;
        EXPECT_EQ(VisiblePages(), std::vector<int>{step.page});
        // The focus left the certificate page for the tab strip as it was hidden.
        EXPECT_EQ(driver::FocusOf(main), Tabs());
    }
    EXPECT_EQ(FocusAfter({VK_TAB}), IDC_OLD_PASSWORD);
}

// Passwords typed into the pages and the key library's prompts must not reach the log, the
// diagnostics report or the registry.
class Secrets : public e2e::PagesTest {
protected:
    // ukeyctl and reg.exe run on the test's keys and log as the program does.
    int Run(const std::string& command) const {
        return driver::Run(command,
                           {{"KEYLIB_STORE", keys.Store()}, {"LOCALAPPDATA", keys.Home()}});
    }
    driver::TempDir files;
};

TEST_F(Secrets, TypedPasswordsReachNeitherLogNorReportNorRegistry) {
    const std::vector<std::string> passwords = {kPass, "Zx-Second-72", "Zx-Third-733",
                                                "Zx-Wrong-744", "Zx-Fifth-766"};
    ASSERT_TRUE(keys.AddKey("k", "秘密Key", {"--status", "2", "--initial"}));
    const std::string ukeyctl = "\"" + e2e::BinDir() + "\\ukeyctl.exe\" ";

    // ukeyctl's registration meets the initial password: the key library's prompt asks.
    const driver::Process registration(
        ukeyctl + "register", {{"KEYLIB_STORE", keys.Store()}, {"LOCALAPPDATA", keys.Home()}});
    AnswerPrompt(kInitialPrompt, {passwords[0], passwords[1], passwords[1]}, IDOK);
    DWORD code = 1;
    ASSERT_TRUE(registration.WaitExit(30000, &code));
    EXPECT_EQ(code, 0u);

    // So does the program's start-up, for a second key.
    ASSERT_TRUE(keys.AddKey("k2", "Other", {"--status", "2", "--initial"}));
    process = &keys.StartRecorded();
    pid = process->Id();
    AnswerPrompt(kInitialPrompt, {passwords[0], passwords[4], passwords[4]}, IDOK);
    main = driver::WaitMainWindow(pid);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, IDC_KEYS) == "秘密Key"; }));

    // The password page: a wrong old password, then a change.
    ShowPage(1, IDC_OLD_PASSWORD);
    for (const std::string& old : {passwords[3], passwords[1]}) {
        Type(IDC_OLD_PASSWORD, old), Type(IDC_NEW_PASSWORD, passwords[2]);
        Type(IDC_REPEAT_PASSWORD, passwords[2]);
        driver::Click(Item(IDC_CHANGE_PASSWORD));
        ASSERT_NE(Box().text, "");
    }
    // The label page: the verify prompt.
    ShowPage(2, IDC_LABEL);
    Type(IDC_LABEL, "新标签");
    driver::Click(Item(IDC_CHANGE_LABEL));
    AnswerPrompt(passwords[2], IDOK);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, IDC_KEYS) == "新标签"; }));
    Exit();

    ASSERT_EQ(Run(ukeyctl + "diag --out \"" + files.File("report.txt") + "\""), 0);
    ASSERT_EQ(Run(ukeyctl + "diag --json --out \"" + files.File("report.json") + "\""), 0);
    ASSERT_EQ(Run("reg.exe export HKCU \"" + files.File("hkcu.reg") + "\" /y"), 0);
    ASSERT_EQ(Run("reg.exe export HKLM\\Software \"" + files.File("hklm.reg") + "\" /y"), 0);

    const std::string log = driver::ReadFile(keys.LogFile());
    // The log did record the failures around the passwords, just not the passwords.
    EXPECT_NE(log.find("CSP_ChangePassword(slot 1) answered 0x000063C5"), std::string::npos) << log;
    const std::string searched[] = {log, driver::ReadFile(files.File("report.txt")),
                                    driver::ReadFile(files.File("report.json")),
                                    driver::ReadFile(files.File("hkcu.reg")),
                                    driver::ReadFile(files.File("hklm.reg"))};
    EXPECT_GT(searched[3].size(), 1000u);
    for (const std::string& password : passwords) {
        std::string utf16;
        for (char c : password) utf16 += std::string{c, '\0'};
        for (size_t i = 0; i < std::size(searched); ++i) {
            EXPECT_EQ(searched[i].find(password), std::string::npos) << password << " in " << i;
            EXPECT_EQ(searched[i].find(utf16), std::string::npos) << password << " in " << i;
        }
    }
}

}  // namespace
