// Passwords typed into the pages and the key library's prompts must not reach
// the log, the diagnostics report or the registry.
#include <memory>
#include <vector>

#include "app/Messages.h"
#include "tests/e2e/PagesDriver.h"

namespace {

const std::vector<std::string> kPasswords = {"Zx-Initial-71", "Zx-Second-72", "Zx-Third-733",
                                             "Zx-Wrong-744",  "Zx-Other-755", "Zx-Fifth-766"};

std::string Utf16(const std::string& ascii) {
    std::string wide;
    for (char c : ascii) wide += std::string{c, '\0'};
    return wide;
}

class Secrets : public e2e::PagesTest {
protected:
    void ShowPage(int tab, int control) {
        HWND tabs = GetDlgItem(main, IDC_TAB);
        page = nullptr;
        while ((page = FindWindowExA(tabs, page, driver::kDialogClass, nullptr)) &&
               !Item(control)) {
        }
        SendMessageA(tabs, TCM_SETCURFOCUS, tab, 0);
        ASSERT_TRUE(page && driver::WaitUntil([&] { return driver::Visible(page); }));
    }
    std::unique_ptr<driver::Process> Start(const std::string& command) const {
        return std::make_unique<driver::Process>(
            command, std::map<std::string, std::string>{{"KEYLIB_STORE", keys.Store()},
                                                        {"LOCALAPPDATA", keys.Home()}});
    }
    int Run(const std::string& command) const {
        DWORD code = 1;
        return Start(command)->WaitExit(60000, &code) ? static_cast<int>(code) : -1;
    }
    // The key library's initial-password prompt, answered.
    static void AnswerInitialPrompt(const std::string& initial, const std::string& next) {
        HWND prompt = nullptr;
        ASSERT_TRUE(driver::WaitUntil([&] {
            prompt = Dialog("修改UsbKey初始密码");
            return driver::Visible(prompt);
        }));
        driver::Type(GetDlgItem(prompt, 1201), initial);
        driver::Type(GetDlgItem(prompt, 1202), next);
        driver::Type(GetDlgItem(prompt, 1203), next);
        ASSERT_TRUE(driver::Press(prompt, IDOK));
    }

    driver::TempDir files;
};

TEST_F(Secrets, TypedPasswordsReachNeitherLogNorReportNorRegistry) {
    ASSERT_EQ(keys.Admin({"create", "k", "--label", "秘密Key", "--password", kPasswords[0],
                          "--status", "2", "--initial"}),
              0);
    ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
    const std::string ukeyctl = "\"" + e2e::BinDir() + "\\ukeyctl.exe\" ";

    // ukeyctl's registration meets the initial password: the key library's prompt asks.
    const auto registration = Start(ukeyctl + "register");
    AnswerInitialPrompt(kPasswords[0], kPasswords[1]);
    DWORD code = 1;
    ASSERT_TRUE(registration->WaitExit(30000, &code));
    EXPECT_EQ(code, 0u);

    // So does the program's start-up, for a second key.
    ASSERT_EQ(keys.Admin({"create", "k2", "--label", "Other", "--password", kPasswords[4],
                          "--status", "2", "--initial"}),
              0);
    ASSERT_EQ(keys.Admin({"plug", "k2"}), 0);
    pid = keys.StartRecorded().Id();
    AnswerInitialPrompt(kPasswords[4], kPasswords[5]);
    main = driver::WaitMainWindow(pid);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, IDC_KEYS) == "秘密Key"; }));

    // The password page: a wrong old password, then a change.
    ShowPage(1, IDC_OLD_PASSWORD);
    for (const std::string& old : {kPasswords[3], kPasswords[1]}) {
        Type(IDC_OLD_PASSWORD, old), Type(IDC_NEW_PASSWORD, kPasswords[2]);
        Type(IDC_REPEAT_PASSWORD, kPasswords[2]);
        driver::Click(Item(IDC_CHANGE_PASSWORD));
        ASSERT_NE(Box().text, "");
    }
    // The label page: the verify prompt.
    ShowPage(2, IDC_LABEL);
    Type(IDC_LABEL, "新标签");
    driver::Click(Item(IDC_CHANGE_LABEL));
    AnswerPrompt(kPasswords[2], IDOK);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, IDC_KEYS) == "新标签"; }));
    PostMessageA(main, WM_KEYTOOL_EXIT, 0, 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(main); }));

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
    for (const std::string& password : kPasswords) {
        for (size_t i = 0; i < std::size(searched); ++i) {
            EXPECT_EQ(searched[i].find(password), std::string::npos) << password << " in " << i;
            EXPECT_EQ(searched[i].find(Utf16(password)), std::string::npos)
                << password << " in " << i;
        }
    }
}

}  // namespace
