// The tray's texts and certificate expiry reminders: balloon numbers, byte limits cut between
// characters of code page 936, thresholds, days, the policy period, the store, the reminders'
// texts, and the certificates read from the keys.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "app/logic/ExpiryReminders.h"
#include "app/logic/TrayTexts.h"
#include "keys/logic/KeyCertWalk.h"
#include "keys/logic/KeyReads.h"
#include "tests/unit/FakeKeyLibrary.h"
#include "text/logic/GbkText.h"

namespace keytool {
namespace {

constexpr std::int64_t kDay = kSecondsPerDay, kHour = 3600;
constexpr std::int64_t kDay0 = 20000 * kDay;  // a midnight, UTC
const std::string kA(40, 'A'), kB(40, 'B'), kC(40, 'C');

std::string Record(std::uint32_t reminded, std::uint32_t band, std::uint32_t seen) {
    std::string bytes;
    for (std::uint32_t word : {reminded, band, seen}) {
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((word >> (8 * i)) & 0xFF);
    }
    return bytes;
}

// A store of reminders, checked at the times and with the certificates a test gives.
struct Reminders : ReminderStore {
    std::map<std::string, StoredReminder> values;
    int writes = 0;
    std::uint32_t warningDays;

    explicit Reminders(std::uint32_t days = kDefaultWarningDays) : warningDays(days) {}

    std::string At(std::int64_t now, const std::vector<CertExpiry>& certs,
                   ExpiryCheck check = ExpiryCheck::Daily) {
        return CheckExpiry(certs, now, warningDays, check, *this);
    }
    StoredReminder Read(const std::string& name) override {
        return values.count(name) ? values[name] : StoredReminder{name, "", false};
    }
    std::vector<StoredReminder> ReadAll() override {
        std::vector<StoredReminder> all;
        for (auto at = values.begin(); at != values.end() && all.size() < kMaxListedReminders;)
            all.push_back((at++)->second);
        return all;
    }
    void Write(const std::string& name, const std::string& bytes) override {
        values[name] = {name, bytes, true}, ++writes;
    }
    void Remove(const std::string& name) override { values.erase(name); }
};

std::string In(std::int64_t days) { return ExpiryText("A", days); }

// Certificate A checked in turn: the policy period (a new one: a fresh store), each check's
// time before A's end and kind, and the balloon it shows (empty: none).
TEST(ExpiryReminders, ThresholdsOncePerDayAcrossDayBoundariesWithinThePolicyPeriod) {
    constexpr ExpiryCheck D = ExpiryCheck::Daily, I = ExpiryCheck::Insertion,
                          S = ExpiryCheck::StartUp;
    const std::tuple<std::uint32_t, std::int64_t, ExpiryCheck, std::string> rows[] = {
        // A ends at noon: exactly 30 days is the first threshold, 8 days rounded up still the
        // band of 30, a day or less is 1, and past midnight it is the same band; expired is
        // the last band, reminded the next day and at every insertion.
        {30, 45 * kDay, D, ""},
        {30, 30 * kDay, D, In(30)},
        {30, 29 * kDay, D, ""},
        {30, 7 * kDay + kHour, D, ""},
        {30, 7 * kDay, D, In(7)},
        {30, 12 * kHour + 1, D, In(1)},
        {30, 12 * kHour - 1, D, ""},
        {30, -1, D, In(0)},
        {30, -12 * kHour, D, In(0)},
        {30, -13 * kHour, D, ""},
        {30, -14 * kHour, I, In(0)},
        {30, -14 * kHour, S, ""},
        {30, -2 * kDay, S, In(0)},
        // The period turns reminders off, or moves the first threshold; above the usual
        // thresholds all of them stay.
        {0, -kDay, I, ""},
        {10, 20 * kDay, D, ""},
        {10, 10 * kDay, D, In(10)},
        {10, 9 * kDay, D, ""},
        {10, 7 * kDay, D, In(7)},
        {60, 45 * kDay, D, In(45)},
        {60, 31 * kDay, D, ""},
        {60, 30 * kDay, D, In(30)},
        // Crossing a threshold late in a day waits for the next day.
        {30, 7 * kDay + kHour - 10, D, In(8)},
        {30, 7 * kDay - kHour, D, ""},
        {30, 6 * kDay + kHour, D, In(7)}};
    const std::int64_t end = kDay0 + 40 * kDay + 12 * kHour;
    Reminders r;
    for (const auto& [warningDays, before, check, shown] : rows) {
        if (r.warningDays != warningDays) r = Reminders(warningDays);
        EXPECT_EQ(r.At(end - before, {{kA, "A", end}}, check), shown)
            << warningDays << " " << before;
        EXPECT_FALSE(warningDays == 0 && r.writes > 0) << "turned off, nothing is written";
    }
}

TEST(ExpiryReminders, TheFirstToExpireIsNamedAndEveryDueOneRemembered) {
    const std::int64_t now = kDay0 + kHour;
    const std::vector<CertExpiry> certs = {{kB, "五天", now + 5 * kDay},
                                           {kA, "过期", now - kHour},
                                           {kC, "二十天", now + 20 * kDay},
                                           {kB, "五天", now + 5 * kDay}};
    Reminders r;
    EXPECT_EQ(r.At(now, certs, ExpiryCheck::StartUp), ExpiryText("过期", 0));
    EXPECT_EQ(r.values.size(), 3u);
    EXPECT_EQ(r.At(now + kHour, certs, ExpiryCheck::StartUp), "");
    EXPECT_EQ(r.At(now + kHour, {certs[0], certs[2]}, ExpiryCheck::Insertion), "");
    EXPECT_EQ(r.At(now + kDay, {certs[0], certs[2]}), "");
    EXPECT_EQ(r.At(now + kDay, {certs[0]}, ExpiryCheck::Insertion), "");
}

TEST(ExpiryReminders, DamagedStaleOrMissingRecordsAreDroppedAndTheStoreStaysBounded) {
    const std::int64_t now = kDay0 + kHour;
    const std::uint32_t today = kDay0 / kDay;
    const std::vector<CertExpiry> a = {{kA, "A", now + 20 * kDay}};
    // Each a stored record of certificate A: only a sound one from today keeps it quiet.
    const std::pair<StoredReminder, bool> cases[] = {
        {{kA, Record(today, 30, today), true}, false},
        {{kA, Record(today, 30, today), false}, true},                   // not binary
        {{kA, Record(today, 30, today) + "x", true}, true},              // too long
        {{kA, Record(today, 30, today).substr(0, 8), true}, true},       // too short
        {{kA, Record(today + 1, 30, today + 1), true}, true},            // from a later day
        {{kA, Record(today, 30, today - 1), true}, true},                // seen before reminded
        {{std::string(40, 'a'), Record(today, 30, today), true}, true},  // not our name
    };
    for (const auto& [value, reminded] : cases) {
        Reminders r;
        r.values[value.name] = value;
        EXPECT_EQ(r.At(now, a), reminded ? In(20) : "") << value.bytes.size();
        EXPECT_EQ(std::make_pair(r.values.size(), r.values.count(kA)),
                  std::make_pair(std::size_t{1}, std::size_t{1}));
    }

    // Not seen for a year: forgotten; seen within the year: kept, and marked seen once a day.
    Reminders r;
    r.values[kB] = {kB, Record(today - 366, 7, today - 366), true};
    r.values[kC] = {kC, Record(today - 365, 7, today - 365), true};
    r.values[kA] = {kA, Record(today - 3, 30, today - 1), true};
    EXPECT_EQ(r.At(now, a), "");
    EXPECT_EQ(std::make_tuple(r.values.count(kB), r.values.count(kC), r.values[kA].bytes, r.writes),
              std::make_tuple(0u, 1u, Record(today - 3, 30, today), 1));
    EXPECT_EQ(r.At(now + kHour, a), "");
    EXPECT_EQ(r.writes, 1);

    // More records than one check lists, all ahead of A's: A is read by name, reminded once
    // a day, and the oldest records not seen go until the store is within its bound.
    Reminders full;
    const auto name = [](std::uint32_t i) {
        return std::to_string(i + 1000000).insert(0, 33, '0');
    };
    for (std::uint32_t i = 0; i < kMaxListedReminders + 10; ++i) {
        const std::uint32_t seen = today - 300 + i % 300;
        full.values[name(i)] = {name(i), Record(seen, 7, seen), true};
    }
    EXPECT_EQ(full.At(now, a), In(20));
    EXPECT_EQ(full.values.size(), kMaxStoredReminders + 10 + 1);  // 10 were not listed
    EXPECT_EQ(full.At(now + kHour, a), "");
    EXPECT_EQ(std::make_tuple(full.values.size(), full.values.count(name(0)),
                              full.values.count(name(299))),
              std::make_tuple(kMaxStoredReminders + 1, 0u, 1u));
}

TEST(ExpiryReminders, NamesAreCutToFitTheBalloonBetweenCharacters) {
    EXPECT_EQ(ExpiryText("张三", 5), "证书“张三”将于5天后过期，请及时到网上银行更新。");
    EXPECT_EQ(ExpiryText("C=CN, O=Bank", 0), "证书“C=CN, O=Bank”已过期，请及时到网上银行更新。");
    std::string chinese;
    for (int i = 0; i < 200; ++i) chinese += "\xD6\xD0";
    for (const std::string& name : {chinese, "a" + chinese, std::string(300, 'n')}) {
        for (std::int64_t days : {0, 1000000}) {
            const std::string text = ExpiryText(name, days);
            const std::size_t cut = text.size() - ExpiryText("", days).size();
            EXPECT_EQ(text, ExpiryText(name.substr(0, cut), days));  // the name's head, whole
            EXPECT_GE(text.size(), kInfoSize - 2);  // one byte may stay free, no more
            EXPECT_LE(text.size(), kInfoSize - 1);
            // A character is never split: after "a" the pairs start at odd offsets.
            EXPECT_TRUE(name[0] == 'n' || (cut + (name[0] == 'a')) % 2 == 0) << cut;
        }
    }
}

TEST(ExpiryReminders, DailyTimerWakesAfterMidnightAtMostHourly) {
    EXPECT_EQ(MsUntilNextDailyCheck(kDay0), (kDay + 60) * 1000u);
    EXPECT_EQ(MsUntilNextDailyCheck(kDay0 + 12 * kHour), (12 * kHour + 60) * 1000u);
    EXPECT_EQ(MsUntilNextDailyCheck(kDay0 + kDay - 10), kHour * 1000u);
    EXPECT_EQ(SecondsFromFileTime(116444736000000000ull + 10000000ull * kDay0), kDay0);
}

// Slot 1: "U" with both kinds at position 0 (kind 1 does not decode), flags without a name at 1,
// "C" with both kinds at 2 (kind 1 cannot be read), and position 3 cannot be read; slot 2: "Two"
// with kind 1, claiming a length past the buffer. Library calls for key 1 alone: four positions
// and four certificates; key 2: six and one.
FakeKeyLibrary TwoKeys() {
    FakeKeyLibrary keys;
    keys.Plug(1, {{"U", "", "C", "Odd"}, {0xF, 0xF, 0xF}, "", 2, 0, 0, 0, 3});
    keys.Plug(2, {{"Two"}, {0x5}, ""});
    keys.certs["U#1"] = "junk", keys.certs.erase("C#1"), keys.certs["Two#1"] = "";
    return keys;
}

// Steps: W the certificate page walks key 1, C the check over key 1, B over keys 1 and 2, D the
// daily check over key 1, K one idle turn's key of keys 1 and 2, N a new event, P key 1 pulled,
// X a container of key 1 deleted.
TEST(KeyReads, EachKeyIsReadOncePerEventAndOnceForRemindersWhilePlugged) {
    const std::pair<const char*, int> rows[] = {
        {"WC", 8},           // the tree's reading serves the check of its event
        {"WWC", 8 + 8},      // the page's own reads always reach the library
        {"CNB", 8 + 7},      // a key checked since it was plugged in is not read again
        {"CND", 8 + 8},      // the daily check reads every key afresh
        {"CNPC", 8 + 8},     // a key pulled and plugged again is read again
        {"CXC", 8 + 1 + 8},  // deleting a container forgets what its key held
        {"K", 8},            // an idle turn reads one key,
        {"KKK", 8 + 7},      // the next turn the next one, and the third none
    };
    const std::uint32_t slots[] = {1, 2};
    for (const auto& [steps, calls] : rows) {
        FakeKeyLibrary keys = TwoKeys();
        KeyReads record;
        RecordedKeyLibrary page(record, keys);
        std::vector<std::uint8_t> buffer;
        std::vector<std::string> names;
        for (const char* step = steps; *step; ++step) {
            if (*step == 'W') WalkKey(1, page, buffer);
            if (*step == 'C' || *step == 'B' || *step == 'D') {
                names.clear();
                for (const CertExpiry& cert :
                     record.Expiries(slots, *step == 'B' ? 2 : 1, keys, keys, *step == 'D')) {
                    names.push_back(cert.name);
                }
            }
            if (*step == 'K') record.CheckNextKey(slots, 2, keys, keys);
            if (*step == 'N') record.NewEvent();
            if (*step == 'P') record.KeepOnly(slots + 1, 1);
            if (*step == 'X') page.DeleteContainerByName(1, "U");
        }
        EXPECT_EQ(keys.calls, calls) << steps;
        // What fails or does not decode is passed over.
        if (std::strpbrk(steps, "CBD")) {
            EXPECT_EQ(names, (std::vector<std::string>{"U#2", "C#2"})) << steps;
        }
    }
    FakeKeyLibrary keys = TwoKeys();
    KeyReads().Expiries(slots, 2, keys, keys, false);
    EXPECT_EQ(keys.reads, (std::vector<std::string>{"1U#1", "1U#2", "1C#1", "1C#2", "2Two#1"}));
}

TEST(Texts, BalloonNumbersBeyondTheTableHaveNoTextAndByteLimitsCutBetweenCharacters) {
    EXPECT_NE(BalloonText(20), nullptr);
    EXPECT_EQ(BalloonText(21), nullptr);
    EXPECT_EQ(BalloonText(0xFFFFFFFFu), nullptr);
    // A trail byte in the ASCII range (0x40) still belongs to its lead byte.
    const std::string text = "a\x81\x40\xB1\xEA";
    EXPECT_EQ(GbkPrefixLength(text.data(), text.size(), 2), 1u);
    EXPECT_EQ(GbkPrefixLength(text.data(), text.size(), 4), 3u);
    EXPECT_EQ(GbkPrefixLength(text.data(), text.size(), 9), 5u);
    EXPECT_EQ(GbkPrefixLength(text.data(), 4, 9), 3u);  // a lead byte without its trail
}

}  // namespace
}  // namespace keytool
