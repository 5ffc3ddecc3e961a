#include "device/logic/KeyDeviceRepairRegistry.h"

namespace keytool {

namespace {

// Opens the key to everyone and deletes what lies below it. Answers whether the
// grant took effect, with the list it replaced in `original`.
bool EmptyKey(Registry& registry, const std::string& path, SavedAccess& original);

// Answers whether the child is gone; when it is not, the caller moves past it,
// as asking for the same index again would name the same child forever.
bool RemoveChild(Registry& registry, const std::string& parent, const std::string& name) {
    if (parent.size() + 1 + name.size() >= kRegPathSize) return false;
    const std::string path = parent + '\\' + name;
    const RegKey child = registry.OpenKey(path);
    if (child == 0) return false;

    SavedAccess original;
    bool granted = false;
    if (registry.CountSubKeys(child) > 0) granted = EmptyKey(registry, path, original);
    const bool deleted = registry.DeleteKey(path);
    // A key that stays must not stay open to every local user.
    if (!deleted && granted) registry.RestoreAccess(path, original);
    registry.CloseKey(child);
    return deleted;
}

bool EmptyKey(Registry& registry, const std::string& path, SavedAccess& original) {
    const bool granted = registry.GrantEveryoneAccess(path, original);
    const RegKey key = registry.OpenKey(path);
    if (key == 0) return granted;

    // Index 0 names the first child still left; only a child that stays moves it on.
    std::uint32_t index = 0;
    std::string name;
    for (;;) {
        const SubKeyName found = registry.EnumSubKey(key, index, name);
        if (found == SubKeyName::kNone) break;
        if (found == SubKeyName::kTooLong || !RemoveChild(registry, path, name)) ++index;
    }
    registry.CloseKey(key);
    return granted;
}

}  // namespace

int DeleteSubKeys(Registry& registry, const std::string& path) {
    if (path.size() >= kRegPathSize) return 1;
    SavedAccess original;
    if (EmptyKey(registry, path, original)) registry.RestoreAccess(path, original);
    return 1;
}

}  // namespace keytool
