// The registry walk and the access-list changes on Wine's real registry, on a
// tree of test keys under HKEY_LOCAL_MACHINE.
#include <windows.h>
// windows.h must come first.
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "device/KeyDeviceRepairRegistry.h"

namespace {

const std::string kRoot = "SOFTWARE\\QelmoraKeyToolTest";
const std::string kPath = kRoot + "\\Vid_d1a1&Pid_2291";

std::string AccessList(const std::string& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    LPSTR text = nullptr;
    if (GetNamedSecurityInfoA(("MACHINE\\" + path).c_str(), SE_REGISTRY_KEY,
                              DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                              &descriptor) != ERROR_SUCCESS ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorA(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
        return "unreadable";
    }
    const std::string sddl = text;
    LocalFree(text);
    LocalFree(descriptor);
    return sddl;
}

TEST(MachineRegistry, TreeBelowThePathGoesAndItsAccessListComesBack) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRoot.c_str());
    for (const std::string& path :
         {kPath + "\\5&1a&0&1\\Device Parameters\\Interrupt", kPath + "\\6&4d&0&2"}) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    const std::string before = AccessList(kPath);
    ASSERT_EQ(before.rfind("D:", 0), 0u) << before;

    keytool::SavedAccess original;
    ASSERT_EQ(GrantEveryoneAccess(kPath.c_str(), original), 1);
    EXPECT_NE(AccessList(kPath).find("(A;OICI;KA;;;WD)"), std::string::npos);
    RestoreAccess(kPath.c_str(), original);
    EXPECT_EQ(AccessList(kPath), before);

    EXPECT_EQ(DeleteSubKeys(kPath.c_str()), 1);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPath.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD subkeys = 99;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(subkeys, 0u);
    EXPECT_EQ(AccessList(kPath), before);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRoot.c_str());
}

}  // namespace
