// The registry walk that wipes a device's instance keys so that Windows
// installs the device afresh: everything below a key goes, the key stays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace keytool {

// Bytes of a key path and of a subkey name, terminating NUL included.
constexpr std::size_t kRegPathSize = 260;

// An open key; 0 is none.
using RegKey = std::uintptr_t;

// A key's access list as it was before everyone was let in, kept to be put back.
using SavedAccess = std::vector<unsigned char>;

enum class SubKeyName {
    kNamed,    // the name was written
    kTooLong,  // a subkey is there but its name does not fit the name buffer
    kNone,     // past the last subkey, or the key cannot be enumerated any more
};

// The registry under HKEY_LOCAL_MACHINE; paths are relative to it.
class Registry {
public:
    virtual ~Registry() = default;
    // Gives everyone full control of the key and, inherited, of everything below
    // it; answers whether that took effect. `original` gets the list it replaces
    // as soon as that list is read, so also when the change then fails, perhaps
    // half-way through the keys below.
    virtual bool GrantEveryoneAccess(const std::string& path, SavedAccess& original) = 0;
    // Puts `original` back; false when the key's list could not be made so.
    virtual bool RestoreAccess(const std::string& path, const SavedAccess& original) = 0;
    // Opens with full access; 0 when the key cannot be opened.
    virtual RegKey OpenKey(const std::string& path) = 0;
    virtual SubKeyName EnumSubKey(RegKey key, std::uint32_t index, std::string& name) = 0;
    // 0 as well when the count cannot be read.
    virtual std::uint32_t CountSubKeys(RegKey key) = 0;
    virtual bool DeleteKey(const std::string& path) = 0;
    virtual void CloseKey(RegKey key) = 0;
};

// Where the repair tells what the user is not shown.
class RepairReport {
public:
    virtual ~RepairReport() = default;
    // The key stays open to everyone: its own list could not be put back.
    virtual void RestoreFailed(const std::string& path) = 0;
};

// Deletes every key below `path`, depth first, each emptied before it goes.
// Keys that cannot be opened or deleted are left and the walk moves past them.
// The access list of `path`, and of any key below it that survives, is put
// back as it was whenever it was read, whether or not the grant went through;
// a list that cannot be put back is reported. Always answers 1.
int DeleteSubKeys(Registry& registry, const std::string& path, RepairReport& report);

}  // namespace keytool
