// The password page on a virtual key: changes, the edits' byte limit, a refusal, Esc.
#include "tests/e2e/PagesDriver.h"

namespace {

constexpr int kOld = IDC_OLD_PASSWORD, kNew = IDC_NEW_PASSWORD, kRepeat = IDC_REPEAT_PASSWORD;

class PasswordPage : public e2e::PagesTest {
protected:
    void SetUp() override {
        ASSERT_EQ(keys.Admin({"create", "k", "--label", "真Key", "--password", "Start-2026"}), 0);
        ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
        Open("真Key", 1, kOld);
    }
    // The box's caption, icon and text, then the edits, after a change.
    std::string Change(const std::string& oldPassword, const std::string& newPassword) {
        Type(kOld, oldPassword), Type(kNew, newPassword), Type(kRepeat, newPassword);
        driver::Click(Item(IDC_CHANGE_PASSWORD));
        const driver::MessageBoxInfo box = Box();
        return box.caption + " " + std::to_string(box.icon) + " " + box.text + " [" + Text(kOld) +
               "|" + Text(kNew) + "|" + Text(kRepeat) + "]";
    }
};

TEST_F(PasswordPage, ChangesTheKeyTakesAndAWrongOldPassword) {
    const std::string done = "UsbKey提示 64 修改密码完成！ [||]";  // 64: MB_ICONINFORMATION
    EXPECT_EQ(Change("Start-2026", "Next-2026x"), done);
    EXPECT_EQ(Change("Start-2026", "Third-2026"),  // 16: MB_ICONERROR
              "UsbKey提示 16 用户密码不正确！还有5次可试机会。 [Start-2026|Third-2026|Third-2026]");
    EXPECT_EQ(Change("Next-2026x", "Start-2026"), done);
}

TEST_F(PasswordPage, OneTryLeftAsksBeforeTheNextChangeAndTheRightPasswordForgets) {
    ASSERT_EQ(keys.Admin({"set", "k", "--tries-left", "3"}), 0);
    const std::string wrong = "UsbKey提示 16 用户密码不正确！还有";
    const std::string typed = "次可试机会。 [Wrong-2026|Next-2026x|Next-2026x]";
    EXPECT_EQ(Change("Wrong-2026", "Next-2026x"), wrong + "2" + typed);  // not asked before
    EXPECT_EQ(Change("Wrong-2026", "Next-2026x"), wrong + "1" + typed);

    // No, also the default button, stops before the key library.
    driver::Click(Item(IDC_CHANGE_PASSWORD));
    driver::MessageBoxInfo question;
    ASSERT_TRUE(driver::WaitMessageBox(pid, &question, {main}));
    EXPECT_EQ(question.caption + " " + std::to_string(question.icon) + " " + question.text,
              "提示 48 这是最后一次输入机会，如果密码错误，UsbKey将被锁死。是否继续？");
    EXPECT_EQ(GetDlgCtrlID(driver::FocusOf(question.hwnd)), IDNO);
    ASSERT_TRUE(driver::Press(question.hwnd, IDNO) && driver::Sync(main));
    EXPECT_EQ(Box(IDOK, 100).text, "");
    EXPECT_EQ(e2e::Count(keys.Calls(), "CSP_ChangePassword(1,1,\"Wrong-2026\",\"Next-2026x\")"),
              2u);

    // Yes goes on as always; the right password forgets the count.
    Type(kOld, "Start-2026");
    driver::Click(Item(IDC_CHANGE_PASSWORD));
    EXPECT_EQ(Box(IDYES).text, question.text);
    EXPECT_EQ(Box().text, "修改密码完成！");
    EXPECT_EQ(Change("Next-2026x", "Start-2026"), "UsbKey提示 64 修改密码完成！ [||]");
}

TEST_F(PasswordPage, EditsTakeSixteenBytesAShortPasswordIsRefusedAndEscIsForwarded) {
    // Nine Chinese characters are 18 bytes: the ninth does not fit, nor after a letter the eighth.
    const std::string nine = "密码密码密码密码密";
    for (int id : {kOld, kNew, kRepeat}) {
        EXPECT_EQ(Type(id, "abcdefghijklmnopq") + Type(id, nine) + Type(id, "a" + nine),
                  "abcdefghijklmnop" + nine.substr(0, 16) + "a" + nine.substr(0, 14));
    }
    EXPECT_EQ(Change("Start-2026", "abcdefg"), "提示 48 用户密码不可少于8位！ [Start-2026||]");
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

}  // namespace
