// The notification-area icon and its balloons as keys come and go, texts from other processes,
// the tray commands, the about box, and the certificate expiry reminders at start-up, on
// insertion and from the daily timer, once a day across a restart, with the bank's policy value.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "app/Messages.h"
#include "res/resource.h"
#include "tests/e2e/VirtualKeys.h"
#include "tests/sequence/Sequence.h"

namespace {

using driver::Visible;
using Calls = std::vector<std::string>;
const char kSite[] = "https://ebank.qelmora.com/";
const std::string kTipKey = "UsbKey已插入，可以正常使用", kTipNoKey = "当前未插入UsbKey";

std::string Balloon(const std::string& tip, const std::string& info) {
    return e2e::NotifyIconCall("MODIFY") + ",id=1,flags=0x17,state=2,timeout=1003,tip=" + tip +
           ",info=" + info + ",title=)";
}
const std::string kTakeAway = Balloon("", ""), kInserted = Balloon(kTipKey, "有UsbKey插入!"),
                  kRegistered = Balloon(kTipKey, "注册证书到IE完成!"),
                  kMarker = Balloon(kTipKey, "更改UsbKey标签完成!");
const std::string kAdd =
    e2e::NotifyIconCall("ADD") + ",id=1,flags=0x17,state=2,timeout=1000,tip=,info=,title=)";

class Tray : public e2e::ProgramTest {
protected:
    void SetUp() override { ASSERT_NE(Start(), nullptr); }
    Calls PlatformSince(size_t before, size_t count) {
        driver::WaitUntil([&] { return keys.ShellCalls().size() >= before + count; });
        driver::Sync(main);
        return e2e::Since(keys.ShellCalls(), before);
    }
    bool ShownOnce(const std::string& call) {
        return driver::WaitUntil([&] { return e2e::Count(keys.ShellCalls(), call) == 1; });
    }

    driver::TempDir files;
};

TEST_F(Tray, PluggingAndPullingAKeyAnnouncesRegistersLaunchesAndClears) {
    // A self-signed certificate made by the platform goes onto the key.
    const std::string der = e2e::SelfSignedCertificate(L"CN=Qelmora tray test");
    ASSERT_FALSE(der.empty());
    driver::WriteFile(files.File("user.der"), der);
    ASSERT_TRUE(keys.AddKey("k", "插拔", {"--status", "2"}, false));
    ASSERT_EQ(keys.Admin({"cert", "k", "Main", "1", files.File("user.der")}), 0);
    ASSERT_EQ(keys.Admin({"file", "k", "EF11", "--text", kSite}), 0);
    // Started without a key: the icon, and the daily expiry check's timer.
    const Calls started = keys.ShellCalls();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0], kAdd);
    EXPECT_EQ(started[1].rfind("SetTimer(1,", 0), 0u);

    ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
    EXPECT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, IDC_KEYS) == "插拔"; }));
    EXPECT_TRUE(Visible(main));
    EXPECT_EQ(driver::InMyStore("Qelmora tray test"), "Main 1");
    ASSERT_TRUE(ShownOnce(kRegistered));
    // With a key the icon is added twice more: for the changed count and
    // because keys are present.
    const seq::Line plugged[] = {
        {kAdd},        {kAdd},      {std::string("ShellExecuteW(open,") + kSite + ",null,5)"},
        {kTakeAway},   {kInserted}, {kTakeAway},
        {kRegistered},
    };
    seq::ExpectSequence(e2e::Since(keys.ShellCalls(), started.size()), plugged, "plugging a key");

    // The last key gone, the failed-device check walks the device list.
    ASSERT_EQ(keys.Admin({"pull", "k"}), 0);
    EXPECT_TRUE(ShownOnce(Balloon(kTipNoKey, "有UsbKey拔除!")));
    EXPECT_EQ(driver::InMyStore("Qelmora tray test"), "absent");
    EXPECT_EQ(driver::ItemText(main, IDC_KEYS), "");
    EXPECT_TRUE(Visible(main));  // a removal does not hide the window
    EXPECT_EQ(e2e::Count(keys.ShellCalls(), "SslEmptyCacheW(null,0)"), 1u);
    EXPECT_EQ(e2e::Count(keys.ShellCalls(), "SetupDiGetClassDevsA(flags=0x4)"), 1u);
}

TEST_F(Tray, BalloonsAskedForByOtherProcessesAreBounded) {
    // How texts are cut is the tray texts' own rule; here, that a sent one arrives bounded.
    const std::string longer(300, 'l');
    const struct {
        const void* data;
        DWORD size;
        std::string shown;                                     // empty: nothing shown
    } texts[] = {{longer.data(), 300, std::string(255, 'l')},  // unterminated
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
    SendMessageA(main, WM_COMMAND, ID_TRAY_SHOW, 0);  // "显示用户管理工具"
    EXPECT_TRUE(Visible(main));
}

TEST_F(Tray, MenuTakesTheForegroundAndWakesTheWindowAfterwards) {
    const size_t before = keys.ShellCalls().size();
    PostMessageA(main, WM_KEYTOOL_TRAYNOTIFY, 1, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    ASSERT_TRUE(driver::WaitUntil([&] {
        for (HWND hwnd : driver::TopLevelWindows(pid, "#32768")) {
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

TEST_F(Tray, NewTaskbarGetsTheIconAgainAsItStands) {
    ASSERT_TRUE(keys.AddKey("k", "任务栏", {"--status", "2"}));
    ASSERT_TRUE(ShownOnce(kRegistered));
    driver::Sync(main);
    SendMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_FALSE(Visible(main));
    const size_t before = keys.ShellCalls().size();
    SendMessageA(main, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(PlatformSince(before, 1),
              Calls{e2e::NotifyIconCall("ADD") + ",id=1,flags=0x17,state=2,timeout=1003,tip=" +
                    kTipKey + ",info=注册证书到IE完成!,title=)"});
    EXPECT_FALSE(Visible(main));
}

TEST_F(Tray, AboutBoxLinkAndCursor) {
    PostMessageA(main, WM_COMMAND, ID_APP_ABOUT, 0);  // from the tray menu, while hidden
    HWND about = driver::WaitDialog(pid, "关于");
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
    EXPECT_EQ(driver::ItemText(about, IDC_SITE_LINK), kSite);
    EXPECT_TRUE(ShownOnce("SetClassLongW(Button,-12,hand)"));
    driver::Click(GetDlgItem(about, IDC_SITE_LINK));
    EXPECT_TRUE(ShownOnce(std::string("ShellExecuteW(open,") + kSite + ",null,5)"));
    ASSERT_TRUE(driver::Press(about, IDOK));
    EXPECT_TRUE(ShownOnce("SetClassLongW(Button,-12,arrow)"));
    EXPECT_TRUE(driver::Enabled(main));
    SendMessageA(main, WM_KEYTOOL_TRAYNOTIFY, 1, WM_LBUTTONDOWN);
    EXPECT_FALSE(Visible(main));
}

const char kRemindersKey[] = "Software\\Qelmora\\UsbKeyTool\\Reminders";

void SetPolicy(const DWORD* days) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Policies\\Qelmora\\UsbKeyTool", 0, nullptr, 0,
                    KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr);
    if (days) {
        RegSetValueExA(key, "ExpiryWarningDays", 0, REG_DWORD, reinterpret_cast<const BYTE*>(days),
                       sizeof *days);
    } else {
        RegDeleteValueA(key, "ExpiryWarningDays");
    }
    RegCloseKey(key);
}

// The thresholds, days and records are the reminders' own rules; here, that the balloons come
// when the program shows them, the records last in the registry and the policy is read.
class Reminders : public Tray {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kRemindersKey);
        SetPolicy(nullptr);
    }
    void TearDown() override {
        Exit();
        RegDeleteTreeA(HKEY_CURRENT_USER, kRemindersKey);
        SetPolicy(nullptr);
    }
    // A key with a certificate of the subject, valid for the ticks from now.
    void CreateKey(const std::string& key, const std::wstring& subject, long long validFor) {
        ASSERT_TRUE(keys.AddKey(key, key, {}, false));
        const std::string der = e2e::SelfSignedCertificate(subject, validFor);
        ASSERT_FALSE(der.empty());
        driver::WriteFile(files.File("c.der"), der);
        ASSERT_EQ(keys.Admin({"cert", key, "C", "1", files.File("c.der")}), 0);
    }
    // The balloons shown from the platform log's line `from` on, once the one that ends them
    // has come; a reminder check due before it has run by then.
    Calls BalloonsUntil(size_t from, const std::string& last) {
        Calls balloons;
        driver::WaitUntil([&] {
            const Calls all = keys.ShellCalls();
            balloons.clear();
            for (size_t i = from; i < all.size(); ++i) {
                const bool shown = all[i].rfind("Shell_NotifyIconW(MODIFY", 0) == 0 &&
                                   all[i].find("info=,") == std::string::npos;
                if (shown) balloons.push_back(all[i]);
            }
            return !balloons.empty() && balloons.back() == last;
        });
        return balloons;
    }
    // Balloons since `from` once a marker balloon posted after those that count has come.
    Calls BalloonsAfterRegistration(size_t from) {
        BalloonsUntil(from, kRegistered);
        PostMessageA(main, WM_KEYTOOL_BALLOON, 20, 0);
        Calls balloons = BalloonsUntil(from, kMarker);
        balloons.pop_back();
        return balloons;
    }
    // Reads of containers and certificates the key library was asked again since call `from`.
    size_t RepeatedReads(size_t from) const {
        const Calls calls = keys.Calls();
        std::map<std::string, int> seen;
        size_t repeated = 0;
        for (size_t i = from; i < calls.size(); ++i) {
            const bool read = calls[i].rfind("CSP_Container", 0) == 0 ||
                              calls[i].rfind("CSP_ReadCertByName", 0) == 0;
            if (read && seen[calls[i]]++ > 0) ++repeated;
        }
        return repeated;
    }
    size_t Timers() const {
        const Calls all = keys.ShellCalls();
        return std::count_if(all.begin(), all.end(), [](const std::string& call) {
            return call.rfind("SetTimer(", 0) == 0;
        });
    }
};

TEST_F(Reminders, AtStartUpOnInsertionFromTheTimerOnceADayAndOffByPolicy) {
    const std::string soon = Balloon(kTipKey, "证书“五天”将于5天后过期，请及时到网上银行更新。");
    // Without a common name, the certificate is named by its subject.
    const std::string expired =
        Balloon(kTipKey, "证书“O=Qelmora Bank, C=CN”已过期，请及时到网上银行更新。");
    CreateKey("soon", L"CN=五天, O=Qelmora Bank", 5 * e2e::kDayTicks);
    CreateKey("old", L"O=Qelmora Bank, C=CN", -2 * e2e::kDayTicks);
    ASSERT_EQ(keys.Admin({"plug", "soon"}), 0);
    Start();
    EXPECT_EQ(BalloonsUntil(0, soon), (Calls{kRegistered, soon}));
    // The check took the certificate tree's reading of the key.
    EXPECT_EQ(RepeatedReads(0), 0u);
    // Remembered as a 12-byte binary named by the certificate's thumbprint.
    HKEY store = nullptr;
    char name[64];
    DWORD size = sizeof name, type = 0, bytes = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kRemindersKey, 0, KEY_QUERY_VALUE, &store), 0);
    EXPECT_EQ(RegEnumValueA(store, 0, name, &size, nullptr, &type, nullptr, &bytes), 0);
    EXPECT_EQ(RegEnumValueA(store, 1, name, &size, nullptr, &type, nullptr, &bytes),
              ERROR_NO_MORE_ITEMS);
    RegCloseKey(store);
    EXPECT_EQ(std::make_tuple(size, type, bytes),
              std::make_tuple(DWORD{40}, DWORD{REG_BINARY}, DWORD{12}));

    // The bank's policy period 0 turns the reminders off.
    const DWORD off = 0;
    SetPolicy(&off);
    size_t from = keys.ShellCalls().size();
    ASSERT_EQ(keys.Admin({"plug", "old"}), 0);
    EXPECT_EQ(BalloonsAfterRegistration(from), (Calls{kInserted, kRegistered}));

    // One timer, armed again at each tick (when it is due is the reminders' own rule); back at
    // the default period, the daily check names the expired certificate. The insertion's own
    // check may still wait for an idle turn: hidden, the window keeps it for its next showing.
    ASSERT_EQ(Timers(), 1u);
    SendMessageA(main, WM_CLOSE, 0, 0);
    SetPolicy(nullptr);
    from = keys.ShellCalls().size();
    PostMessageA(main, WM_TIMER, kExpiryTimerId, 0);
    EXPECT_EQ(BalloonsUntil(from, expired), Calls{expired});
    EXPECT_EQ(Timers(), 2u);

    // Plugged in again, the expired certificate is named; the tree reads the first key, the
    // check only the new one.
    from = keys.ShellCalls().size();
    ASSERT_EQ(keys.Admin({"pull", "old"}), 0);
    BalloonsUntil(from, kRegistered);
    from = keys.ShellCalls().size();
    const size_t called = keys.Calls().size();
    ASSERT_EQ(keys.Admin({"plug", "old"}), 0);
    EXPECT_EQ(BalloonsUntil(from, expired), (Calls{kInserted, kRegistered, expired}));
    EXPECT_EQ(RepeatedReads(called), 0u);

    // The same day, nothing is said again when the program starts.
    Exit();
    from = keys.ShellCalls().size();
    Start();
    EXPECT_EQ(BalloonsAfterRegistration(from), Calls{kRegistered});
}

}  // namespace
