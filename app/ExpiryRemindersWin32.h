// Expiry reminders on Windows: the reminder store in the user's registry, the
// bank's policy value, the clock, and the certificates of the plugged keys
// read through the key library and crypt32.
#pragma once

#include <windows.h>

#include <string>

#include "app/logic/ExpiryReminders.h"

class RegistryReminderStore : public keytool::ReminderStore {
public:
    keytool::StoredReminder Read(const std::string& name) override;
    std::vector<keytool::StoredReminder> ReadAll() override;
    void Write(const std::string& name, const std::string& bytes) override;
    void Remove(const std::string& name) override;
};

// Reads the certificates of one key in g_dwSlots not yet checked since it was
// plugged in; false when there is none left (or reminders are off).
bool ReadNextKeyForExpiryCheck();

// Checks the certificates of the keys in g_dwSlots now; the balloon text, or empty.
std::string RunExpiryCheck(keytool::ExpiryCheck check);

// Milliseconds until the next daily check.
UINT MsUntilDailyCheck();
