#include "device/KeyDeviceRepairRegistry.h"

#include <windows.h>
#include <aclapi.h>

#include <cstdio>
#include <cstring>

#include "log/Log.h"

namespace {

// The security functions' name of a key: "MACHINE\" and the path, 255 bytes at most.
constexpr std::size_t kObjectNameSize = 256;

bool ObjectName(const char* path, char (&name)[kObjectNameSize]) {
    const int length = std::snprintf(name, sizeof name, "MACHINE\\%s", path);
    return length >= 0 && static_cast<std::size_t>(length) < sizeof name;
}

HKEY ToHkey(keytool::RegKey key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

int GrantEveryoneAccess(const char* path, keytool::SavedAccess& original) {
    char name[kObjectNameSize];
    if (!ObjectName(path, name)) return 0;
    PACL oldAcl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoA(name, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                &oldAcl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return 0;
    }

    EXPLICIT_ACCESS_A access;
    std::memset(&access, 0, sizeof access);
    char trustee[] = "everyone";
    ::BuildExplicitAccessWithNameA(&access, trustee, KEY_ALL_ACCESS, SET_ACCESS,
                                   SUB_CONTAINERS_AND_OBJECTS_INHERIT);
    int granted = 0;
    PACL newAcl = nullptr;
    if (::SetEntriesInAclA(1, &access, oldAcl, &newAcl) == ERROR_SUCCESS) {
        if (::SetNamedSecurityInfoA(name, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                    nullptr, newAcl, nullptr) == ERROR_SUCCESS) {
            const auto* bytes = static_cast<const unsigned char*>(descriptor);
            original.assign(bytes, bytes + ::GetSecurityDescriptorLength(descriptor));
            granted = 1;
        }
        ::LocalFree(newAcl);
    }
    ::LocalFree(descriptor);
    return granted;
}

void RestoreAccess(const char* path, const keytool::SavedAccess& original) {
    char name[kObjectNameSize];
    if (!ObjectName(path, name)) return;
    keytool::SavedAccess descriptor = original;
    if (descriptor.empty() || !::IsValidSecurityDescriptor(descriptor.data())) return;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted)) return;
    // A key that had no list at all gets none back: null stands for that.
    ::SetNamedSecurityInfoA(name, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                            present ? acl : nullptr, nullptr);
}

int DeleteSubKeys(const char* path) {
    MachineRegistry registry;
    return keytool::DeleteSubKeys(registry, path);
}

bool MachineRegistry::GrantEveryoneAccess(const std::string& path, keytool::SavedAccess& original) {
    if (::GrantEveryoneAccess(path.c_str(), original)) return true;
    // Most control sets have no entry for the key: that is no failure.
    HKEY key = nullptr;
    const LONG exists = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key);
    if (exists == ERROR_SUCCESS) ::RegCloseKey(key);
    if (exists != ERROR_FILE_NOT_FOUND) {
        LogLine("repair: access to HKLM\\%s could not be opened up", path.c_str());
    }
    return false;
}

void MachineRegistry::RestoreAccess(const std::string& path, const keytool::SavedAccess& original) {
    ::RestoreAccess(path.c_str(), original);
}

keytool::RegKey MachineRegistry::OpenKey(const std::string& path) {
    HKEY key = nullptr;
    const LONG result = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (result != ERROR_SUCCESS) {
        if (result != ERROR_FILE_NOT_FOUND) {
            LogLine("repair: RegOpenKeyExA(HKLM\\%s) answered %ld", path.c_str(), result);
        }
        return 0;
    }
    return reinterpret_cast<keytool::RegKey>(key);
}

keytool::SubKeyName MachineRegistry::EnumSubKey(keytool::RegKey key, std::uint32_t index,
                                                std::string& name) {
    char buffer[keytool::kRegPathSize];
    DWORD length = sizeof buffer;
    switch (
        ::RegEnumKeyExA(ToHkey(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr)) {
        case ERROR_SUCCESS:
            name.assign(buffer, ::strnlen(buffer, sizeof buffer));
            return keytool::SubKeyName::kNamed;
        case ERROR_MORE_DATA:
            return keytool::SubKeyName::kTooLong;
        default:
            return keytool::SubKeyName::kNone;
    }
}

std::uint32_t MachineRegistry::CountSubKeys(keytool::RegKey key) {
    DWORD subKeys = 0;
    if (::RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return 0;
    }
    return subKeys;
}

bool MachineRegistry::DeleteKey(const std::string& path) {
    const LONG result = ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
    LogLine("repair: RegDeleteKeyA(HKLM\\%s) answered %ld", path.c_str(), result);
    return result == ERROR_SUCCESS;
}

void MachineRegistry::CloseKey(keytool::RegKey key) { ::RegCloseKey(ToHkey(key)); }
