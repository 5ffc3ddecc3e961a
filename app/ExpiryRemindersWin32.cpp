#include "app/ExpiryRemindersWin32.h"

#include <algorithm>

#include "keylib/logic/SlotTable.h"
#include "log/Log.h"
#include "keys/CertDecoderCrypt32.h"
#include "keys/KeyLibrary.h"
#include "keys/logic/KeyReads.h"

namespace {

constexpr char kRemindersKey[] = "Software\\Qelmora\\UsbKeyTool\\Reminders";
constexpr char kPolicyKey[] = "Software\\Policies\\Qelmora\\UsbKeyTool";
constexpr char kWarningDaysValue[] = "ExpiryWarningDays";
// A value larger than this is no record of ours: it is read as damaged, without its bytes.
constexpr DWORD kLargestRecord = 64;

std::int64_t Now() {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    return keytool::SecondsFromFileTime((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                                        now.dwLowDateTime);
}

// The bank's period; the 64-bit view, where group policy writes on 64-bit Windows.
std::uint32_t WarningDays() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                        &key) != ERROR_SUCCESS) {
        return keytool::kDefaultWarningDays;
    }
    DWORD type = 0, value = 0, size = sizeof value;
    const LONG read = ::RegQueryValueExA(key, kWarningDaysValue, nullptr, &type,
                                         reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
    const bool set = read == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value;
    return set ? value : keytool::kDefaultWarningDays;
}

// A value of at most kLargestRecord bytes with its bytes; a larger one without them.
keytool::StoredReminder ReadValue(HKEY key, const char* name) {
    keytool::StoredReminder value{name, "", false};
    char data[kLargestRecord];
    DWORD type = 0, size = sizeof data;
    value.binary = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                      &size) == ERROR_SUCCESS &&
                   type == REG_BINARY;
    value.bytes.assign(data, value.binary ? size : 0);
    return value;
}

}  // namespace

keytool::StoredReminder RegistryReminderStore::Read(const std::string& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRemindersKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return {name, "", false};
    }
    const keytool::StoredReminder value = ReadValue(key, name.c_str());
    ::RegCloseKey(key);
    return value;
}

std::vector<keytool::StoredReminder> RegistryReminderStore::ReadAll() {
    std::vector<keytool::StoredReminder> values;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRemindersKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return values;
    }
    for (DWORD i = 0; i < keytool::kMaxListedReminders; ++i) {
        char name[64];
        DWORD nameSize = sizeof name;
        const LONG listed =
            ::RegEnumValueA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (listed == ERROR_NO_MORE_ITEMS) break;
        if (listed != ERROR_SUCCESS) continue;  // a name too long to be ours
        values.push_back(ReadValue(key, name));
    }
    ::RegCloseKey(key);
    return values;
}

void RegistryReminderStore::Write(const std::string& name, const std::string& bytes) {
    HKEY key = nullptr;
    LONG result = ::RegCreateKeyExA(HKEY_CURRENT_USER, kRemindersKey, 0, nullptr, 0, KEY_SET_VALUE,
                                    nullptr, &key, nullptr);
    if (result == ERROR_SUCCESS) {
        result = ::RegSetValueExA(key, name.c_str(), 0, REG_BINARY,
                                  reinterpret_cast<const BYTE*>(bytes.data()),
                                  static_cast<DWORD>(bytes.size()));
        ::RegCloseKey(key);
    }
    // Without the record the reminder comes again: worth a line for support.
    if (result != ERROR_SUCCESS) LogLine("expiry reminder not stored: error %ld", result);
}

void RegistryReminderStore::Remove(const std::string& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRemindersKey, 0, KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    ::RegDeleteValueA(key, name.c_str());
    ::RegCloseKey(key);
}

bool ReadNextKeyForExpiryCheck() {
    if (WarningDays() == 0) return false;
    KeyLibrary keys;
    Crypt32CertDecoder decoder;
    return keytool::g_KeyReads.CheckNextKey(g_dwSlots, std::min(g_nSlots, keytool::kMaxSlots), keys,
                                            decoder);
}

std::string RunExpiryCheck(keytool::ExpiryCheck check) {
    const std::uint32_t warningDays = WarningDays();
    if (warningDays == 0) return "";  // off: the keys are not even read
    KeyLibrary keys;
    Crypt32CertDecoder decoder;
    // The daily check is an event of its own: the keys are read afresh.
    const bool daily = check == keytool::ExpiryCheck::Daily;
    if (daily) keytool::g_KeyReads.NewEvent();
    const std::vector<keytool::CertExpiry> certificates = keytool::g_KeyReads.Expiries(
        g_dwSlots, std::min(g_nSlots, keytool::kMaxSlots), keys, decoder, daily);
    RegistryReminderStore store;
    const std::string text = keytool::CheckExpiry(certificates, Now(), warningDays, check, store);
    if (!text.empty()) LogLineGbk("expiry reminder: %s", text.c_str());
    return text;
}

UINT MsUntilDailyCheck() { return keytool::MsUntilNextDailyCheck(Now()); }
