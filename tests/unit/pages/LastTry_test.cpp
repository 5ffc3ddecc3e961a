// The tries left remembered per plugged key, and the question before the last try.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/logic/LastTry.h"

namespace keytool {
namespace {

struct Question : LastTryQuestion {
    bool answer = false;
    int asked = 0;
    bool Continue() override { return ++asked, answer; }
};

TEST(LastTry, AnswersSetAndForgetTheCountPerSlot) {
    TriesLeftTable tries;
    // Answer for slot 5, then whether slots 5 and 6 are on their last try.
    const struct {
        std::uint32_t result;
        bool last5;
    } steps[] = {
        {0x63C2, false}, {0x63C1, true},  {0x80090020, true},  // a cancelled prompt changes nothing
        {0x6983, true},  {0x163C1, true}, {0x63C0, false},     // locked: nothing left to warn of
        {0x63C1, true},  {0, false},                           // the right password forgets
    };
    tries.Note(6, 0x63C3);
    for (const auto& step : steps) {
        tries.Note(5, step.result);
        EXPECT_EQ(tries.OnLastTry(5), step.last5) << std::hex << step.result;
        EXPECT_FALSE(tries.OnLastTry(6));
    }
}

TEST(LastTry, KeysNoLongerPluggedAreForgottenAndTheTableIsBounded) {
    TriesLeftTable tries;
    for (std::uint32_t slot = 1; slot <= kMaxSlots + 10; ++slot) tries.Note(slot, 0x63C1);
    EXPECT_TRUE(tries.OnLastTry(kMaxSlots));
    EXPECT_FALSE(tries.OnLastTry(kMaxSlots + 1));  // no room: not remembered
    const std::uint32_t plugged[] = {3, 9, 400};
    tries.KeepOnly(plugged, 3);
    std::vector<std::uint32_t> last;
    for (std::uint32_t slot = 0; slot <= kMaxSlots + 10; ++slot) {
        if (tries.OnLastTry(slot)) last.push_back(slot);
    }
    EXPECT_EQ(last, (std::vector<std::uint32_t>{3, 9}));
    tries.Note(400, 0x63C1);  // room again
    EXPECT_TRUE(tries.OnLastTry(400));
}

TEST(LastTry, TheCheckRunsAfterYesOrWhenNotOnTheLastTry) {
    TriesLeftTable tries;
    Question question;
    std::vector<std::uint32_t> answers = {0x63C1, 0x63C1, 0};
    int calls = 0;
    const auto check = [&] { return answers[calls++]; };
    std::uint32_t result = 7;
    EXPECT_TRUE(CheckUserPassword(5, tries, question, check, &result));
    EXPECT_EQ(result, 0x63C1u);
    EXPECT_EQ(question.asked, 0);
    EXPECT_FALSE(CheckUserPassword(5, tries, question, check, &result));  // No
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(CheckUserPassword(6, tries, question, check, &result));  // another key
    question.answer = true;
    EXPECT_TRUE(CheckUserPassword(5, tries, question, check, &result));
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(question.asked, 2);
    EXPECT_FALSE(tries.OnLastTry(5));
    EXPECT_TRUE(tries.OnLastTry(6));
}

}  // namespace
}  // namespace keytool
