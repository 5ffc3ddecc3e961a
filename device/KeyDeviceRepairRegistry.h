// The repair's registry side on the real registry: paths are relative to
// HKEY_LOCAL_MACHINE, and access lists are changed through the security
// functions, which name the key "MACHINE\" followed by the path.
#pragma once

#include "device/logic/KeyDeviceRepairRegistry.h"

// Lets everyone have full control of the key and, inherited, of everything
// below it. Answers 1 on success, with the key's former access list in
// `original`; 0 otherwise, also when the security name would exceed 255 bytes.
int GrantEveryoneAccess(const char* path, keytool::SavedAccess& original);

// Puts back an access list saved by GrantEveryoneAccess.
void RestoreAccess(const char* path, const keytool::SavedAccess& original);

// Deletes everything below the key, depth first; the key itself stays, with
// its own access list. Always answers 1.
int DeleteSubKeys(const char* path);

class MachineRegistry : public keytool::Registry {
public:
    bool GrantEveryoneAccess(const std::string& path, keytool::SavedAccess& original) override;
    void RestoreAccess(const std::string& path, const keytool::SavedAccess& original) override;
    keytool::RegKey OpenKey(const std::string& path) override;
    keytool::SubKeyName EnumSubKey(keytool::RegKey key, std::uint32_t index,
                                   std::string& name) override;
    std::uint32_t CountSubKeys(keytool::RegKey key) override;
    bool DeleteKey(const std::string& path) override;
    void CloseKey(keytool::RegKey key) override;
};
