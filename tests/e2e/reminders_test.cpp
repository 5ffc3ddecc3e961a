// Certificate expiry reminders: balloons at start-up, on insertion and from the daily timer,
// once a day across a restart, and the bank's policy value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "app/Messages.h"
#include "tests/e2e/VirtualKeys.h"

namespace {

using Calls = std::vector<std::string>;
constexpr long long kHour = e2e::kHourTicks, kDay = e2e::kDayTicks;
const char kRemindersKey[] = "Software\\Qelmora\\UsbKeyTool\\Reminders";
const char kPolicyKey[] = "Software\\Policies\\Qelmora\\UsbKeyTool";

std::string Balloon(const std::string& info) {
    return "Shell_NotifyIconW(MODIFY,size=936,id=1,flags=0x17,state=2,timeout=1003,"
           "tip=UsbKey已插入，可以正常使用,info=" +
           info + ",title=)";
}
const std::string kInserted = Balloon("有UsbKey插入!"), kRegistered = Balloon("注册证书到IE完成!"),
                  kMarker = Balloon("更改UsbKey标签完成!");
std::string Expires(const std::string& name, int days) {
    return Balloon("证书“" + name + "”将于" + std::to_string(days) +
                   "天后过期，请及时到网上银行更新。");
}
std::string Expired(const std::string& name) {
    return Balloon("证书“" + name + "”已过期，请及时到网上银行更新。");
}

void SetPolicy(const DWORD* days) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                    nullptr, &key, nullptr);
    if (days) {
        RegSetValueExA(key, "ExpiryWarningDays", 0, REG_DWORD, reinterpret_cast<const BYTE*>(days),
                       sizeof *days);
    } else {
        RegDeleteValueA(key, "ExpiryWarningDays");
    }
    RegCloseKey(key);
}

void SetReminder(const std::string& name, DWORD type, const std::string& data) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kRemindersKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

// The store's values: name, and size when binary (0 otherwise).
std::vector<std::pair<std::string, DWORD>> StoredReminders() {
    std::vector<std::pair<std::string, DWORD>> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRemindersKey, 0, KEY_QUERY_VALUE, &key)) return values;
    char name[400];
    for (DWORD i = 0, size = sizeof name, type = 0, bytes = 0;
         RegEnumValueA(key, i, name, &size, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS;
         ++i, size = sizeof name) {
        values.emplace_back(name, type == REG_BINARY ? bytes : 0);
    }
    RegCloseKey(key);
    return values;
}

class Reminders : public ::testing::Test {
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
    // A key with certificates of the given subjects and validities, kind 1 and 2 in turn.
    void CreateKey(const std::string& key,
                   const std::vector<std::pair<std::wstring, long long>>& certificates) {
        ASSERT_EQ(keys.Admin({"create", key, "--label", key, "--password", "Pass-2026"}), 0);
        for (size_t i = 0; i < certificates.size(); ++i) {
            const std::string der =
                e2e::SelfSignedCertificate(certificates[i].first, certificates[i].second);
            ASSERT_FALSE(der.empty());
            driver::WriteFile(dir.File("c.der"), der);
            ASSERT_EQ(keys.Admin({"cert", key, "C" + std::to_string(i / 2), i % 2 ? "2" : "1",
                                  dir.File("c.der")}),
                      0);
        }
    }
    void Start() {
        process = &keys.StartRecorded();
        main = driver::WaitMainWindow(process->Id());
        ASSERT_NE(main, nullptr);
    }
    void Exit() {
        if (!process) return;
        PostMessageA(main, WM_KEYTOOL_EXIT, 0, 0);
        process->WaitExit(10000);
        process = nullptr;
    }
    // The balloons shown from the platform log's line `from` on, once the one that ends them
    // has come; the reminder check posted before it has run by then.
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
    size_t Logged() const { return keys.ShellCalls().size(); }

    e2e::VirtualKeys keys;
    driver::TempDir dir;
    driver::Process* process = nullptr;
    HWND main = nullptr;
};

TEST_F(Reminders, FirstToExpireAtStartUpExpiredAtEachInsertionOnceADayAcrossARestart) {
    CreateKey("soon", {{L"CN=四十五天, O=Qelmora Bank", 45 * kDay},
                       {L"CN=二十天, O=Qelmora Bank", 20 * kDay},
                       {L"CN=五天, O=Qelmora Bank", 5 * kDay},
                       {L"CN=半天, O=Qelmora Bank", 12 * kHour}});
    CreateKey("old", {{L"O=Qelmora Bank, C=CN", -2 * kDay}});  // no common name
    ASSERT_EQ(keys.Admin({"plug", "soon"}), 0);
    // A damaged store: values of the wrong type or size go, a name too long to be ours stays.
    const std::string thumbprint(40, 'A'), longName(300, 'L');
    SetReminder(thumbprint, REG_SZ, "text");
    SetReminder(std::string(40, 'B'), REG_BINARY, std::string(100, 'x'));
    SetReminder(longName, REG_BINARY, std::string(12, '\0'));
    Start();
    EXPECT_EQ(BalloonsUntil(0, Expires("半天", 1)), (Calls{kRegistered, Expires("半天", 1)}));
    // Reminded of: the three within 30 days, each a 12-byte binary named by its thumbprint.
    std::vector<std::pair<std::string, DWORD>> stored = StoredReminders();
    std::sort(stored.begin(), stored.end(),
              [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored[0].first, longName);
    for (size_t i = 1; i < stored.size(); ++i) {
        EXPECT_EQ(stored[i].first.size(), 40u);
        EXPECT_EQ(stored[i].second, 12u);
    }

    const Calls insertion = {kInserted, kRegistered, Expired("O=Qelmora Bank, C=CN")};
    for (int plug = 0; plug < 2; ++plug) {
        const size_t from = Logged();
        ASSERT_EQ(keys.Admin({"plug", "old"}), 0);
        EXPECT_EQ(BalloonsUntil(from, insertion.back()), insertion) << plug;
        const size_t pulled = Logged();
        ASSERT_EQ(keys.Admin({"pull", "old"}), 0);
        BalloonsUntil(pulled, kRegistered);
    }

    // The same day, nothing is said again when the program starts.
    Exit();
    ASSERT_EQ(keys.Admin({"plug", "old"}), 0);
    const size_t from = Logged();
    Start();
    EXPECT_EQ(BalloonsAfterRegistration(from), Calls{kRegistered});
}

TEST_F(Reminders, PolicyPeriodOfTenDaysAndZeroAndTheDailyCheck) {
    const DWORD ten = 10, off = 0;
    SetPolicy(&ten);
    CreateKey("twenty", {{L"CN=二十天, O=Qelmora Bank", 20 * kDay}});
    CreateKey("five", {{L"CN=五天, O=Qelmora Bank", 5 * kDay}});
    CreateKey("old", {{L"CN=已过期, O=Qelmora Bank", -1 * kDay}});
    ASSERT_EQ(keys.Admin({"plug", "twenty"}), 0);
    Start();
    EXPECT_EQ(BalloonsAfterRegistration(0), Calls{kRegistered});

    size_t from = Logged();
    ASSERT_EQ(keys.Admin({"plug", "five"}), 0);
    EXPECT_EQ(BalloonsUntil(from, Expires("五天", 5)),
              (Calls{kInserted, kRegistered, Expires("五天", 5)}));

    SetPolicy(&off);
    from = Logged();
    ASSERT_EQ(keys.Admin({"plug", "old"}), 0);
    EXPECT_EQ(BalloonsAfterRegistration(from), (Calls{kInserted, kRegistered}));

    // One timer, due after the next UTC midnight but not within the hour, armed again at each
    // tick; back at the default period, the daily check names the expired certificate.
    const auto timers = [&] {
        Calls set;
        for (const std::string& call : keys.ShellCalls()) {
            if (call.rfind("SetTimer(", 0) == 0) set.push_back(call);
        }
        return set;
    };
    ASSERT_EQ(timers().size(), 1u);
    unsigned id = 0, ms = 0;
    ASSERT_EQ(sscanf(timers()[0].c_str(), "SetTimer(%u,%u)", &id, &ms), 2);
    EXPECT_EQ(id, 1u);
    EXPECT_TRUE(ms >= 3600 * 1000u && ms <= (86400 + 60) * 1000u) << ms;
    SetPolicy(nullptr);
    from = Logged();
    PostMessageA(main, WM_TIMER, id, 0);
    EXPECT_EQ(BalloonsUntil(from, Expired("已过期")), Calls{Expired("已过期")});
    EXPECT_EQ(timers().size(), 2u);
}

}  // namespace
