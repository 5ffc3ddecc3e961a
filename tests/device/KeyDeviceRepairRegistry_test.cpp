// The registry walk and the access-list changes on Wine's real registry, on a
// tree of test keys under HKEY_LOCAL_MACHINE that each test builds afresh.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/KeyDeviceRepairRegistry.h"

namespace {

const std::string kTestRoot = "SOFTWARE\\QelmoraKeyToolTest";
const std::string kPath = kTestRoot + "\\Vid_d1a1&Pid_2291";
const std::string kInstance = kPath + "\\5&1a2b3c&0&1";
const std::string kParams = kInstance + "\\Device Parameters";
const std::string kDeepest = kParams + "\\Interrupt";
const std::string kLeaf = kPath + "\\6&4d5e&0&2";

bool Exists(const std::string& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

void Create(const std::string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    ::RegCloseKey(key);
}

std::string AccessList(const std::string& path) {
    std::string name = "MACHINE\\" + path;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL acl = nullptr;
    if (::GetNamedSecurityInfoA(name.c_str(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &acl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return "unreadable";
    }
    LPSTR text = nullptr;
    std::string sddl = "unconvertible";
    if (::ConvertSecurityDescriptorToStringSecurityDescriptorA(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
        sddl = text;
        ::LocalFree(text);
    }
    ::LocalFree(descriptor);
    return sddl;
}

std::vector<std::string> SubKeysOf(const std::string& path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return names;
    }
    char name[MAX_PATH];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (::RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    ::RegCloseKey(key);
    return names;
}

class MachineRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestRoot.c_str());
        for (const auto& path : {kDeepest, kLeaf}) Create(path);
    }
    void TearDown() override { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestRoot.c_str()); }
};

TEST_F(MachineRegistryTest, DeletesTheTreeBelowThePathAndPutsItsAccessListBack) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPath.c_str(), 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    const DWORD kept = 7;
    ::RegSetValueExA(key, "Kept", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kept), sizeof kept);
    ::RegCloseKey(key);
    const std::string before = AccessList(kPath);
    ASSERT_NE(before, "unreadable");

    EXPECT_EQ(DeleteSubKeys(kPath.c_str()), 1);

    for (const auto& path : {kDeepest, kParams, kInstance, kLeaf})
        EXPECT_FALSE(Exists(path)) << path;
    ASSERT_TRUE(Exists(kPath));
    EXPECT_TRUE(SubKeysOf(kPath).empty());
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, kPath.c_str(), "Kept", RRF_RT_REG_DWORD, nullptr,
                             &value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, kept);
    EXPECT_EQ(AccessList(kPath), before);
}

TEST_F(MachineRegistryTest, GrantsEveryoneInheritedFullControlUntilRestored) {
    const std::string before = AccessList(kPath);
    keytool::SavedAccess original;

    ASSERT_EQ(GrantEveryoneAccess(kPath.c_str(), original), 1);
    const std::string granted = AccessList(kPath);
    EXPECT_NE(granted.find(";;;WD)"), std::string::npos) << granted;
    EXPECT_NE(granted.find("(A;OICI;"), std::string::npos) << granted;

    RestoreAccess(kPath.c_str(), original);
    EXPECT_EQ(AccessList(kPath), before);
}

TEST_F(MachineRegistryTest, GivesUpOnAMissingKeyOrASecurityNameOver255Bytes) {
    keytool::SavedAccess original;
    EXPECT_EQ(GrantEveryoneAccess((kPath + "\\absent").c_str(), original), 0);
    EXPECT_EQ(DeleteSubKeys((kPath + "\\absent").c_str()), 1);

    // "MACHINE\" and the path: exactly 255 bytes, then one more.
    const std::string fits = kTestRoot + '\\' + std::string(255 - 8 - kTestRoot.size() - 1, 'k');
    const std::string tooLong = fits + 'k';
    Create(fits);
    Create(tooLong);
    const std::string before = AccessList(tooLong);
    EXPECT_EQ(GrantEveryoneAccess(fits.c_str(), original), 1);
    EXPECT_EQ(GrantEveryoneAccess(tooLong.c_str(), original), 0);
    EXPECT_EQ(AccessList(tooLong), before);
}

TEST_F(MachineRegistryTest, MovesPastASubkeyItCannotOpen) {
    // First in the list, and shut to everyone by a protected, empty access list.
    const std::string locked = kPath + "\\0&locked";
    Create(locked + "\\inside");
    std::string name = "MACHINE\\" + locked;
    ACL empty;
    ASSERT_TRUE(::InitializeAcl(&empty, sizeof empty, ACL_REVISION));
    ASSERT_EQ(
        ::SetNamedSecurityInfoA(&name[0], SE_REGISTRY_KEY,
                                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, &empty, nullptr),
        ERROR_SUCCESS);

    EXPECT_EQ(DeleteSubKeys(kPath.c_str()), 1);

    EXPECT_EQ(SubKeysOf(kPath), std::vector<std::string>{"0&locked"});
    ::SetNamedSecurityInfoA(&name[0], SE_REGISTRY_KEY,
                            DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(SubKeysOf(locked), std::vector<std::string>{"inside"});
}

}  // namespace
