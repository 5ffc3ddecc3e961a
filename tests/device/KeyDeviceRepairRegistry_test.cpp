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
const std::string kDeepest = kPath + "\\5&1a2b3c&0&1\\Device Parameters\\Interrupt";

void Create(const std::string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    ::RegCloseKey(key);
}

std::vector<std::string> SubKeysOf(const std::string& path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return {"unopenable"};
    }
    char name[MAX_PATH];
    DWORD length = sizeof name;
    while (::RegEnumKeyExA(key, static_cast<DWORD>(names.size()), name, &length, nullptr, nullptr,
                           nullptr, nullptr) == ERROR_SUCCESS) {
        names.emplace_back(name, length);
        length = sizeof name;
    }
    ::RegCloseKey(key);
    return names;
}

std::string AccessList(const std::string& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL acl = nullptr;
    if (::GetNamedSecurityInfoA(("MACHINE\\" + path).c_str(), SE_REGISTRY_KEY,
                                DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr,
                                &descriptor) != ERROR_SUCCESS) {
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

class MachineRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestRoot.c_str());
        Create(kDeepest);
        Create(kPath + "\\6&4d5e&0&2");
    }
    void TearDown() override { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestRoot.c_str()); }
};

TEST_F(MachineRegistryTest, DeletesTheTreeBelowThePathAndPutsItsAccessListBack) {
    const DWORD kept = 7;
    ASSERT_EQ(
        ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kPath.c_str(), "Kept", REG_DWORD, &kept, sizeof kept),
        ERROR_SUCCESS);
    const std::string before = AccessList(kPath);
    ASSERT_EQ(before.rfind("D:", 0), 0u) << before;

    EXPECT_EQ(DeleteSubKeys(kPath.c_str()), 1);

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
    EXPECT_NE(granted.find("(A;OICI;KA;;;WD)"), std::string::npos) << granted;

    RestoreAccess(kPath.c_str(), original);
    EXPECT_EQ(AccessList(kPath), before);

    EXPECT_EQ(GrantEveryoneAccess((kPath + "\\absent").c_str(), original), 0);
    // "MACHINE\" and the path may take 255 bytes, no more.
    const std::string fits = kTestRoot + '\\' + std::string(255 - 9 - kTestRoot.size(), 'k');
    Create(fits);
    Create(fits + 'k');
    EXPECT_EQ(GrantEveryoneAccess(fits.c_str(), original), 1);
    EXPECT_EQ(GrantEveryoneAccess((fits + 'k').c_str(), original), 0);
    EXPECT_EQ(AccessList(fits + 'k').find("WD"), std::string::npos);
}

}  // namespace
