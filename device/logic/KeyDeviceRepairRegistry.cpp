#include "device/logic/KeyDeviceRepairRegistry.h"

namespace keytool {

namespace {

// Puts a list back if one was read: a grant that failed may have changed part
// of the tree before it stopped.
void PutBack(Registry& registry, const std::string& path, const SavedAccess& original,
             RepairReport& report) {
    if (!original.empty() && !registry.RestoreAccess(path, original)) report.RestoreFailed(path);
}

// Opens the key to everyone and deletes what lies below it; `original` gets the
// list the grant replaced, if it could be read.
void EmptyKey(Registry& registry, const std::string& path, SavedAccess& original,
              RepairReport& report);

// Answers whether the child is gone; when it is not, the caller moves past it,
// as asking for the same index again would name the same child forever.
bool RemoveChild(Registry& registry, const std::string& parent, const std::string& name,
                 RepairReport& report) {
    if (parent.size() + 1 + name.size() >= kRegPathSize) return false;
    const std::string path = parent + '\\' + name;
    const RegKey child = registry.OpenKey(path);
    if (child == 0) return false;

    SavedAccess original;
    if (registry.CountSubKeys(child) > 0) EmptyKey(registry, path, original, report);
    const bool deleted = registry.DeleteKey(path);
    // A key that stays must not stay open to every local user.
    if (!deleted) PutBack(registry, path, original, report);
    registry.CloseKey(child);
    return deleted;
}

void EmptyKey(Registry& registry, const std::string& path, SavedAccess& original,
              RepairReport& report) {
    registry.GrantEveryoneAccess(path, original);
    const RegKey key = registry.OpenKey(path);
    if (key == 0) return;

    // Index 0 names the first child still left; only a child that stays moves it on.
    std::uint32_t index = 0;
    std::string name;
    for (;;) {
        const SubKeyName found = registry.EnumSubKey(key, index, name);
        if (found == SubKeyName::kNone) break;
        if (found == SubKeyName::kTooLong || !RemoveChild(registry, path, name, report)) ++index;
    }
    registry.CloseKey(key);
}

}  // namespace

int DeleteSubKeys(Registry& registry, const std::string& path, RepairReport& report) {
    if (path.size() >= kRegPathSize) return 1;
    SavedAccess original;
    EmptyKey(registry, path, original, report);
    PutBack(registry, path, original, report);
    return 1;
}

}  // namespace keytool
