#include "app/logic/ExpiryReminders.h"

#include <algorithm>
#include <map>

#include "app/logic/TrayTexts.h"
#include "text/logic/GbkText.h"

namespace keytool {
namespace {

constexpr std::uint32_t kThresholds[] = {30, 7, 1};
constexpr std::uint32_t kExpiredBand = 0;
constexpr std::size_t kThumbprintLength = 40;
constexpr std::size_t kRecordSize = 12;

// What the store keeps of a certificate, as days since 1970.
struct Record {
    std::uint32_t remindedDay = 0;
    std::uint32_t band = 0;  // the threshold last reminded of; kExpiredBand once expired
    std::uint32_t seenDay = 0;

    bool operator==(const Record& other) const {
        return remindedDay == other.remindedDay && band == other.band && seenDay == other.seenDay;
    }
};

std::int64_t DayOf(std::int64_t seconds) {
    return seconds >= 0 ? seconds / kSecondsPerDay
                        : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
}

bool IsThumbprint(const std::string& name) {
    return name.size() == kThumbprintLength && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
           });
}

std::uint32_t ReadWord(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

void AppendWord(std::string& bytes, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Encode(const Record& record) {
    std::string bytes;
    AppendWord(bytes, record.remindedDay);
    AppendWord(bytes, record.band);
    AppendWord(bytes, record.seenDay);
    return bytes;
}

// False for a value this program did not write, or one from a later day
// than today (a clock set back): both are dropped.
bool Decode(const StoredReminder& value, std::int64_t today, Record* record) {
    if (!value.binary || value.bytes.size() != kRecordSize || !IsThumbprint(value.name)) {
        return false;
    }
    record->remindedDay = ReadWord(value.bytes, 0);
    record->band = ReadWord(value.bytes, 4);
    record->seenDay = ReadWord(value.bytes, 8);
    return record->remindedDay <= today && record->seenDay <= today &&
           record->remindedDay <= record->seenDay;
}

// Days left, rounded up; 0 once expired.
std::int64_t DaysLeft(std::int64_t notAfter, std::int64_t now) {
    const std::int64_t seconds = notAfter - now;
    return seconds <= 0 ? 0 : (seconds - 1) / kSecondsPerDay + 1;
}

// The threshold band a certificate is in: the smallest threshold at or above
// its days left, the period counting as the first. False outside the period.
bool BandOf(std::int64_t daysLeft, std::uint32_t warningDays, std::uint32_t* band) {
    if (daysLeft == 0) {
        *band = kExpiredBand;
        return true;
    }
    if (daysLeft > warningDays) return false;
    *band = warningDays;
    for (std::uint32_t threshold : kThresholds) {
        if (threshold <= warningDays && daysLeft <= threshold) *band = threshold;
    }
    return true;
}

bool IsDue(const Record* record, std::uint32_t band, std::int64_t today, ExpiryCheck check) {
    if (!record) return true;
    if (band == kExpiredBand && check == ExpiryCheck::Insertion) return true;
    if (record->remindedDay == today) return false;
    return band == kExpiredBand || band < record->band;
}

}  // namespace

std::string CheckExpiry(const std::vector<CertExpiry>& certificates, std::int64_t now,
                        std::uint32_t warningDays, ExpiryCheck check, ReminderStore& store) {
    if (warningDays == 0) return "";
    const std::int64_t today = DayOf(now);
    const auto day = static_cast<std::uint32_t>(std::max<std::int64_t>(today, 0));

    // The same certificate may sit on two keys or in two containers: once is enough.
    std::map<std::string, const CertExpiry*> present;
    for (const CertExpiry& cert : certificates) present.emplace(cert.thumbprint, &cert);

    // Damaged and stale records go, and past the bound the oldest not seen now.
    std::vector<std::pair<std::uint32_t, std::string>> unseen;
    for (const StoredReminder& value : store.ReadAll()) {
        Record record;
        if (!Decode(value, today, &record) || record.seenDay + kForgetAfterDays < today) {
            store.Remove(value.name);
        } else if (!present.count(value.name)) {
            unseen.emplace_back(record.seenDay, value.name);
        }
    }
    if (unseen.size() > kMaxStoredReminders) {
        std::sort(unseen.begin(), unseen.end());
        for (std::size_t i = 0; i < unseen.size() - kMaxStoredReminders; ++i) {
            store.Remove(unseen[i].second);
        }
    }

    const CertExpiry* named = nullptr;
    for (const auto& [thumbprint, cert] : present) {
        Record record;
        const bool known = Decode(store.Read(thumbprint), today, &record) &&
                           record.seenDay + kForgetAfterDays >= today;
        const Record* before = known ? &record : nullptr;
        Record after = before ? *before : Record{};
        after.seenDay = day;

        std::uint32_t band = 0;
        if (BandOf(DaysLeft(cert->notAfter, now), warningDays, &band) &&
            IsDue(before, band, today, check)) {
            after.remindedDay = day;
            after.band = band;
            if (!named || cert->notAfter < named->notAfter) named = cert;
        } else if (!before) {
            continue;  // nothing to remember of a certificate never reminded of
        }
        if (!before || !(after == *before)) store.Write(thumbprint, Encode(after));
    }
    return named ? ExpiryText(named->name, DaysLeft(named->notAfter, now)) : "";
}

std::string ExpiryText(const std::string& name, std::int64_t daysLeft) {
    const std::string before = "证书“";
    const std::string after =
        daysLeft > 0 ? "”将于" + std::to_string(daysLeft) + "天后过期，请及时到网上银行更新。"
                     : "”已过期，请及时到网上银行更新。";
    const std::size_t room = kInfoSize - 1 - before.size() - after.size();
    return before + name.substr(0, GbkPrefixLength(name.data(), name.size(), room)) + after;
}

std::uint32_t MsUntilNextDailyCheck(std::int64_t now) {
    constexpr std::int64_t kSlackSeconds = 60;
    constexpr std::int64_t kHour = 3600;
    const std::int64_t untilMidnight = (DayOf(now) + 1) * kSecondsPerDay - now;
    return static_cast<std::uint32_t>(std::max(untilMidnight + kSlackSeconds, kHour) * 1000);
}

}  // namespace keytool
