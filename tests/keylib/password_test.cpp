// The user password through CSP_VerifyPassword and CSP_ChangePassword with a given text:
// ISO/IEC 7816-4 try counting, lockout and the length rules.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "keylib/KeyLib.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "tests/keylib/support/StoreFixture.h"

namespace keylibtest {
namespace {

constexpr char kWrong[] = "not-the-pw";

using PasswordTest = StoreTest;

TEST_F(PasswordTest, WrongPasswordsCountDownAndTheRightOneRefillsTheTries) {
    const uint32_t slot = makePluggedKey("k", "Key");
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kWrong), 0x63C4u);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kWrong), 0x63C3u);
    EXPECT_EQ(readKey("k").triesLeft, 3) << "persisted in the key";
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kPassword), KEYLIB_OK);
    EXPECT_EQ(readKey("k").triesLeft, kTries);
}

TEST_F(PasswordTest, CountSurvivesPullingAndPluggingTheKey) {
    uint32_t slot = makePluggedKey("k", "Key");
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kWrong), 0x63C4u);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kWrong), 0x63C3u);
    pull("k");
    slot = plug("k");
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kWrong), 0x63C2u);
}

TEST_F(PasswordTest, LastWrongTryLocksAndLockedKeyRefusesEvenTheRightPassword) {
    const uint32_t slot = makePluggedKey("k", "Key");
    for (uint32_t left = kTries - 1; left > 0; --left) {
        EXPECT_EQ(CSP_VerifyPassword(slot, 1, kWrong), 0x63C0u | left);
    }
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kWrong), 0x63C0u);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kWrong), KEYLIB_SW_LOCKED);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kPassword), KEYLIB_SW_LOCKED);
    EXPECT_EQ(CSP_ChangePassword(slot, 1, kPassword, "brand-new-1"), KEYLIB_SW_LOCKED);
    pull("k");
    EXPECT_EQ(CSP_VerifyPassword(plug("k"), 1, kPassword), KEYLIB_SW_LOCKED);
}

TEST_F(PasswordTest, FailedVerificationEndsAnEarlierOne) {
    const uint32_t slot = makePluggedKey("k", "Key");
    ASSERT_EQ(CSP_VerifyPassword(slot, 1, kPassword), KEYLIB_OK);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kWrong), 0x63C4u);
    EXPECT_EQ(CSP_DeleteContainerByName(slot, "any"), KEYLIB_SW_NOT_VERIFIED);
}

TEST_F(PasswordTest, ChangeChecksTheOldPasswordLikeAVerification) {
    const uint32_t slot = makePluggedKey("k", "Key");
    EXPECT_EQ(CSP_ChangePassword(slot, 1, kWrong, "brand-new-1"), 0x63C4u);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, "brand-new-1"), 0x63C3u) << "the new one was stored";
    EXPECT_EQ(CSP_ChangePassword(slot, 1, kPassword, "brand-new-1"), KEYLIB_OK);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kPassword), 0x63C4u);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, "brand-new-1"), KEYLIB_OK);
}

TEST_F(PasswordTest, ChangeClearsTheInitialPasswordFlagAndStoresNoPlainText) {
    keylib::KeyRecord record = newRecord("Key");
    record.initialPassword = true;
    writeKey("k", record);
    const uint32_t slot = plug("k");
    ASSERT_EQ(CSP_ChangePassword(slot, 1, kPassword, "Secret#2026"), KEYLIB_OK);
    const keylib::KeyRecord changed = readKey("k");
    EXPECT_FALSE(changed.initialPassword);
    EXPECT_NE(changed.password.salt, record.password.salt) << "a new password gets a new salt";

    std::vector<uint8_t> file;
    const std::wstring path = keyPath("k");
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    file.resize(GetFileSize(h, nullptr));
    DWORD got = 0;
    ReadFile(h, file.data(), static_cast<DWORD>(file.size()), &got, nullptr);
    CloseHandle(h);
    const std::string bytes(file.begin(), file.end());
    EXPECT_EQ(bytes.find("Secret#2026"), std::string::npos);
}

TEST_F(PasswordTest, LengthsOutsideEightToSixteenBytesAreRefusedWithoutUsingATry) {
    const uint32_t slot = makePluggedKey("k", "Key");
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, "short"), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, "seventeen-bytes!!"), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ChangePassword(slot, 1, kPassword, "1234567"), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ChangePassword(slot, 1, kPassword, "12345678901234567"), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ChangePassword(slot, 1, "", "brand-new-1"), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(readKey("k").triesLeft, kTries);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kPassword), KEYLIB_OK) << "nothing was stored";

    // Exactly 8 and exactly 16 bytes, and GBK text counted in bytes.
    ASSERT_EQ(CSP_ChangePassword(slot, 1, kPassword, "12345a78"), KEYLIB_OK);
    ASSERT_EQ(CSP_ChangePassword(slot, 1, "12345a78", "密码密码密码密码"), KEYLIB_OK);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, "密码密码密码密码"), KEYLIB_OK);
}

TEST_F(PasswordTest, UnterminatedPasswordBufferIsNotReadPastSeventeenBytes) {
    const uint32_t slot = makePluggedKey("k", "Key");
    // The text ends at the end of a committed page followed by a guard page.
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    auto* pages = static_cast<char*>(
        VirtualAlloc(nullptr, 2 * info.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(pages + info.dwPageSize, info.dwPageSize, PAGE_NOACCESS, &old));
    char* text = pages + info.dwPageSize - 17;
    std::memset(text, 'p', 17);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, text), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ChangePassword(slot, 1, text, kPassword), KEYLIB_E_BAD_ARGUMENT);
    VirtualFree(pages, 0, MEM_RELEASE);
}

TEST_F(PasswordTest, BadKindsSlotsAndNullPasswordsAreRefused) {
    const uint32_t slot = makePluggedKey("k", "Key");
    EXPECT_EQ(CSP_VerifyPassword(slot, 0, kPassword), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_VerifyPassword(slot, 2, kPassword), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ChangePassword(slot, 2, kPassword, "brand-new-1"), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_VerifyPassword(slot + 7, 1, kPassword), KEYLIB_E_BAD_SLOT);
    EXPECT_EQ(CSP_VerifyPassword(0, 1, nullptr), KEYLIB_E_BAD_SLOT) << "no prompt for no key";
    EXPECT_EQ(CSP_ChangePassword(slot, 1, nullptr, kPassword), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ChangePassword(slot, 1, kPassword, nullptr), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ChangePassword(0, 1, kPassword, "brand-new-1"), KEYLIB_E_BAD_SLOT);
    EXPECT_EQ(CSP_Reset(0), KEYLIB_E_BAD_SLOT);
    EXPECT_EQ(CSP_Reset(slot), KEYLIB_OK);
}

}  // namespace
}  // namespace keylibtest
