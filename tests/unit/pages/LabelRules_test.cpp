// The label page's decisions: when it acts at all, when it checks the
// password, and what each answer of the key library makes it show.
#include "pages/logic/LabelRules.h"

#include <gtest/gtest.h>

#include <string>

namespace keytool {
namespace {

constexpr char kLockedOrError[] = "用户密码被锁死,或者读取UsbKey错误!";

TEST(LabelChange, ActsOnlyWithAKeyAndALabel) {
    EXPECT_FALSE(LabelChangeApplies(0, "label"));
    EXPECT_FALSE(LabelChangeApplies(7, ""));
    EXPECT_FALSE(LabelChangeApplies(0, ""));
    EXPECT_TRUE(LabelChangeApplies(7, " "));
    EXPECT_TRUE(LabelChangeApplies(0xFFFFFFFF, "演示UsbKey"));
}

TEST(LabelChange, OnlyStatusFourSkipsThePasswordCheck) {
    EXPECT_FALSE(NeedsPasswordCheck(4));
    for (std::uint32_t status : {0u, 1u, 2u, 3u, 5u, 0x104u}) {
        EXPECT_TRUE(NeedsPasswordCheck(status)) << status;
    }
}

struct StepCase {
    std::uint32_t result;
    bool proceed;
    BoxKind kind;
    std::string text;
};

void ExpectSteps(LabelStep (*step)(std::uint32_t), const std::vector<StepCase>& cases) {
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.result);
        const LabelStep s = step(c.result);
        EXPECT_EQ(s.proceed, c.proceed);
        EXPECT_EQ(s.message.kind, c.kind);
        EXPECT_EQ(s.message.text, c.text);
    }
}

TEST(LabelChange, SlotStatusFailureIsAKeyError) {
    ExpectSteps(&AfterSlotStatus, {
                                      {0, true, BoxKind::None, ""},
                                      {1, false, BoxKind::Warning, "UsbKey错误"},
                                      {0xA0420001, false, BoxKind::Warning, "UsbKey错误"},
                                  });
}

TEST(LabelChange, EachAnswerOfThePasswordCheck) {
    ExpectSteps(&AfterPasswordCheck,
                {
                    {0, true, BoxKind::None, ""},
                    {0x80090020, false, BoxKind::None, ""},
                    {0x63C2, false, BoxKind::Warning, "用户密码不正确！还有2次可试机会。"},
                    {0x63C1, false, BoxKind::Warning, "用户密码不正确！还有1次可试机会。"},
                    {0x63CF, false, BoxKind::Warning, "用户密码不正确！还有15次可试机会。"},
                    {0x63C0, false, BoxKind::Warning, kLockedOrError},
                    {0x6983, false, BoxKind::Warning, kLockedOrError},
                    {0x63D2, false, BoxKind::Warning, kLockedOrError},
                    {0x80090021, false, BoxKind::Warning, kLockedOrError},
                    {1, false, BoxKind::Warning, kLockedOrError},
                });
}

TEST(LabelChange, WriteFailureIsReported) {
    ExpectSteps(&AfterLabelWrite, {
                                      {0, true, BoxKind::None, ""},
                                      {0x6982, false, BoxKind::Warning, "更改标签时出错!"},
                                      {1, false, BoxKind::Warning, "更改标签时出错!"},
                                  });
}

}  // namespace
}  // namespace keytool
