// The label tab: every outcome of a label change with the recording key
// library, the edit's limit, the refreshed selector, and the real library's
// password prompt answered, cancelled and refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/PagesDriver.h"
#include "tests/e2e/RecordingTool.h"
#include "tests/e2e/VirtualKeys.h"

namespace {

using driver::ItemText;

constexpr int kKeys = 1001;
constexpr int kLabel = 1002;
constexpr int kChange = 1015;
constexpr char kPromptCaption[] = "验证UsbKey用户密码";
constexpr int kPromptPassword = 1201;
constexpr char kLockedOrError[] = "用户密码被锁死,或者读取UsbKey错误!";

// The label page of a running program, selected and ready for typing.
class LabelPage {
public:
    bool Open(driver::Process& process, const std::string& firstLabel) {
        pid = process.Id();
        main = driver::WaitMainWindow(pid);
        if (!main) return false;
        // Start-up is over once the key is listed.
        if (!driver::WaitUntil([&] { return ItemText(main, kKeys) == firstLabel; })) return false;
        page = e2e::FindPage(main, kLabel);
        return page && e2e::SelectTab(main, e2e::kLabelTab, page) && e2e::Activate(main);
    }

    HWND Edit() const { return GetDlgItem(page, kLabel); }
    HWND Button() const { return GetDlgItem(page, kChange); }
    HWND Keys() const { return GetDlgItem(main, kKeys); }

    // Presses the button and closes the box the page shows; its content goes to box.
    bool ChangeWithBox(driver::MessageBoxInfo* box) const {
        driver::Click(Button());
        if (!driver::WaitMessageBox(pid, box, {main})) return false;
        return driver::Press(box->hwnd, IDOK);
    }

    // Presses the button and expects the change to end without any box.
    bool ChangeSilently() const {
        return e2e::ClickAndWait(Button()) && e2e::MessageBoxes(pid).empty();
    }

    DWORD pid = 0;
    HWND main = nullptr;
    HWND page = nullptr;
};

const std::string kTwoKeys =
    "slots 7 9\nlabel 7 演示UsbKey\nlabel 9 第二个Key\nstatus 7 2\nstatus 9 2\n";

class LabelOutcomes : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(page.Open(tool.Start(), "演示UsbKey")); }

    // The key-library calls made since the mark.
    std::vector<std::string> CallsSince(size_t mark) const {
        const std::vector<std::string> all = tool.Calls();
        return std::vector<std::string>(all.begin() + std::min(mark, all.size()), all.end());
    }

    e2e::RecordingTool tool{kTwoKeys};
    LabelPage page;
};

TEST_F(LabelOutcomes, EmptyLabelDoesNothingAtAll) {
    const size_t mark = tool.Calls().size();
    EXPECT_TRUE(page.ChangeSilently());
    driver::Sync(page.main);
    EXPECT_EQ(CallsSince(mark), std::vector<std::string>{});
}

TEST_F(LabelOutcomes, EachFailureWithItsMessageAndTheCallsMade) {
    const std::string status = "CSP_GetSlotStatus(7)";
    const std::string verify = "CSP_VerifyPassword(7,1,null)";
    const std::string write = "CSP_SetUsbKeyLabel(7,\"新标签\")";
    const struct {
        const char* scenario;
        std::string text;  // empty: no box at all
        std::vector<std::string> calls;
    } rows[] = {
        {"result CSP_GetSlotStatus 1\n", "UsbKey错误", {status}},
        {"result CSP_VerifyPassword 0x80090020\n", "", {status, verify}},
        {"result CSP_VerifyPassword 0x63C2\n",
         "用户密码不正确！还有2次可试机会。",
         {status, verify}},
        {"result CSP_VerifyPassword 0x63C0\n", kLockedOrError, {status, verify}},
        {"result CSP_VerifyPassword 0x6983\n", kLockedOrError, {status, verify}},
        {"result CSP_VerifyPassword 1\n", kLockedOrError, {status, verify}},
        {"result CSP_SetUsbKeyLabel 1\n", "更改标签时出错!", {status, verify, write}},
    };
    ASSERT_TRUE(e2e::Fill(page.Edit(), "新标签"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        tool.SetScenario(kTwoKeys + row.scenario);
        const size_t mark = tool.Calls().size();
        if (row.text.empty()) {
            EXPECT_TRUE(page.ChangeSilently());
        } else {
            driver::MessageBoxInfo box;
            ASSERT_TRUE(page.ChangeWithBox(&box));
            EXPECT_EQ(box.caption, "提示");
            EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONWARNING));
            EXPECT_EQ(box.text, row.text);
        }
        driver::Sync(page.main);
        // Nothing else, the refresh included.
        EXPECT_EQ(CallsSince(mark), row.calls);
        EXPECT_EQ(ItemText(page.page, kLabel), "新标签");
    }
}

TEST_F(LabelOutcomes, StatusDecidesWhetherThePasswordIsChecked) {
    const struct {
        const char* status;
        std::vector<std::string> calls;
    } rows[] = {
        {"status 7 4\n", {"CSP_GetSlotStatus(7)", "CSP_SetUsbKeyLabel(7,\"新标签\")"}},
        {"status 7 0\n",
         {"CSP_GetSlotStatus(7)", "CSP_VerifyPassword(7,1,null)",
          "CSP_SetUsbKeyLabel(7,\"新标签\")"}},
        {"status 7 3\n",
         {"CSP_GetSlotStatus(7)", "CSP_VerifyPassword(7,1,null)",
          "CSP_SetUsbKeyLabel(7,\"新标签\")"}},
    };
    ASSERT_TRUE(e2e::Fill(page.Edit(), "新标签"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        tool.SetScenario(std::string("slots 7 9\nlabel 7 新标签\nlabel 9 第二个Key\n") +
                         row.status);
        const size_t mark = tool.Calls().size();
        ASSERT_TRUE(page.ChangeSilently());
        // The refresh that the change posts to the main window follows it.
        ASSERT_TRUE(driver::WaitUntil(
            [&] { return e2e::Count(CallsSince(mark), "CSP_GetUsbKeyLabel(9)") == 1; }));
        // The rest of the refresh has run once the window answers again.
        driver::Sync(page.main);
        const std::vector<std::string> calls = CallsSince(mark);
        EXPECT_EQ(e2e::Head(calls, row.calls.size()), row.calls);
        ASSERT_GT(calls.size(), row.calls.size());
        EXPECT_EQ(calls[row.calls.size()], "CSP_GetSlotList(array)");
    }
}

TEST_F(LabelOutcomes, SuccessListsTheNewLabelWithTheFirstKeySelected) {
    // The second key is picked, so the page works on slot 9.
    SendMessageA(page.Keys(), CB_SETCURSEL, 1, 0);
    SendMessageA(page.main, WM_COMMAND, MAKEWPARAM(kKeys, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(page.Keys()));
    ASSERT_EQ(ItemText(page.main, kKeys), "第二个Key");
    ASSERT_TRUE(e2e::Fill(page.Edit(), "新标签"));
    // The recording library keeps no labels: the scenario has the key's new one.
    tool.SetScenario("slots 7 9\nlabel 7 演示UsbKey\nlabel 9 新标签\n");
    ASSERT_TRUE(page.ChangeSilently());

    EXPECT_TRUE(driver::WaitUntil([&] {
        return driver::ComboItems(page.Keys()) == std::vector<std::string>{"演示UsbKey", "新标签"};
    }));
    EXPECT_EQ(e2e::ComboSelection(page.Keys()), 0);
    EXPECT_EQ(ItemText(page.main, kKeys), "演示UsbKey");
    EXPECT_EQ(ItemText(page.page, kLabel), "新标签");
    EXPECT_EQ(e2e::Count(tool.Calls(), "CSP_SetUsbKeyLabel(9,\"新标签\")"), 1u);
    // The refresh came as the refresh button's click, posted to the main window.
    EXPECT_EQ(e2e::Count(tool.ShellCalls(), "PostMessageA(top-level,WM_COMMAND,0x3F8,0x0)"), 1u);
}

TEST_F(LabelOutcomes, LabelIsWrittenExactlyAsTyped) {
    // One space is not empty; fifteen bytes of Chinese and a letter fill the edit.
    for (const std::string label : {" ", "七个汉字七个字a", " 标签 "}) {
        ASSERT_TRUE(e2e::Fill(page.Edit(), label));
        ASSERT_TRUE(page.ChangeSilently());
        EXPECT_EQ(e2e::Count(tool.Calls(), "CSP_SetUsbKeyLabel(7,\"" + label + "\")"), 1u) << label;
    }
}

TEST_F(LabelOutcomes, EditTakesFifteenBytes) {
    driver::Type(page.Edit(), "abcdefghijklmnop");
    EXPECT_EQ(ItemText(page.page, kLabel), "abcdefghijklmno");
    // Eight Chinese characters are sixteen bytes: the eighth is not taken whole
    // nor in half.
    SendMessageA(page.Edit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    driver::Type(page.Edit(), "标签标签标签标签");
    EXPECT_EQ(ItemText(page.page, kLabel), "标签标签标签标");
}

// Virtual keys with the real key library and its password prompt.
class RealLabel : public ::testing::Test {
protected:
    void Plug(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> create = {"create", "k",          "--label",
                                           "旧标签", "--password", "Start-2026"};
        create.insert(create.end(), extra.begin(), extra.end());
        ASSERT_EQ(keys.Admin(create), 0);
        ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
        ASSERT_TRUE(page.Open(keys.Start(), "旧标签"));
        ASSERT_TRUE(e2e::Fill(page.Edit(), "新标签"));
    }

    // Answers the library's prompt with the password, or cancels it.
    void AnswerPrompt(const std::string& password, int button) {
        HWND prompt = e2e::WaitDialog(page.pid, kPromptCaption);
        ASSERT_NE(prompt, nullptr);
        SendMessageA(GetDlgItem(prompt, kPromptPassword), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(password.c_str()));
        ASSERT_TRUE(driver::Press(prompt, button));
    }

    e2e::VirtualKeys keys;
    LabelPage page;
};

TEST_F(RealLabel, RightPasswordInThePromptWritesTheLabel) {
    Plug();
    driver::Click(page.Button());
    AnswerPrompt("Start-2026", IDOK);
    EXPECT_TRUE(driver::WaitUntil([&] { return ItemText(page.main, kKeys) == "新标签"; }));
    EXPECT_TRUE(e2e::MessageBoxes(page.pid).empty());
}

TEST_F(RealLabel, CancelledPromptChangesNothingAndSaysNothing) {
    Plug();
    driver::Click(page.Button());
    AnswerPrompt("Start-2026", IDCANCEL);
    driver::Sync(page.main);
    EXPECT_TRUE(e2e::MessageBoxes(page.pid).empty());
    PostMessageA(page.main, WM_COMMAND, MAKEWPARAM(1016, BN_CLICKED), 0);
    driver::Sync(page.main);
    EXPECT_EQ(ItemText(page.main, kKeys), "旧标签");
}

TEST_F(RealLabel, WrongPasswordInThePromptTellsTheTriesLeft) {
    Plug();
    driver::Click(page.Button());
    AnswerPrompt("Wrong-2026", IDOK);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitMessageBox(page.pid, &box, {page.main}));
    EXPECT_EQ(box.text, "用户密码不正确！还有5次可试机会。");
    EXPECT_EQ(box.caption, "提示");
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONWARNING));
}

TEST_F(RealLabel, LockedKeyIsNotAskedAndSaysLockedOrError) {
    Plug({"--tries", "3"});
    ASSERT_EQ(keys.Admin({"set", "k", "--tries-left", "0"}), 0);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(page.ChangeWithBox(&box));
    EXPECT_EQ(box.text, kLockedOrError);
    EXPECT_EQ(e2e::WaitDialog(page.pid, kPromptCaption, 0), nullptr);
}

TEST_F(RealLabel, StatusFourWritesWithoutAsking) {
    Plug({"--status", "4"});
    ASSERT_TRUE(page.ChangeSilently());
    EXPECT_TRUE(driver::WaitUntil([&] { return ItemText(page.main, kKeys) == "新标签"; }));
}

}  // namespace
