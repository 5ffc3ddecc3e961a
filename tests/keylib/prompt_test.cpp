// The library's own password prompts, answered and cancelled through their windows.
#include <windows.h>

#include <gtest/gtest.h>

#include "keylib/KeyLib.h"
#include "keylib/dll/PasswordPromptIds.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "tests/keylib/support/PromptDriver.h"
#include "tests/keylib/support/StoreFixture.h"

namespace keylibtest {
namespace {

constexpr int kPw = KEYLIB_IDC_PROMPT_PASSWORD;
constexpr int kNew = KEYLIB_IDC_PROMPT_NEW;
constexpr int kConfirm = KEYLIB_IDC_PROMPT_CONFIRM;

class PromptTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        owner_ = CreateWindowExA(0, "STATIC", "prompt owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner_, nullptr);
        CSP_SetMainWindow(owner_);
    }
    void TearDown() override {
        CSP_SetMainWindow(nullptr);
        DestroyWindow(owner_);
        StoreTest::TearDown();
    }

    uint32_t makeInitialKey() {
        keylib::KeyRecord record = newRecord("Fresh");
        record.initialPassword = true;
        writeKey("k", record);
        return plug("k");
    }

    HWND owner_ = nullptr;
};

TEST_F(PromptTest, RightPasswordTypedIntoThePromptVerifies) {
    const uint32_t slot = makePluggedKey("k", "Key");
    PromptDriver person(KEYLIB_PROMPT_VERIFY_CAPTION, {{{{kPw, kPassword}}, IDOK}});
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, nullptr), KEYLIB_OK);
    EXPECT_TRUE(person.finish());
    EXPECT_EQ(person.owner(), owner_) << "the prompt belongs to the main window";
}

TEST_F(PromptTest, WrongPasswordTypedIntoThePromptCountsATry) {
    const uint32_t slot = makePluggedKey("k", "Key");
    PromptDriver person(KEYLIB_PROMPT_VERIFY_CAPTION, {{{{kPw, "wrong-pass"}}, IDOK}});
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, nullptr), 0x63C4u);
    EXPECT_TRUE(person.finish());
}

TEST_F(PromptTest, CancelAnswersCancelledAndCountsNothing) {
    const uint32_t slot = makePluggedKey("k", "Key");
    PromptDriver person(KEYLIB_PROMPT_VERIFY_CAPTION, {{{{kPw, "wrong-pass"}}, IDCANCEL}});
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, nullptr), KEYLIB_CANCELLED);
    EXPECT_TRUE(person.finish());
    EXPECT_EQ(readKey("k").triesLeft, kTries);
}

TEST_F(PromptTest, TooShortEntryKeepsThePromptOpenWithAHint) {
    const uint32_t slot = makePluggedKey("k", "Key");
    PromptDriver person(KEYLIB_PROMPT_VERIFY_CAPTION,
                        {{{{kPw, "1234567"}}, IDOK}, {{{kPw, kPassword}}, IDOK}});
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, nullptr), KEYLIB_OK);
    ASSERT_TRUE(person.finish());
    ASSERT_EQ(person.hints().size(), 1u);
    EXPECT_EQ(person.hints()[0], "密码长度须为8至16个字节！");
}

TEST_F(PromptTest, LockedKeyAnswersLockedWithoutAsking) {
    keylib::KeyRecord record = newRecord("Key");
    record.triesLeft = 0;
    writeKey("k", record);
    const uint32_t slot = plug("k");
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, nullptr), KEYLIB_SW_LOCKED);
    EXPECT_EQ(FindWindowA("#32770", KEYLIB_PROMPT_VERIFY_CAPTION), nullptr);
}

TEST_F(PromptTest, GoneOwnerWindowLeavesThePromptWithoutOwner) {
    const uint32_t slot = makePluggedKey("k", "Key");
    DestroyWindow(owner_);
    owner_ = nullptr;
    PromptDriver person(KEYLIB_PROMPT_VERIFY_CAPTION, {{{{kPw, kPassword}}, IDOK}});
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, nullptr), KEYLIB_OK);
    EXPECT_TRUE(person.finish());
    EXPECT_EQ(person.owner(), nullptr);
}

TEST_F(PromptTest, InitialPasswordIsReplacedThroughThePrompt) {
    const uint32_t slot = makeInitialKey();
    PromptDriver person(
        KEYLIB_PROMPT_INIT_CAPTION,
        {{{{kPw, kPassword}, {kNew, "Own-pass-1"}, {kConfirm, "Own-pass-1"}}, IDOK}});
    EXPECT_EQ(CSP_ChangeInitPassword(slot), KEYLIB_OK);
    EXPECT_TRUE(person.finish());
    EXPECT_EQ(person.owner(), owner_);
    EXPECT_FALSE(readKey("k").initialPassword);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, "Own-pass-1"), KEYLIB_OK);
    // Done once: no prompt the next time.
    EXPECT_EQ(CSP_ChangeInitPassword(slot), KEYLIB_OK);
}

TEST_F(PromptTest, InitialPromptInsistsOnMatchingNewPasswordsThatDifferFromTheOldOne) {
    const uint32_t slot = makeInitialKey();
    PromptDriver person(KEYLIB_PROMPT_INIT_CAPTION,
                        {{{{kPw, kPassword}, {kNew, "Own-pass-1"}, {kConfirm, "Own-pass-2"}}, IDOK},
                         {{{kNew, kPassword}, {kConfirm, kPassword}}, IDOK},
                         {{{kNew, "Own-pass-1"}, {kConfirm, "Own-pass-1"}}, IDOK}});
    EXPECT_EQ(CSP_ChangeInitPassword(slot), KEYLIB_OK);
    ASSERT_TRUE(person.finish());
    EXPECT_EQ(person.hints(),
              (std::vector<std::string>{"两次输入的新密码不一致！", "新密码不能与初始密码相同！"}));
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, "Own-pass-1"), KEYLIB_OK);
}

TEST_F(PromptTest, WrongInitialPasswordCountsATryAndKeepsTheFlag) {
    const uint32_t slot = makeInitialKey();
    PromptDriver person(
        KEYLIB_PROMPT_INIT_CAPTION,
        {{{{kPw, "guessed-pw"}, {kNew, "Own-pass-1"}, {kConfirm, "Own-pass-1"}}, IDOK}});
    EXPECT_EQ(CSP_ChangeInitPassword(slot), 0x63C4u);
    EXPECT_TRUE(person.finish());
    EXPECT_TRUE(readKey("k").initialPassword);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kPassword), KEYLIB_OK);
}

TEST_F(PromptTest, CancelledInitialPromptChangesNothing) {
    const uint32_t slot = makeInitialKey();
    PromptDriver person(KEYLIB_PROMPT_INIT_CAPTION, {{{}, IDCANCEL}});
    EXPECT_EQ(CSP_ChangeInitPassword(slot), KEYLIB_CANCELLED);
    EXPECT_TRUE(person.finish());
    EXPECT_TRUE(readKey("k").initialPassword);
}

TEST_F(PromptTest, KeyWithoutInitialPasswordIsNotAsked) {
    const uint32_t slot = makePluggedKey("k", "Key");
    EXPECT_EQ(CSP_ChangeInitPassword(slot), KEYLIB_OK);
    EXPECT_EQ(FindWindowA("#32770", KEYLIB_PROMPT_INIT_CAPTION), nullptr);
    EXPECT_EQ(CSP_ChangeInitPassword(0), KEYLIB_E_BAD_SLOT);
}

}  // namespace
}  // namespace keylibtest
