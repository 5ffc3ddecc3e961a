// The registry walk, the access-list changes and the log of each deletion on Wine's real
// registry, on a tree of test keys under HKEY_LOCAL_MACHINE. The security calls of this
// executable are pointed at wrappers that see the trustee and can make a write
// fail, after or instead of doing it.
#include <windows.h>
// windows.h must come first.
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "device/KeyDeviceRepairRegistry.h"
#include "log/Log.h"
#include "tests/driver/Driver.h"
#include "tests/imports/ImportPatch.h"

namespace {

const std::string kRoot = "SOFTWARE\\QelmoraKeyToolTest";
const std::string kPath = kRoot + "\\Vid_d1a1&Pid_2291";

enum class WriteFailure { kNone, kAfterWriting, kWithoutWriting };

decltype(&SetEntriesInAclA) g_setEntries;
decltype(&SetNamedSecurityInfoA) g_setNamed;
std::string g_trustee;  // the last trustee granted, as "SID:S-1-..." or "NAME:..."
WriteFailure g_failure = WriteFailure::kNone;

DWORD WINAPI SeeTrustee(ULONG count, PEXPLICIT_ACCESS_A entries, PACL old, PACL* acl) {
    const TRUSTEE_A& trustee = entries[0].Trustee;
    LPSTR sid = nullptr;
    if (trustee.TrusteeForm == TRUSTEE_IS_SID && ConvertSidToStringSidA(trustee.ptstrName, &sid)) {
        g_trustee = std::string("SID:") + sid;
        LocalFree(sid);
    } else if (trustee.TrusteeForm == TRUSTEE_IS_NAME) {
        g_trustee = std::string("NAME:") + trustee.ptstrName;
    }
    return g_setEntries(count, entries, old, acl);
}

DWORD WINAPI FailingWrite(LPSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION info, PSID owner,
                          PSID group, PACL dacl, PACL sacl) {
    if (g_failure == WriteFailure::kWithoutWriting) return ERROR_ACCESS_DENIED;
    const DWORD result = g_setNamed(name, type, info, owner, group, dacl, sacl);
    if (g_failure == WriteFailure::kNone) return result;
    g_failure = WriteFailure::kNone;  // once: a grant that stops half-way through the tree
    return ERROR_ACCESS_DENIED;
}

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

DWORD SubKeyCount(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return 99;
    }
    DWORD subkeys = 99;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return subkeys;
}

const char kEveryoneFullControl[] = "(A;OICI;KA;;;WD)";

class MachineRegistryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::PatchImport("SetEntriesInAclA", &SeeTrustee, g_setEntries);
        test::PatchImport("SetNamedSecurityInfoA", &FailingWrite, g_setNamed);
        ASSERT_NE(g_setEntries, nullptr);
        ASSERT_NE(g_setNamed, nullptr);
    }
    void SetUp() override {
        SetEnvironmentVariableA("LOCALAPPDATA", home.Path().c_str());
        g_failure = WriteFailure::kNone;
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRoot.c_str());
        for (const std::string& path :
             {kPath + "\\5&1a&0&1\\Device Parameters\\Interrupt", kPath + "\\6&4d&0&2"}) {
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS, nullptr, &key, nullptr),
                      ERROR_SUCCESS);
            RegCloseKey(key);
        }
        before = AccessList(kPath);
        ASSERT_EQ(before.rfind("D:", 0), 0u) << before;
    }
    void TearDown() override {
        g_failure = WriteFailure::kNone;
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRoot.c_str());
        SetEnvironmentVariableA("LOCALAPPDATA", nullptr);
    }
    driver::TempDir home;
    std::string before;
};

TEST_F(MachineRegistryTest, EveryoneIsNamedBySidAndTheTreeBelowGoesBottomUpAsTheLogTells) {
    keytool::SavedAccess original;
    ASSERT_EQ(GrantEveryoneAccess(kPath.c_str(), original), 1);
    EXPECT_EQ(g_trustee, "SID:S-1-1-0");
    EXPECT_NE(AccessList(kPath).find(kEveryoneFullControl), std::string::npos);
    EXPECT_TRUE(RestoreAccess(kPath.c_str(), original));
    EXPECT_EQ(AccessList(kPath), before);

    EXPECT_EQ(DeleteSubKeys(kPath.c_str()), 1);
    EXPECT_EQ(DeleteSubKeys((kRoot + "\\Missing").c_str()), 1);  // the common case: no entry
    EXPECT_EQ(SubKeyCount(kPath), 0u);
    EXPECT_EQ(AccessList(kPath), before);
    std::string deleted;
    for (const std::string& line : driver::ReadLines(LogFilePath())) {
        deleted += line.substr(line.find("] ") + 2) + "\n";
    }
    const std::string key = "repair: RegDeleteKeyA(HKLM\\" + kPath + "\\";
    EXPECT_EQ(deleted, key + "5&1a&0&1\\Device Parameters\\Interrupt) answered 0\n" + key +
                           "5&1a&0&1\\Device Parameters) answered 0\n" + key +
                           "5&1a&0&1) answered 0\n" + key + "6&4d&0&2) answered 0\n");
}

TEST_F(MachineRegistryTest, GrantThatFailsAfterWritingIsUndone) {
    g_failure = WriteFailure::kAfterWriting;
    EXPECT_EQ(DeleteSubKeys(kPath.c_str()), 1);
    EXPECT_EQ(AccessList(kPath), before);
}

TEST_F(MachineRegistryTest, RestoreAnswersWhetherTheListIsBack) {
    keytool::SavedAccess original;
    g_failure = WriteFailure::kWithoutWriting;
    EXPECT_EQ(GrantEveryoneAccess(kPath.c_str(), original), 0);
    ASSERT_FALSE(original.empty());
    EXPECT_TRUE(RestoreAccess(kPath.c_str(), original));  // unchanged: nothing to write

    g_failure = WriteFailure::kNone;
    ASSERT_EQ(GrantEveryoneAccess(kPath.c_str(), original), 1);
    g_failure = WriteFailure::kWithoutWriting;
    EXPECT_FALSE(RestoreAccess(kPath.c_str(), original));
    EXPECT_NE(AccessList(kPath).find(kEveryoneFullControl), std::string::npos);
}

}  // namespace
