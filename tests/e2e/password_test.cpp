// The password tab typed into as a person does: every refusal of the policy,
// every answer of the key library, the edits' limit and the page's keys; then
// real changes of a virtual key's password.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/PagesDriver.h"
#include "tests/e2e/RecordingTool.h"
#include "tests/e2e/VirtualKeys.h"

namespace {

using driver::ItemText;

constexpr int kOld = 1003;
constexpr int kNew = 1004;
constexpr int kRepeat = 1005;
constexpr int kChange = 1011;
constexpr char kTooShort[] = "用户密码不可少于8位！";
constexpr char kLocked[] = "用户密码被锁死。";

// The password page of a running program, selected and ready for typing.
class PasswordPage {
public:
    bool Open(driver::Process& process, const std::string& label) {
        pid = process.Id();
        main = driver::WaitMainWindow(pid);
        if (!main) return false;
        // Start-up is over once the key is listed.
        if (!driver::WaitUntil([&] { return ItemText(main, 1001) == label; })) return false;
        page = e2e::FindPage(main, kOld);
        return page && e2e::SelectTab(main, e2e::kPasswordTab, page) && e2e::Activate(main);
    }

    HWND Item(int id) const { return GetDlgItem(page, id); }
    std::string Text(int id) const { return ItemText(page, id); }

    bool Fill(const std::string& oldPassword, const std::string& newPassword,
              const std::string& repeatPassword) const {
        return e2e::Fill(Item(kOld), oldPassword) && e2e::Fill(Item(kNew), newPassword) &&
               e2e::Fill(Item(kRepeat), repeatPassword);
    }

    // Presses the change button and closes the box it shows, whose content
    // goes to box.
    bool Change(driver::MessageBoxInfo* box) const {
        driver::Click(Item(kChange));
        if (!driver::WaitMessageBox(pid, box, {main})) return false;
        return driver::Press(box->hwnd, IDOK);
    }

    // Waits for the focus to reach the control: closing a box hands it back.
    // Without a window manager Wine may give the foreground to the desktop as
    // a box goes; the person then clicks back into the window, which puts the
    // focus back where the window lost it.
    bool FocusIn(int id) const {
        return driver::WaitUntil(
            [&] {
                if (GetForegroundWindow() != main) SetForegroundWindow(main);
                return driver::FocusOf(main) == Item(id);
            },
            3000);
    }

    DWORD pid = 0;
    HWND main = nullptr;
    HWND page = nullptr;
};

struct Row {
    const char* name;
    std::string oldPassword, newPassword, repeatPassword;
    std::string text;
    std::string leftOld, leftNew, leftRepeat;  // the edits after the box
    int focus;
};

const std::string kOneKey = "slots 7\nlabel 7 演示UsbKey\nstatus 7 2\n";

class PasswordRules : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(page.Open(tool.Start(), "演示UsbKey")); }

    void Check(const Row& row) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(page.Fill(row.oldPassword, row.newPassword, row.repeatPassword));
        driver::MessageBoxInfo box;
        ASSERT_TRUE(page.Change(&box));
        EXPECT_EQ(box.caption, "提示");
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(box.text, row.text);
        EXPECT_EQ(page.Text(kOld), row.leftOld);
        EXPECT_EQ(page.Text(kNew), row.leftNew);
        EXPECT_EQ(page.Text(kRepeat), row.leftRepeat);
        EXPECT_TRUE(page.FocusIn(row.focus));
    }

    e2e::RecordingTool tool{kOneKey};
    PasswordPage page;
};

TEST_F(PasswordRules, EachRefusalWithItsEditsAndFocus) {
    const Row rows[] = {
        {"old of 7 bytes", "abcdefg", "abcdefgh", "abcdefgh", kTooShort, "", "", "", kOld},
        {"new of 7 bytes", "oldpass1", "abcdefg", "abcdefg", kTooShort, "oldpass1", "", "", kNew},
        {"repeat of 7 bytes", "oldpass1", "abcdefgh", "abcdefg", kTooShort, "oldpass1", "abcdefgh",
         "", kRepeat},
        {"new and repeat differ", "oldpass1", "abcdefgh", "abcdefgi", "两次输入的新密码应相同！",
         "", "", "", kNew},
        {"ascending run", "oldpass1", "12345678", "12345678", "密码太简单, 请重新输入新的密码!", "",
         "", "", kOld},
        {"across digit runs", "oldpass1", "0000000011111111", "0000000011111111",
         "密码太简单, 请重新输入新的密码!", "", "", "", kOld},
    };
    for (const Row& row : rows) Check(row);
    for (const std::string& call : tool.Calls()) {
        EXPECT_EQ(call.rfind("CSP_ChangePassword", 0), std::string::npos) << call;
    }
}

TEST_F(PasswordRules, EachEditTakesSixteenBytes) {
    // Nine Chinese characters are eighteen bytes: the ninth does not fit, and
    // after one ASCII byte the eighth would be split, so it does not fit either.
    const std::string nine = "密码密码密码密码密";
    for (int id : {kOld, kNew, kRepeat}) {
        driver::Type(page.Item(id), "abcdefghijklmnopq");
        EXPECT_EQ(page.Text(id), "abcdefghijklmnop") << id;
        SendMessageA(page.Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        driver::Type(page.Item(id), nine);
        EXPECT_EQ(page.Text(id), nine.substr(0, 16)) << id;
        SendMessageA(page.Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        driver::Type(page.Item(id), "a" + nine);
        EXPECT_EQ(page.Text(id), "a" + nine.substr(0, 14)) << id;
    }
}

TEST_F(PasswordRules, EnterInAnEditDoesNothing) {
    ASSERT_TRUE(page.Fill("oldpass1", "13572468", "13572468"));
    const size_t calls = tool.Calls().size();
    driver::PressKey(page.Item(kRepeat), VK_RETURN);
    ASSERT_TRUE(e2e::SettleEdit(page.Item(kRepeat)));
    driver::Sync(page.main);

    EXPECT_TRUE(e2e::MessageBoxes(page.pid).empty());
    EXPECT_EQ(tool.Calls().size(), calls) << "neither a change nor a refresh";
    EXPECT_EQ(page.Text(kOld), "oldpass1");
    EXPECT_EQ(page.Text(kRepeat), "13572468");
    EXPECT_TRUE(driver::Visible(page.main));
    EXPECT_TRUE(driver::Visible(page.page));
}

TEST_F(PasswordRules, OtherKeysWorkAsInAnyDialog) {
    ASSERT_TRUE(page.Fill("abcdefg", "abcdefgh", "abcdefgh"));
    // A click puts the focus into the old-password edit; Tab walks on.
    PostMessageA(page.Item(kOld), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(page.Item(kOld), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    ASSERT_TRUE(page.FocusIn(kOld));
    for (int next : {kNew, kRepeat, kChange}) {
        driver::PressKey(driver::FocusOf(page.main), VK_TAB);
        ASSERT_TRUE(page.FocusIn(next)) << next;
    }
    // Enter on the button presses it.
    driver::PressKey(page.Item(kChange), VK_RETURN);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitMessageBox(page.pid, &box, {page.main}));
    EXPECT_EQ(box.text, kTooShort);
    EXPECT_TRUE(driver::Press(box.hwnd, IDOK));
}

TEST_F(PasswordRules, EscapeInAnEditHidesTheMainWindowAndLeavesThePage) {
    ASSERT_TRUE(page.Fill("oldpass1", "13572468", "13572468"));
    driver::PressKey(page.Item(kNew), VK_ESCAPE);
    EXPECT_TRUE(driver::WaitUntil([&] { return !driver::Visible(page.main); }));
    driver::Sync(page.main);
    // Both halves of the key press reach the main window, each posted by the page.
    const auto posted = tool.ShellCalls();
    const auto forwarded = [&](const char* message) {
        return std::count_if(posted.begin(), posted.end(), [&](const std::string& call) {
            return call.rfind(std::string("PostMessageA(top-level,") + message + ",0x1B,", 0) == 0;
        });
    };
    EXPECT_EQ(forwarded("WM_KEYDOWN"), 1);
    EXPECT_EQ(forwarded("WM_KEYUP"), 1);
    // Hidden with its window, not by itself: the page keeps its own visibility and text.
    EXPECT_TRUE(GetWindowLongA(page.page, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(page.Text(kNew), "13572468");
    EXPECT_TRUE(IsWindow(page.main));
}

class PasswordResults : public ::testing::Test {
protected:
    // The key library answers the changes in this order.
    e2e::RecordingTool tool{
        kOneKey + "result CSP_ChangePassword 0 0x63C3 0x63CF 0x63C0 0x6983 1 0x63D1 0 0\n"};
    PasswordPage page;
};

TEST_F(PasswordResults, EachAnswerOfTheKeyLibrary) {
    ASSERT_TRUE(page.Open(tool.Start(), "演示UsbKey"));
    const struct {
        std::string newPassword;
        UINT icon;
        std::string text;
        bool cleared;
    } rows[] = {
        {"13572468", MB_ICONINFORMATION, "修改密码完成！", true},
        {"1234567a", MB_ICONERROR, "用户密码不正确！还有3次可试机会。", false},
        {"abcdefgh", MB_ICONERROR, "用户密码不正确！还有15次可试机会。", false},
        {"abcdefgh", MB_ICONERROR, kLocked, false},
        {"abcdefgh", MB_ICONERROR, kLocked, false},
        {"abcdefgh", MB_ICONERROR, "UsbKey错误!", false},
        {"abcdefgh", MB_ICONERROR, "UsbKey错误!", false},
        // Four Chinese characters are eight bytes, enough.
        {"网上银行", MB_ICONINFORMATION, "修改密码完成！", true},
        // Sixteen bytes of Chinese reach the key library whole.
        {"网上银行网上银行", MB_ICONINFORMATION, "修改密码完成！", true},
    };
    const size_t refreshes = e2e::Count(tool.Calls(), "CSP_GetSlotList(array)");
    std::vector<std::string> expectedCalls;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        ASSERT_TRUE(page.Fill("oldpass1", row.newPassword, row.newPassword));
        driver::MessageBoxInfo box;
        ASSERT_TRUE(page.Change(&box));
        EXPECT_EQ(box.caption, "UsbKey提示");
        EXPECT_EQ(box.icon, row.icon);
        EXPECT_EQ(box.text, row.text);
        const std::string left = row.cleared ? "" : row.newPassword;
        EXPECT_EQ(page.Text(kOld), row.cleared ? "" : "oldpass1");
        EXPECT_EQ(page.Text(kNew), left);
        EXPECT_EQ(page.Text(kRepeat), left);
        // The button took the focus when it was clicked, and keeps it.
        EXPECT_TRUE(page.FocusIn(kChange));
        expectedCalls.push_back("CSP_ChangePassword(7,1,\"oldpass1\",\"" + row.newPassword + "\")");
    }
    std::vector<std::string> changes;
    for (const std::string& call : tool.Calls()) {
        if (call.rfind("CSP_ChangePassword", 0) == 0) changes.push_back(call);
    }
    EXPECT_EQ(changes, expectedCalls);
    // Nothing else of the window changes: the key list is not read again.
    EXPECT_EQ(e2e::Count(tool.Calls(), "CSP_GetSlotList(array)"), refreshes);
    EXPECT_EQ(ItemText(page.main, 1001), "演示UsbKey");
}

// A virtual key with the real key library.
class RealKey : public ::testing::Test {
protected:
    void Plug(const std::string& password, int tries) {
        ASSERT_EQ(keys.Admin({"create", "k", "--label", "真Key", "--password", password, "--tries",
                              std::to_string(tries)}),
                  0);
        ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
        ASSERT_TRUE(page.Open(keys.Start(), "真Key"));
    }

    std::string Change(const std::string& oldPassword, const std::string& newPassword) {
        driver::MessageBoxInfo box;
        if (!page.Fill(oldPassword, newPassword, newPassword) || !page.Change(&box)) return "-";
        return box.text;
    }

    e2e::VirtualKeys keys;
    PasswordPage page;
};

TEST_F(RealKey, ChangedPasswordIsTheOneTheKeyTakes) {
    Plug("Start-2026", 6);
    EXPECT_EQ(Change("Start-2026", "Next-2026x"), "修改密码完成！");
    // The old password is wrong now and costs a try; the new one is right and
    // refills the tries.
    EXPECT_EQ(Change("Start-2026", "Third-2026"), "用户密码不正确！还有5次可试机会。");
    EXPECT_EQ(Change("Next-2026x", "Start-2026"), "修改密码完成！");
    EXPECT_EQ(Change("Next-2026x", "Third-2026"), "用户密码不正确！还有5次可试机会。");
}

TEST_F(RealKey, WrongOldPasswordsCountDownToTheLock) {
    Plug("Start-2026", 3);
    EXPECT_EQ(Change("Wrong-2026", "Next-2026x"), "用户密码不正确！还有2次可试机会。");
    EXPECT_EQ(Change("Wrong-2026", "Next-2026x"), "用户密码不正确！还有1次可试机会。");
    EXPECT_EQ(Change("Wrong-2026", "Next-2026x"), kLocked);
    EXPECT_EQ(Change("Start-2026", "Next-2026x"), kLocked) << "even the right one";
}

}  // namespace
