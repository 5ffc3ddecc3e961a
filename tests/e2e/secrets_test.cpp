// Passwords typed into the pages and the key library's prompts must not reach
// the log, the diagnostics report or the registry.
#include <vector>

#include "tests/e2e/PagesDriver.h"

namespace {

const std::vector<std::string> kPasswords = {"Zx-Initial-71", "Zx-Second-72", "Zx-Third-733",
                                             "Zx-Wrong-744"};

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
    int Run(const std::string& command) const {
        driver::Process process(command,
                                {{"KEYLIB_STORE", keys.Store()}, {"LOCALAPPDATA", keys.Home()}});
        DWORD code = 1;
        return process.WaitExit(60000, &code) ? static_cast<int>(code) : -1;
    }

    driver::TempDir files;
};

TEST_F(Secrets, TypedPasswordsReachNeitherLogNorReportNorRegistry) {
    ASSERT_EQ(keys.Admin({"create", "k", "--label", "秘密Key", "--password", kPasswords[0],
                          "--status", "2", "--initial"}),
              0);
    ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
    pid = keys.StartRecorded().Id();

    // Start-up meets the initial password: the key library's own prompt asks for a new one.
    HWND prompt = nullptr;
    ASSERT_TRUE(driver::WaitUntil([&] {
        prompt = Dialog("修改UsbKey初始密码");
        return driver::Visible(prompt);
    }));
    driver::Type(GetDlgItem(prompt, 1201), kPasswords[0]);
    driver::Type(GetDlgItem(prompt, 1202), kPasswords[1]);
    driver::Type(GetDlgItem(prompt, 1203), kPasswords[1]);
    ASSERT_TRUE(driver::Press(prompt, IDOK));
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
    PostMessageA(main, WM_USER + 1, 0, 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(main); }));

    const std::string ukeyctl = "\"" + e2e::BinDir() + "\\ukeyctl.exe\" diag --out ";
    ASSERT_EQ(Run(ukeyctl + "\"" + files.File("report.txt") + "\""), 0);
    ASSERT_EQ(Run(ukeyctl + "\"" + files.File("report.json") + "\" --json"), 0);
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
