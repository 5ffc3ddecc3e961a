#include <gtest/gtest.h>

#include <string>

#include "app/logic/TrayTexts.h"
#include "text/logic/GbkText.h"

namespace keytool {
namespace {

TEST(Texts, BalloonNumbersBeyondTheTableHaveNoText) {
    EXPECT_STREQ(BalloonText(20), "更改UsbKey标签完成!");
    EXPECT_EQ(BalloonText(21), nullptr);
    EXPECT_EQ(BalloonText(0xFFFFFFFFu), nullptr);
}

TEST(Texts, ByteLimitsCutBetweenCodePage936Characters) {
    // A trail byte in the ASCII range (0x40) still belongs to its lead byte.
    const std::string text = "a\x81\x40\xB1\xEA";
    EXPECT_EQ(keytool::GbkPrefixLength(text.data(), text.size(), 2), 1u);
    EXPECT_EQ(keytool::GbkPrefixLength(text.data(), text.size(), 4), 3u);
    EXPECT_EQ(keytool::GbkPrefixLength(text.data(), text.size(), 9), 5u);
    EXPECT_EQ(keytool::GbkPrefixLength(text.data(), 4, 9), 3u);  // a lead byte without its trail
}

}  // namespace
}  // namespace keytool
