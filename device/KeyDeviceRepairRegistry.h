// The repair's registry side on the real registry: paths are relative to
// HKEY_LOCAL_MACHINE, and access lists are changed through the security
// functions, which name the key "MACHINE\" followed by the path.
#pragma once

#include "device/logic/KeyDeviceRepairRegistry.h"

// Lets Everyone (the well-known SID S-1-1-0, whatever the system's language
// calls it) have full control of the key and, inherited, of everything below
// it. Answers 1 on success; 0 otherwise, also when the security name would
// exceed 255 bytes. `original` gets the key's former list whenever it was read,
// also when writing the new one then failed.
int GrantEveryoneAccess(const char* path, keytool::SavedAccess& original);

// Puts back a list saved by GrantEveryoneAccess, unless the key has it already;
// false when the key's list is not the saved one afterwards.
bool RestoreAccess(const char* path, const keytool::SavedAccess& original);

// Deletes everything below the key, depth first; the key itself stays, with
// its own access list. Always answers 1.
int DeleteSubKeys(const char* path);

// Where the repair reports what the user is not shown: the tool's log.
class LoggedRepairReport : public keytool::RepairReport {
public:
    void RestoreFailed(const std::string& path) override;
};

class MachineRegistry : public keytool::Registry {
public:
    bool GrantEveryoneAccess(const std::string& path, keytool::SavedAccess& original) override;
    bool RestoreAccess(const std::string& path, const keytool::SavedAccess& original) override;
    keytool::RegKey OpenKey(const std::string& path) override;
    keytool::SubKeyName EnumSubKey(keytool::RegKey key, std::uint32_t index,
                                   std::string& name) override;
    std::uint32_t CountSubKeys(keytool::RegKey key) override;
    bool DeleteKey(const std::string& path) override;
    void CloseKey(keytool::RegKey key) override;
};
