// Certificate expiry reminders: which certificate on the plugged keys to
// remind of, with which balloon text, and when; what was shown is kept per
// user so that a certificate is reminded once per threshold and day.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keys/logic/KeyCerts.h"

namespace keytool {

constexpr std::uint32_t kDefaultWarningDays = 30;  // 0 turns reminders off
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::uint32_t kForgetAfterDays = 365;
// Records kept: past it the oldest not seen at a check are forgotten.
constexpr std::size_t kMaxStoredReminders = 1024;
// Values one check looks through to forget what is damaged or too much; a
// stuffed store shrinks check by check.
constexpr std::size_t kMaxListedReminders = 4 * kMaxStoredReminders;

// One registry value of the reminder store: its name and, when it is binary, its bytes.
struct StoredReminder {
    std::string name;
    std::string bytes;
    bool binary = false;
};

// The per-user store: one value per reminded certificate, named by thumbprint.
class ReminderStore {
public:
    virtual ~ReminderStore() = default;
    // The value of that name; not binary when it is missing.
    virtual StoredReminder Read(const std::string& name) = 0;
    // The first kMaxListedReminders values at most; none when the store is missing.
    virtual std::vector<StoredReminder> ReadAll() = 0;
    virtual void Write(const std::string& name, const std::string& bytes) = 0;
    virtual void Remove(const std::string& name) = 0;
};

enum class ExpiryCheck {
    StartUp,
    Insertion,  // expired certificates are reminded at each one
    Daily,
};

// Runs one check over the certificates of the plugged keys at `now`: updates
// the store and answers the balloon text, empty when nothing is to be shown.
std::string CheckExpiry(const std::vector<CertExpiry>& certificates, std::int64_t now,
                        std::uint32_t warningDays, ExpiryCheck check, ReminderStore& store);

// The balloon for a certificate with daysLeft days left (0: expired), its name
// cut without splitting a character so that the text fits the balloon.
std::string ExpiryText(const std::string& name, std::int64_t daysLeft);

// Milliseconds from `now` until shortly after the next UTC midnight, never
// under an hour: the daily check's timer.
std::uint32_t MsUntilNextDailyCheck(std::int64_t now);

}  // namespace keytool
