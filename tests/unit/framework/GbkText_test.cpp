#include "framework/logic/GbkText.h"

#include <gtest/gtest.h>

#include <string>

namespace fw {
namespace {

TEST(GbkText, CutsBetweenCharactersOnly) {
    const std::string chinese = "\xB1\xEA\xC7\xA9\xB1\xEA";  // three characters
    EXPECT_EQ(GbkPrefixLength(chinese.data(), chinese.size(), 6), 6u);
    EXPECT_EQ(GbkPrefixLength(chinese.data(), chinese.size(), 5), 4u);
    EXPECT_EQ(GbkPrefixLength(chinese.data(), chinese.size(), 1), 0u);

    const std::string mixed =
        "a\xB1\xEA"
        "b";
    EXPECT_EQ(GbkPrefixLength(mixed.data(), mixed.size(), 2), 1u);
    EXPECT_EQ(GbkPrefixLength(mixed.data(), mixed.size(), 3), 3u);
    EXPECT_EQ(GbkPrefixLength(mixed.data(), mixed.size(), 100), 4u);
}

TEST(GbkText, TrailBytesInTheAsciiRangeStillBelongToTheirLead) {
    // 0x40-0x7E trail bytes look like ASCII letters on their own.
    const std::string text = "\x81\x40\x81\x41";
    EXPECT_EQ(GbkPrefixLength(text.data(), text.size(), 3), 2u);
}

TEST(GbkText, ALeadByteWithoutItsTrailIsLeftOut) {
    const std::string text = "ab\xB1";
    EXPECT_EQ(GbkPrefixLength(text.data(), text.size(), 10), 2u);
    EXPECT_EQ(GbkPrefixLength(text.data(), 0, 10), 0u);
}

}  // namespace
}  // namespace fw
