// The label page on two virtual keys: a change through the library's prompt, cancelled, answered.
#include "tests/e2e/PagesDriver.h"

namespace {

using LabelPage = e2e::PagesTest;

TEST_F(LabelPage, LabelChangeThroughThePromptCancelledThenAnswered) {
    for (const char* key : {"a", "b"}) {
        const char* label = *key == 'a' ? "第一个Key" : "旧标签";
        ASSERT_EQ(keys.Admin({"create", key, "--label", label, "--password", "Start-2026"}), 0);
        ASSERT_EQ(keys.Admin({"plug", key}), 0);
    }
    Open("第一个Key", 2, IDC_LABEL);
    HWND list = GetDlgItem(main, IDC_KEYS);
    SendMessageA(list, CB_SETCURSEL, 1, 0);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_KEYS, CBN_SELCHANGE), LPARAM(list));
    ASSERT_EQ(driver::ItemText(main, IDC_KEYS) + Type(IDC_LABEL, "新标签"), "旧标签新标签");

    // Cancelled: nothing written, nothing said.
    driver::Click(Item(IDC_CHANGE_LABEL));
    AnswerPrompt("Start-2026", IDCANCEL);
    EXPECT_EQ(Box(IDOK, 1000).text, "");
    EXPECT_EQ(Calls().find("CSP_SetUsbKeyLabel"), std::string::npos) << Calls();
    EXPECT_NE(Calls().find("CSP_VerifyPassword("), std::string::npos) << Calls();

    // Answered: the refreshed list shows the new label with the first key selected.
    driver::Click(Item(IDC_CHANGE_LABEL));
    AnswerPrompt("Start-2026", IDOK);
    const std::vector<std::string> labels = {"第一个Key", "新标签"};
    EXPECT_TRUE(driver::WaitUntil([&] { return driver::ComboItems(list) == labels; }));
    EXPECT_EQ(driver::ItemText(main, IDC_KEYS), "第一个Key");
    EXPECT_EQ(Box(IDOK, 1000).text, "");
}

TEST_F(LabelPage, OneTryLeftAsksBeforeThePromptUntilTheKeyIsPluggedInAgain) {
    ASSERT_EQ(keys.Admin({"create", "a", "--label", "标签Key", "--password", "Start-2026"}), 0);
    ASSERT_EQ(keys.Admin({"set", "a", "--tries-left", "2"}), 0);
    ASSERT_EQ(keys.Admin({"plug", "a"}), 0);
    Open("标签Key", 2, IDC_LABEL);
    Type(IDC_LABEL, "新标签");
    driver::Click(Item(IDC_CHANGE_LABEL));
    AnswerPrompt("Wrong-2026", IDOK);
    EXPECT_EQ(Box().text, "用户密码不正确！还有1次可试机会。");

    driver::Click(Item(IDC_CHANGE_LABEL));
    const driver::MessageBoxInfo question = Box(IDNO);
    EXPECT_EQ(question.text, "这是最后一次输入机会，如果密码错误，UsbKey将被锁死。是否继续？");
    EXPECT_TRUE(driver::Sync(main));
    EXPECT_FALSE(driver::Visible(Dialog("验证UsbKey用户密码")));
    EXPECT_EQ(e2e::Count(keys.Calls(), "CSP_VerifyPassword(1,1,null)"), 1u);

    // Plugged in again, the key starts afresh: straight to the prompt.
    ASSERT_EQ(keys.Admin({"pull", "a"}), 0);
    ASSERT_EQ(keys.Admin({"plug", "a"}), 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::Enabled(Item(IDC_CHANGE_LABEL)); }));
    driver::Click(Item(IDC_CHANGE_LABEL));
    AnswerPrompt("Start-2026", IDOK);
    EXPECT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, IDC_KEYS) == "新标签"; }));
}

}  // namespace
