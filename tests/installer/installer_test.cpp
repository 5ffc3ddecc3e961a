// The signed installer and MSI as an administrator, the logon and a user meet
// them, in a Wine prefix of its own: silent install, start at logon, refused
// downgrade, upgrade and uninstall while the tool and ukeyctl run, files held
// open by others. tests/installer/run.sh hands over the release packages and a
// lower version made from the same binaries, and the code page of the run.
#include <windows.h>
// windows.h must come first.
#include <msi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "app/Messages.h"
#include "keylib/KeyLib.h"
#include "tests/driver/Driver.h"
#include "tests/e2e/VirtualKeys.h"

namespace {

const char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QelmoraKeyTool";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "QelmoraKeyTool";
const char kUserKey[] = "Software\\Qelmora\\UsbKeyTool\\Reminders";
const std::string kInstallDir = "C:\\Program Files\\Qelmora\\UsbKeyTool";
const std::string kProgram = kInstallDir + "\\QelmoraKeyTool.exe";
const std::string kUkeyctl = kInstallDir + "\\ukeyctl.exe";
const char kMsiUpgradeCode[] = "{49263118-3F73-4128-8B9F-F8BE022CE1D8}";
const char kCertName[] = "Qelmora installer test";
constexpr int kRefused = 2;
constexpr DWORD kSetupTimeoutMs = 120000;

std::string Env(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length < sizeof value ? std::string(value, length) : std::string();
}

std::string Folder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string KeyStore() { return Folder(CSIDL_LOCAL_APPDATA) + "\\QelmoraKeys"; }
std::string Shortcut() {
    return Folder(CSIDL_COMMON_PROGRAMS) + "\\" + driver::kMainTitle + ".lnk";
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A value of HKEY_LOCAL_MACHINE as text (REG_SZ) or number (REG_DWORD); none when absent.
template <class T = std::string>
std::optional<T> RegValue(const char* key, const char* value) {
    char data[1024] = {};
    DWORD size = sizeof data;
    const DWORD type = std::is_same_v<T, DWORD> ? RRF_RT_REG_DWORD : RRF_RT_REG_SZ;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key, value, type, nullptr, data, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if constexpr (std::is_same_v<T, DWORD>)
        return *reinterpret_cast<const DWORD*>(data);
    else
        return std::string(data);
}

bool Installed() { return RegValue(kUninstallKey, "DisplayVersion").has_value(); }

// The product code of the installed MSI; empty when none is.
std::string MsiProduct() {
    char product[39] = {};
    return MsiEnumRelatedProductsA(kMsiUpgradeCode, 0, 0, product) == ERROR_SUCCESS ? product : "";
}
std::optional<std::string> MsiVersion() {
    const std::string key =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + MsiProduct();
    return MsiProduct().empty() ? std::nullopt : RegValue(key.c_str(), "DisplayVersion");
}

// The exit code of a set-up run to its end; -1 when it did not end.
int RunSetup(const std::string& setup, const std::string& options) {
    return driver::Run("\"" + setup + "\" " + options, {}, nullptr, kSetupTimeoutMs);
}

int RunMsi(const std::string& action, const std::string& package, const std::string& options) {
    return RunSetup("msiexec.exe", action + " \"" + package + "\" /qn " + options);
}

// Held open without sharing, as another program of another session might.
HANDLE Hold(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The quiet uninstaller hands over to a copy of itself and returns at once;
// done when the installation has gone.
bool RunQuietUninstall(const std::string& options) {
    const std::optional<std::string> command = RegValue(kUninstallKey, "QuietUninstallString");
    if (!command) return false;
    driver::Process process(*command + options);
    return process.WaitExit(kSetupTimeoutMs) &&
           driver::WaitUntil([] { return !Installed() && !Exists(kInstallDir); }, kSetupTimeoutMs);
}

std::string ShortcutTarget(const std::string& link) {
    std::string target;
    IShellLinkA* shell = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shell)))) {
        IPersistFile* file = nullptr;
        std::wstring wide(link.size(), L'\0');
        wide.resize(MultiByteToWideChar(CP_ACP, 0, link.data(), static_cast<int>(link.size()),
                                        wide.data(), static_cast<int>(wide.size())));
        char path[MAX_PATH] = {};
        if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
            SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
            SUCCEEDED(shell->GetPath(path, sizeof path, nullptr, 0))) {
            target = path;
        }
        if (file) file->Release();
        shell->Release();
    }
    return target;
}

ULONGLONG LastWrite(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

// Main windows of the tool, whoever started it, found by the title the tool sets.
std::vector<HWND> ToolWindows() {
    std::vector<HWND> windows;
    for (HWND hwnd = nullptr; (hwnd = FindWindowExW(nullptr, hwnd, KEYTOOL_MAIN_CLASS,
                                                    KEYTOOL_MAIN_TITLE)) != nullptr;) {
        if (GetWindowLongPtrW(hwnd, GWLP_USERDATA)) windows.push_back(hwnd);
    }
    return windows;
}

// The program that started the one tool running; empty unless exactly one runs. Under Wine
// every process has an elevated token, so the shell as the starter stands for "unelevated".
std::string StarterOfOneTool() {
    DWORD tool = 0;
    if (!driver::WaitUntil([] { return ToolWindows().size() == 1; }, 30000)) return "";
    GetWindowThreadProcessId(ToolWindows().front(), &tool);
    std::map<DWORD, PROCESSENTRY32> processes;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        processes[entry.th32ProcessID] = entry;
    }
    CloseHandle(snapshot);
    const auto parent = processes.find(processes[tool].th32ParentProcessID);
    return parent == processes.end() ? "" : parent->second.szExeFile;
}

// A tagged main window that never answers: this process's own, which waits for a set-up.
HWND HungTool() {
    HWND hung = CreateWindowExW(0, KEYTOOL_MAIN_CLASS, KEYTOOL_MAIN_TITLE, WS_POPUP, 0, 0, 10, 10,
                                nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(hung, GWLP_USERDATA, static_cast<LONG_PTR>(CSP_GetInstanceTag(0, 0)));
    return hung;
}

// Wine shows its stand-alone notification area while it holds an icon.
bool NotificationIconShown() {
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    return tray && IsWindowVisible(tray);
}

bool CertificateRegistered() { return driver::InMyStore(kCertName) != "absent"; }

class Installer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        ASSERT_EQ(std::to_string(GetACP()), Env("KEYTOOL_CODEPAGE"));
    }

    // A key in the user's own store that has a certificate the tool registers while it runs.
    void SetUp() override {
        ASSERT_FALSE(newMsi.empty() || oldMsi.empty()) << "run through tests/installer/run.sh";
        ASSERT_FALSE(Installed());
        if (Admin({"show", "inst"}) != 0) {
            const std::string der = e2e::SelfSignedCertificate(L"CN=Qelmora installer test");
            ASSERT_FALSE(der.empty());
            driver::TempDir files;
            driver::WriteFile(files.File("cert.der"), der);
            ASSERT_EQ(Admin({"create", "inst", "--label", "安装测试", "--password", "Pass-2026",
                             "--status", "2"}),
                      0);
            ASSERT_EQ(Admin({"cert", "inst", "Main", "1", files.File("cert.der")}), 0);
        }
    }
    void TearDown() override {
        for (HWND hwnd : ToolWindows()) PostMessageA(hwnd, WM_KEYTOOL_EXIT, 0, 0);
        driver::WaitUntil([] { return ToolWindows().empty(); }, 30000);
        if (Installed()) RunQuietUninstall("");
        if (!MsiProduct().empty()) RunMsi("/x", MsiProduct(), "");
    }

    int Admin(const std::vector<std::string>& arguments) {
        std::string command = "\"" + e2e::BinDir() + "\\keyadmin.exe\"";
        for (const std::string& argument : arguments) command += " \"" + argument + "\"";
        return driver::Run(command);
    }
    // Starts the installed tool with a key plugged in and waits until it has registered the
    // key's certificate.
    driver::Process& StartWithKey() {
        EXPECT_EQ(Admin({"plug", "inst"}), 0);
        tools.push_back(std::make_unique<driver::Process>("\"" + kProgram + "\""));
        EXPECT_NE(driver::WaitMainWindow(tools.back()->Id(), 30000), nullptr);
        EXPECT_TRUE(driver::WaitUntil(CertificateRegistered, 30000));
        return *tools.back();
    }
    // Starts the removal while the tool and ukeyctl (held suspended) run; with the tool ended
    // every file stays until ukeyctl has ended too.
    void RemoveWhileUkeyctlRuns(driver::Process& tool, const std::string& removal) {
        driver::Process ukeyctl("\"" + kUkeyctl + "\" list", {}, "", true);
        driver::Process remover(removal);
        EXPECT_TRUE(tool.WaitExit(30000));
        Sleep(2000);  // well into the removal's wait
        EXPECT_TRUE(Exists(kProgram) && Exists(kUkeyctl));
        ukeyctl.Resume();
        EXPECT_TRUE(ukeyctl.WaitExit(30000));
        EXPECT_TRUE(remover.WaitExit(kSetupTimeoutMs));
    }

    const std::string newSetup = Env("KEYTOOL_SETUP");
    const std::string oldSetup = Env("KEYTOOL_OLD_SETUP");
    const std::string newVersion = Env("KEYTOOL_VERSION");
    const std::string newMsi = Env("KEYTOOL_MSI");
    const std::string oldMsi = Env("KEYTOOL_OLD_MSI");
    std::vector<std::unique_ptr<driver::Process>> tools;
};

// The NSIS set-up's cases.
class Setup : public Installer {
protected:
    void SetUp() override {
        ASSERT_FALSE(newSetup.empty() || oldSetup.empty()) << "run through tests/installer/run.sh";
        Installer::SetUp();
    }
};

TEST_F(Setup, SilentInstallRegistersEverythingAndStartsAtLogonHidden) {
    Admin({"pull", "inst"});  // plugged in by an earlier test, or not
    ASSERT_EQ(RunSetup(newSetup, "/S"), 0);

    for (const char* file : {"QelmoraKeyTool.exe", "ukeyctl.exe", "DravikFun_tovex.dll",
                             "keyadmin.exe", "demo.key", "Uninstall.exe"}) {
        EXPECT_TRUE(Exists(kInstallDir + "\\" + file)) << file;
    }
    EXPECT_TRUE(Exists(KeyStore() + "\\demo.key"));
    EXPECT_EQ(ShortcutTarget(Shortcut()), kProgram);

    const std::string quoted = "\"" + kInstallDir + "\\Uninstall.exe\"";
    EXPECT_EQ(RegValue(kUninstallKey, "DisplayName"), std::string(driver::kMainTitle));
    EXPECT_EQ(RegValue(kUninstallKey, "DisplayVersion"), newVersion);
    EXPECT_EQ(RegValue(kUninstallKey, "Publisher"), std::string("Qelmora Bank"));
    EXPECT_EQ(RegValue(kUninstallKey, "DisplayIcon"), kProgram + ",0");
    EXPECT_EQ(RegValue(kUninstallKey, "InstallLocation"), kInstallDir);
    EXPECT_EQ(RegValue(kUninstallKey, "UninstallString"), quoted);
    EXPECT_EQ(RegValue(kUninstallKey, "QuietUninstallString"), quoted + " /S");
    EXPECT_EQ(RegValue<DWORD>(kUninstallKey, "NoModify"), 1u);
    EXPECT_EQ(RegValue<DWORD>(kUninstallKey, "NoRepair"), 1u);
    // In KB: the program and the two libraries alone take more than a megabyte.
    EXPECT_GT(RegValue<DWORD>(kUninstallKey, "EstimatedSize").value_or(0), 1024u);
    const std::optional<std::string> run = RegValue(kRunKey, kRunValue);
    ASSERT_EQ(run, "\"" + kProgram + "\"");

    // What the logon does: the tool starts hidden, with its icon in the notification area.
    ASSERT_TRUE(driver::WaitUntil([] { return !NotificationIconShown(); }));
    driver::Process atLogon(*run);
    HWND main = driver::WaitMainWindow(atLogon.Id(), 30000);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(driver::WaitUntil(NotificationIconShown));
    EXPECT_FALSE(driver::Visible(main));
    PostMessageA(main, WM_KEYTOOL_EXIT, 0, 0);
    EXPECT_TRUE(atLogon.WaitExit(30000));

    // A tool that never ends stops the set-up, unkilled.
    HWND hung = HungTool();
    EXPECT_EQ(RunSetup(newSetup, "/S"), kRefused);
    DestroyWindow(hung);
    EXPECT_TRUE(Exists(kProgram));

    // A file that cannot be removed: the uninstaller says so and stays, with its entry.
    HANDLE held = Hold(kUkeyctl);
    const std::string uninstaller = kInstallDir + "\\Uninstall.exe";
    EXPECT_EQ(RunSetup(uninstaller, "/S _?=" + kInstallDir), kRefused);
    CloseHandle(held);
    EXPECT_TRUE(Installed());
    EXPECT_TRUE(Exists(uninstaller));
}

TEST_F(Setup, DowngradeIsRefusedAndUninstallEndsTheToolButKeepsTheKeys) {
    ASSERT_EQ(RunSetup(newSetup, "/S"), 0);
    driver::Process& tool = StartWithKey();

    EXPECT_EQ(RunSetup(oldSetup, "/S"), kRefused);
    EXPECT_EQ(RegValue(kUninstallKey, "DisplayVersion"), newVersion);
    EXPECT_TRUE(tool.Running());

    // What the tool keeps for the user: its log, and reminder records like this one.
    const std::string userData = Folder(CSIDL_LOCAL_APPDATA) + "\\Qelmora\\UsbKeyTool";
    EXPECT_TRUE(Exists(userData + "\\keytool.log"));
    HKEY records = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kUserKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &records, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(records);

    // The tool ends through its exit message, ukeyctl is waited for.
    RemoveWhileUkeyctlRuns(tool, *RegValue(kUninstallKey, "QuietUninstallString"));
    ASSERT_TRUE(driver::WaitUntil([] { return !Installed(); }, kSetupTimeoutMs));
    DWORD code = 1;
    EXPECT_TRUE(tool.WaitExit(0, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(CertificateRegistered());  // the tool ended through its exit message
    EXPECT_FALSE(Exists(kInstallDir));
    EXPECT_FALSE(Exists("C:\\Program Files\\Qelmora"));
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_FALSE(RegValue(kRunKey, kRunValue).has_value());
    EXPECT_FALSE(Exists(userData));
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kUserKey, 0, KEY_READ, &records), ERROR_SUCCESS);
    EXPECT_TRUE(Exists(KeyStore() + "\\inst.key"));
    EXPECT_TRUE(Exists(KeyStore() + "\\demo.key"));
}

TEST_F(Setup, UpgradeReplacesTheRunningToolAndRemoveKeysTakesTheStore) {
    ASSERT_EQ(RunSetup(oldSetup, "/S /AUTOSTART=0"), 0);
    EXPECT_FALSE(RegValue(kRunKey, kRunValue).has_value());
    const ULONGLONG oldWrite = LastWrite(kProgram);
    driver::Process& old = StartWithKey();

    // A file held open: the old version stays whole, and its tool runs again, as the user.
    HANDLE held = Hold(kUkeyctl);
    EXPECT_EQ(RunSetup(newSetup, "/S"), kRefused);
    CloseHandle(held);
    EXPECT_EQ(RegValue(kUninstallKey, "DisplayVersion"), std::string("0.9.0"));
    EXPECT_EQ(LastWrite(kProgram), oldWrite);
    ASSERT_TRUE(driver::WaitUntil([] { return ToolWindows().size() == 1; }, 30000));

    // Silent without /RUN: the old tool ends and unloads, nothing starts.
    ASSERT_EQ(RunSetup(newSetup, "/S"), 0);
    EXPECT_TRUE(old.WaitExit(0));
    EXPECT_FALSE(CertificateRegistered());
    EXPECT_TRUE(ToolWindows().empty());
    EXPECT_EQ(RegValue(kUninstallKey, "DisplayVersion"), newVersion);
    EXPECT_GT(LastWrite(kProgram), oldWrite);
    EXPECT_FALSE(RegValue(kRunKey, kRunValue).has_value());  // the earlier choice stays

    // With /RUN the running tool is replaced by exactly one new one.
    driver::Process& replaced = StartWithKey();
    ASSERT_EQ(RunSetup(newSetup, "/S /RUN"), 0);
    EXPECT_TRUE(replaced.WaitExit(0));
    EXPECT_EQ(StarterOfOneTool(), "explorer.exe");

    ASSERT_TRUE(RunQuietUninstall(" /REMOVEKEYS"));
    EXPECT_TRUE(driver::WaitUntil([] { return ToolWindows().empty(); }, 30000));
    EXPECT_FALSE(Exists(KeyStore()));
}

TEST_F(Installer, MsiUpgradesWhileTheToolRunsRefusesADowngradeAndRemovesEverything) {
    ASSERT_EQ(RunMsi("/i", oldMsi, "AUTOSTART=0"), 0);
    EXPECT_EQ(MsiVersion(), std::string("0.9.0"));
    EXPECT_FALSE(RegValue(kRunKey, kRunValue).has_value());
    driver::Process& old = StartWithKey();

    ASSERT_EQ(RunMsi("/i", newMsi, ""), 0);
    EXPECT_TRUE(old.WaitExit(0));
    EXPECT_FALSE(CertificateRegistered());
    EXPECT_EQ(MsiVersion(), newVersion);
    for (const char* file : {"QelmoraKeyTool.exe", "ukeyctl.exe", "DravikFun_tovex.dll",
                             "stopkeytool.exe", "keyadmin.exe", "demo.key"}) {
        EXPECT_TRUE(Exists(kInstallDir + "\\" + file)) << file;
    }
    // Wine's msi takes the user's Start menu for ProgramMenuFolder, even per machine.
    const std::string shortcut = Folder(CSIDL_PROGRAMS) + "\\QelmoraUsbKeyTool.lnk";
    EXPECT_EQ(ShortcutTarget(shortcut), kProgram);
    EXPECT_EQ(RegValue(kRunKey, kRunValue), "\"" + kProgram + "\"");

    EXPECT_EQ(RunMsi("/i", oldMsi, ""), ERROR_INSTALL_FAILURE);
    EXPECT_EQ(MsiVersion(), newVersion);

    // A tool that never ends fails the removal before anything has gone.
    HWND hung = HungTool();
    EXPECT_NE(RunMsi("/x", newMsi, ""), 0);
    DestroyWindow(hung);
    EXPECT_EQ(MsiVersion(), newVersion);
    EXPECT_TRUE(Exists(kProgram) && Exists(kUkeyctl) && Exists(shortcut));
    EXPECT_EQ(RegValue(kRunKey, kRunValue), "\"" + kProgram + "\"");

    driver::Process& tool = StartWithKey();
    RemoveWhileUkeyctlRuns(tool, "msiexec.exe /x \"" + newMsi + "\" /qn");
    EXPECT_FALSE(CertificateRegistered());
    EXPECT_TRUE(MsiProduct().empty());
    EXPECT_FALSE(Exists(kInstallDir));
    EXPECT_FALSE(Exists(shortcut));
    EXPECT_FALSE(RegValue(kRunKey, kRunValue).has_value());

    // RUN=1 starts the tool as the desktop's user.
    ASSERT_EQ(RunMsi("/i", newMsi, "RUN=1"), 0);
    EXPECT_EQ(StarterOfOneTool(), "explorer.exe");
}

}  // namespace
