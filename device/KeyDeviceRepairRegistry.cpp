#include "device/KeyDeviceRepairRegistry.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

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

// The access list part of a descriptor as text, to compare two lists; empty when unreadable.
std::string DaclText(PSECURITY_DESCRIPTOR descriptor) {
    LPSTR text = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
        return {};
    }
    std::string dacl = text;
    ::LocalFree(text);
    return dacl;
}

std::string CurrentDaclText(const char* name) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoA(name, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return {};
    }
    std::string dacl = DaclText(descriptor);
    ::LocalFree(descriptor);
    return dacl;
}

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
    const auto* bytes = static_cast<const unsigned char*>(descriptor);
    original.assign(bytes, bytes + ::GetSecurityDescriptorLength(descriptor));

    // By SID: the account name of Everyone differs with the system's language.
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    int granted = 0;
    if (::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
        EXPLICIT_ACCESS_A access;
        std::memset(&access, 0, sizeof access);
        access.grfAccessPermissions = KEY_ALL_ACCESS;
        access.grfAccessMode = SET_ACCESS;
        access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        access.Trustee.ptstrName = static_cast<LPSTR>(everyone);
        PACL newAcl = nullptr;
        if (::SetEntriesInAclA(1, &access, oldAcl, &newAcl) == ERROR_SUCCESS) {
            granted = ::SetNamedSecurityInfoA(name, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION,
                                              nullptr, nullptr, newAcl, nullptr) == ERROR_SUCCESS;
            ::LocalFree(newAcl);
        }
        ::FreeSid(everyone);
    }
    ::LocalFree(descriptor);
    return granted;
}

bool RestoreAccess(const char* path, const keytool::SavedAccess& original) {
    char name[kObjectNameSize];
    if (!ObjectName(path, name)) return false;
    keytool::SavedAccess descriptor = original;
    if (descriptor.empty() || !::IsValidSecurityDescriptor(descriptor.data())) return false;
    const std::string saved = DaclText(descriptor.data());
    // A grant that failed before writing anything left nothing to undo.
    if (!saved.empty() && CurrentDaclText(name) == saved) return true;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted)) return false;
    // A key that had no list at all gets none back: null stands for that.
    return ::SetNamedSecurityInfoA(name, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                   nullptr, present ? acl : nullptr, nullptr) == ERROR_SUCCESS;
}

int DeleteSubKeys(const char* path) {
    MachineRegistry registry;
    LoggedRepairReport report;
    return keytool::DeleteSubKeys(registry, path, report);
}

void LoggedRepairReport::RestoreFailed(const std::string& path) {
    LogLine(
        "repair: the access list of HKLM\\%s could not be put back; Everyone keeps full control",
        path.c_str());
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

bool MachineRegistry::RestoreAccess(const std::string& path, const keytool::SavedAccess& original) {
    return ::RestoreAccess(path.c_str(), original);
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
