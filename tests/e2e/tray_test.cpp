// The notification-area icon and its balloons as keys come and go, texts
// from other processes, the tray commands and the about box.
#include <windows.h>
// windows.h must come first.
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/Messages.h"
#include "tests/e2e/VirtualKeys.h"
#include "tests/sequence/Sequence.h"

namespace {

using driver::Visible;
using Calls = std::vector<std::string>;
const char kSite[] = "https://ebank.qelmora.com/";

std::string Balloon(const std::string& tip, const std::string& info) {
    return "Shell_NotifyIconW(MODIFY,size=936,id=1,flags=0x17,state=2,timeout=1003,tip=" + tip +
           ",info=" + info + ",title=)";
}
const std::string kTakeAway = Balloon("", "");
const std::string kTipKey = "UsbKey已插入，可以正常使用";
const std::string kTipNoKey = "当前未插入UsbKey";
const std::string kAdd =
    "Shell_NotifyIconW(ADD,size=936,id=1,flags=0x17,state=2,timeout=1000,tip=,info=,title=)";

bool InPersonalStore(const char* commonName) {
    HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
    PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                      CERT_FIND_SUBJECT_STR_A, commonName, nullptr);
    CertFreeCertificateContext(found);
    CertCloseStore(store, 0);
    return found != nullptr;
}

class Tray : public ::testing::Test {
protected:
    void SetUp() override {
        process = &keys.StartRecorded();
        main = driver::WaitMainWindow(process->Id());
        ASSERT_NE(main, nullptr);
    }
    // Ended by its exit command, the program unloads what it registered.
    void TearDown() override {
        PostMessageA(main, WM_KEYTOOL_EXIT, 0, 0);
        process->WaitExit(10000);
    }
    Calls PlatformSince(size_t before, size_t count) {
        driver::WaitUntil([&] { return keys.ShellCalls().size() >= before + count; });
        driver::Sync(main);
        const Calls all = keys.ShellCalls();
        return Calls(all.begin() + std::min(before, all.size()), all.end());
    }
    bool ShownOnce(const std::string& call) {
        return driver::WaitUntil([&] { return e2e::Count(keys.ShellCalls(), call) == 1; });
    }

    e2e::VirtualKeys keys;
    driver::Process* process = nullptr;
    HWND main = nullptr;
};

TEST_F(Tray, PluggingAndPullingAKeyAnnouncesRegistersLaunchesAndClears) {
    // A self-signed certificate made by the platform goes onto the key.
    const char commonName[] = "Qelmora tray test";
    const std::string der = e2e::SelfSignedCertificate(L"CN=Qelmora tray test");
    ASSERT_FALSE(der.empty());
    driver::TempDir files;
    driver::WriteFile(files.File("user.der"), der);
    ASSERT_EQ(
        keys.Admin({"create", "k", "--label", "插拔", "--password", "Pass-2026", "--status", "2"}),
        0);
    ASSERT_EQ(keys.Admin({"cert", "k", "Main", "1", files.File("user.der")}), 0);
    ASSERT_EQ(keys.Admin({"file", "k", "EF11", "--text", kSite}), 0);
    // Started without a key: the icon, and the daily expiry check's timer.
    const Calls started = keys.ShellCalls();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0], kAdd);
    EXPECT_EQ(started[1].rfind("SetTimer(1,", 0), 0u);

    ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
    EXPECT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, 1001) == "插拔"; }));
    EXPECT_TRUE(Visible(main));
    EXPECT_TRUE(InPersonalStore(commonName));
    ASSERT_TRUE(ShownOnce(Balloon(kTipKey, "注册证书到IE完成!")));
    // With a key the icon is added twice more: for the changed count and
    // because keys are present.
    const seq::Line plugged[] = {
        {kAdd},
        {kAdd},
        {std::string("ShellExecuteW(open,") + kSite + ",null,5)"},
        {kTakeAway},
        {Balloon(kTipKey, "有UsbKey插入!")},
        {kTakeAway},
        {Balloon(kTipKey, "注册证书到IE完成!")},
    };
    const Calls all = keys.ShellCalls();
    seq::ExpectSequence(Calls(all.begin() + started.size(), all.end()), plugged, "plugging a key");

    ASSERT_EQ(keys.Admin({"pull", "k"}), 0);
    EXPECT_TRUE(ShownOnce(Balloon(kTipNoKey, "有UsbKey拔除!")));
    EXPECT_FALSE(InPersonalStore(commonName));
    EXPECT_EQ(driver::ItemText(main, 1001), "");
    EXPECT_TRUE(Visible(main));  // a removal does not hide the window
    EXPECT_EQ(e2e::Count(keys.ShellCalls(), "SslEmptyCacheW(null,0)"), 1u);
}

TEST_F(Tray, BalloonsAskedForByOtherProcessesAreBounded) {
    const std::string exact(255, 'e'), longer(300, 'l');
    const struct {
        const void* data;
        DWORD size;
        std::string shown;  // empty: nothing shown
    } texts[] = {{"证书即将过期", 13, "证书即将过期"},
                 {exact.c_str(), 256, exact},
                 {longer.data(), 300, std::string(255, 'l')},  // unterminated
                 {"abcdef", 3, "abc"},
                 {"abc", 0, ""},
                 {nullptr, 10, ""}};
    for (const auto& text : texts) {
        const size_t before = keys.ShellCalls().size();
        COPYDATASTRUCT copy{0x1234, text.size, const_cast<void*>(text.data)};
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_BLOCK, 5000,
                            &answer);
        EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
        const Calls expected =
            text.shown.empty() ? Calls{} : Calls{kTakeAway, Balloon(kTipNoKey, text.shown)};
        EXPECT_EQ(PlatformSince(before, expected.size()), expected) << text.size;
    }
    const size_t before = keys.ShellCalls().size();
    PostMessageA(main, WM_KEYTOOL_BALLOON, 21, 0);  // no such text: nothing changes
    PostMessageA(main, WM_KEYTOOL_BALLOON, 20, 0);
    EXPECT_EQ(PlatformSince(before, 2),
              (Calls{kTakeAway, Balloon(kTipNoKey, "更改UsbKey标签完成!")}));
}

TEST_F(Tray, IconPressAndMenuCommandsWorkWhileHidden) {
    SendMessageA(main, WM_KEYTOOL_TRAYNOTIFY, 1, WM_LBUTTONUP);  // only a press counts
    EXPECT_FALSE(Visible(main));
    SendMessageA(main, WM_KEYTOOL_TRAYNOTIFY, 1, WM_LBUTTONDOWN);
    EXPECT_TRUE(Visible(main));
    EXPECT_EQ(GetForegroundWindow(), main);
    SendMessageA(main, WM_KEYTOOL_TRAYNOTIFY, 1, WM_LBUTTONDOWN);
    EXPECT_FALSE(Visible(main));
    SendMessageA(main, WM_COMMAND, 133, 0);  // "显示用户管理工具"
    EXPECT_TRUE(Visible(main));
}

TEST_F(Tray, MenuTakesTheForegroundAndWakesTheWindowAfterwards) {
    const size_t before = keys.ShellCalls().size();
    PostMessageA(main, WM_KEYTOOL_TRAYNOTIFY, 1, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    ASSERT_TRUE(driver::WaitUntil([&] {
        for (HWND hwnd : driver::TopLevelWindows(process->Id(), "#32768")) {
            if (Visible(hwnd)) menu = hwnd;
        }
        return menu != nullptr;
    }));
    driver::PressKey(main, VK_ESCAPE);  // the menu loop reads the thread's keys
    EXPECT_TRUE(driver::WaitUntil([&] { return !Visible(menu); }));
    EXPECT_EQ(PlatformSince(before, 3),
              (Calls{"SetForegroundWindow(top-level)",
                     "TrackPopupMenu(flags=0x4,owner=top-level,items=133:显示用户管理工具|"
                     "131:刷新设备|0:|57681:关于...|0:|132:退出)",
                     "PostMessageW(top-level,WM_NULL,0x0,0x0)"}));
    EXPECT_FALSE(Visible(main));
    EXPECT_TRUE(process->Running());
}

TEST_F(Tray, NewTaskbarGetsTheIconAgainAsItStandsWithAndWithoutKeys) {
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);
    size_t before = keys.ShellCalls().size();
    SendMessageA(main, taskbarCreated, 0, 0);
    EXPECT_EQ(PlatformSince(before, 1),
              Calls{"Shell_NotifyIconW(ADD,size=936,id=1,flags=0x17,state=2,timeout=1000,tip=,"
                    "info=,title=)"});
    EXPECT_FALSE(Visible(main));

    ASSERT_EQ(keys.Admin(
                  {"create", "k", "--label", "任务栏", "--password", "Pass-2026", "--status", "2"}),
              0);
    ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
    ASSERT_TRUE(ShownOnce(Balloon(kTipKey, "注册证书到IE完成!")));
    driver::Sync(main);
    SendMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_FALSE(Visible(main));
    before = keys.ShellCalls().size();
    SendMessageA(main, taskbarCreated, 0, 0);
    EXPECT_EQ(PlatformSince(before, 1),
              Calls{"Shell_NotifyIconW(ADD,size=936,id=1,flags=0x17,state=2,timeout=1003,tip=" +
                    kTipKey + ",info=注册证书到IE完成!,title=)"});
    EXPECT_FALSE(Visible(main));
}

TEST_F(Tray, AboutBoxLinkCursorAndSecondOpening) {
    const auto box = [&] {
        HWND found = nullptr;
        driver::WaitUntil([&] {
            for (HWND hwnd : driver::TopLevelWindows(process->Id(), driver::kDialogClass)) {
                if (Visible(hwnd) && driver::Text(hwnd) == "关于") found = hwnd;
            }
            return found != nullptr;
        });
        return found;
    };
    PostMessageA(main, WM_SYSCOMMAND, 16, 0);
    HWND about = box();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), main);
    EXPECT_FALSE(driver::Enabled(main));
    // Pressed while the box is open, the icon shows the window with the box in
    // front, and a second press leaves the window under the box.
    for (int press = 0; press < 2; ++press) {
        SendMessageA(main, WM_KEYTOOL_TRAYNOTIFY, 1, WM_LBUTTONDOWN);
        EXPECT_TRUE(Visible(main));
        EXPECT_EQ(GetForegroundWindow(), about);
    }
    EXPECT_EQ(driver::ItemText(about, 1018), kSite);
    EXPECT_TRUE(ShownOnce("SetClassLongW(Button,-12,hand)"));
    driver::Click(GetDlgItem(about, 1018));
    EXPECT_TRUE(ShownOnce(std::string("ShellExecuteW(open,") + kSite + ",null,5)"));
    ASSERT_TRUE(driver::Press(about, IDOK));
    EXPECT_TRUE(ShownOnce("SetClassLongW(Button,-12,arrow)"));
    EXPECT_TRUE(driver::Enabled(main));
    SendMessageA(main, WM_KEYTOOL_TRAYNOTIFY, 1, WM_LBUTTONDOWN);
    EXPECT_FALSE(Visible(main));

    PostMessageA(main, WM_COMMAND, 57681, 0);  // from the tray menu, while hidden
    about = box();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return e2e::Count(keys.ShellCalls(), "SetClassLongW(Button,-12,hand)") == 2; }));
    driver::PressKey(about, VK_ESCAPE);
    EXPECT_TRUE(driver::WaitUntil([&] { return !IsWindow(about); }));
}

}  // namespace
