// The password page's policy checks in their order, the simple-password runs,
// and the reading of the key library's answers.
#include "pages/logic/PasswordRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace keytool {
namespace {

constexpr char kTooShort[] = "用户密码不可少于8位！";
constexpr char kMismatch[] = "两次输入的新密码应相同！";
constexpr char kTooSimple[] = "密码太简单, 请重新输入新的密码!";
// Four Chinese characters: eight bytes in code page 936.
constexpr char kFourChinese[] = "网上银行";
// Three Chinese characters and a letter: seven bytes.
constexpr char kSevenBytesChinese[] = "网上银a";

struct CheckCase {
    const char* name;
    std::string oldPassword, newPassword, repeatPassword;
    BoxKind kind;
    std::string text;
    unsigned clear, focus;
};

void ExpectVerdicts(const std::vector<CheckCase>& cases) {
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        const PasswordVerdict v = CheckPasswords(c.oldPassword, c.newPassword, c.repeatPassword);
        EXPECT_EQ(v.message.kind, c.kind);
        EXPECT_EQ(v.message.text, c.text);
        EXPECT_EQ(v.clear, c.clear);
        EXPECT_EQ(v.focus, c.focus);
    }
}

TEST(PasswordChecks, LengthOfEachEditAtSevenAndEightBytes) {
    ExpectVerdicts({
        {"old 7", "abcdefg", "abcdefgh", "abcdefgh", BoxKind::Warning, kTooShort, kAllEdits,
         kOldEdit},
        {"old empty", "", "abcdefgh", "abcdefgh", BoxKind::Warning, kTooShort, kAllEdits, kOldEdit},
        {"old 7 Chinese", kSevenBytesChinese, "abcdefgh", "abcdefgh", BoxKind::Warning, kTooShort,
         kAllEdits, kOldEdit},
        {"old 8, new 7", "abcdefgh", "abcdefg", "abcdefgh", BoxKind::Warning, kTooShort,
         kNewEdit | kRepeatEdit, kNewEdit},
        {"new 7 Chinese", "abcdefgh", kSevenBytesChinese, kSevenBytesChinese, BoxKind::Warning,
         kTooShort, kNewEdit | kRepeatEdit, kNewEdit},
        {"new 8, repeat 7", "abcdefgh", "abcdefgh", "abcdefg", BoxKind::Warning, kTooShort,
         kRepeatEdit, kRepeatEdit},
        {"all 8", "abcdefgh", "abcdefgh", "abcdefgh", BoxKind::None, "", 0, 0},
        {"all 16", "abcdefghijklmnop", "abcdefghijklmnop", "abcdefghijklmnop", BoxKind::None, "", 0,
         0},
    });
}

TEST(PasswordChecks, EarlierChecksWin) {
    ExpectVerdicts({
        {"old short before new short", "1234567", "12", "1", BoxKind::Warning, kTooShort, kAllEdits,
         kOldEdit},
        {"new short before repeat short", "abcdefgh", "1234567", "1", BoxKind::Warning, kTooShort,
         kNewEdit | kRepeatEdit, kNewEdit},
        {"repeat short before mismatch", "abcdefgh", "abcdefgh", "xyz", BoxKind::Warning, kTooShort,
         kRepeatEdit, kRepeatEdit},
        {"mismatch before simple", "abcdefgh", "12345678", "12345679", BoxKind::Warning, kMismatch,
         kAllEdits, kNewEdit},
    });
}

TEST(PasswordChecks, NewAndRepeatMustBeIdentical) {
    ExpectVerdicts({
        {"last byte", "abcdefgh", "abcdefgh", "abcdefgi", BoxKind::Warning, kMismatch, kAllEdits,
         kNewEdit},
        {"first byte", "abcdefgh", "Abcdefgh", "abcdefgh", BoxKind::Warning, kMismatch, kAllEdits,
         kNewEdit},
        {"repeat longer", "abcdefgh", "abcdefgh", "abcdefgh1", BoxKind::Warning, kMismatch,
         kAllEdits, kNewEdit},
        {"new longer", "abcdefgh", "abcdefgh ", "abcdefgh", BoxKind::Warning, kMismatch, kAllEdits,
         kNewEdit},
    });
}

TEST(PasswordChecks, SimpleNewPasswordIsRefused) {
    std::vector<CheckCase> cases;
    for (const char* simple : {"12345678", "87654321", "11111111", "0000000011111111"}) {
        cases.push_back({simple, "oldpass1", simple, simple, BoxKind::Warning, kTooSimple,
                         kAllEdits, kOldEdit});
    }
    ExpectVerdicts(cases);
}

TEST(PasswordChecks, PasswordsThatPassGoToTheKeyLibrary) {
    std::vector<CheckCase> cases;
    for (const char* good : {"13572468", "1234567a", kFourChinese, "a1234567", "2222222244444444",
                             "0123456789012345", " 12345678"}) {
        cases.push_back({good, "oldpass1", good, good, BoxKind::None, "", 0, 0});
    }
    cases.push_back({"same as old", "abcdefgh", "abcdefgh", "abcdefgh", BoxKind::None, "", 0, 0});
    ExpectVerdicts(cases);
}

TEST(SimplePasswords, LengthAndMakeUp) {
    ASSERT_EQ(kSimplePasswords.size(), 180u);
    EXPECT_EQ(kSimplePasswords.substr(0, 19), "0123456789876543210");
    const auto count = [](char digit) {
        return std::count(kSimplePasswords.begin(), kSimplePasswords.end(), digit);
    };
    // One of each from the ascending run, one of 1 to 8 from the descending run.
    EXPECT_EQ(count('0'), 1 + 17);
    EXPECT_EQ(count('1'), 2 + 17);
    for (char digit = '2'; digit <= '8'; ++digit) EXPECT_EQ(count(digit), 2 + 16) << digit;
    EXPECT_EQ(count('9'), 1 + 16);
    // After the descending run the digits only go up.
    EXPECT_TRUE(std::is_sorted(kSimplePasswords.begin() + 18, kSimplePasswords.end()));
}

TEST(SimplePasswords, EveryWindowOfEightToSixteenIsFound) {
    // Every start position, including the windows that end on the last byte.
    for (std::size_t length = kMinPasswordBytes; length <= kMaxPasswordBytes; ++length) {
        for (std::size_t at = 0; at + length <= kSimplePasswords.size(); ++at) {
            const std::string window(kSimplePasswords.substr(at, length));
            EXPECT_TRUE(IsSimplePassword(window)) << window;
        }
    }
}

TEST(SimplePasswords, WindowsOfEachRegion) {
    const char* const found[] = {// ascending
                                 "12345678", "0123456789", "0123456789876543",
                                 // descending
                                 "98765432", "87654321", "3456789876", "9876543210",
                                 // descending into the zeros
                                 "6543210000", "1000000000000000", "2100000000000000",
                                 // repeated digits
                                 "00000000", "11111111", "5555555555555555", "9999999999999999",
                                 // across digit runs
                                 "00001111", "0000000011111111", "2222222233333333",
                                 "8999999999999999", "1111111111111112"};
    for (const char* password : found) EXPECT_TRUE(IsSimplePassword(password)) << password;
}

TEST(SimplePasswords, OtherPatternsAreNotFound) {
    const std::string missing[] = {"13572468",
                                   "1234567a",
                                   kFourChinese,
                                   "0123456789012345",
                                   "2222222244444444",
                                   "9999999999999998",
                                   "0000000022222222",
                                   "1234 5678",
                                   "00000000000000000000",
                                   std::string("12345678\0", 9)};
    for (const std::string& password : missing) {
        EXPECT_FALSE(IsSimplePassword(password)) << password;
    }
}

TEST(ChangeResult, EachAnswerOfTheKeyLibrary) {
    const struct {
        std::uint32_t result;
        BoxKind kind;
        std::string text;
        unsigned clear;
    } cases[] = {
        {0, BoxKind::Success, "修改密码完成！", kAllEdits},
        {0x63C3, BoxKind::Failure, "用户密码不正确！还有3次可试机会。", 0},
        {0x63C1, BoxKind::Failure, "用户密码不正确！还有1次可试机会。", 0},
        {0x63CF, BoxKind::Failure, "用户密码不正确！还有15次可试机会。", 0},
        // Only bits 4 to 15 name the status word.
        {0x163C3, BoxKind::Failure, "用户密码不正确！还有3次可试机会。", 0},
        {0x63C0, BoxKind::Failure, "用户密码被锁死。", 0},
        {0x6983, BoxKind::Failure, "用户密码被锁死。", 0},
        {0x163C0, BoxKind::Failure, "UsbKey错误!", 0},
        {1, BoxKind::Failure, "UsbKey错误!", 0},
        {0x63D1, BoxKind::Failure, "UsbKey错误!", 0},
        {0x6982, BoxKind::Failure, "UsbKey错误!", 0},
        {0x80090020, BoxKind::Failure, "UsbKey错误!", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        const PasswordVerdict v = ChangeResultVerdict(c.result);
        EXPECT_EQ(v.message.kind, c.kind);
        EXPECT_EQ(v.message.text, c.text);
        EXPECT_EQ(v.clear, c.clear);
        EXPECT_EQ(v.focus, 0u) << "the focus stays where it was";
    }
}

}  // namespace
}  // namespace keytool
