#include "app/logic/TrayTexts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace keytool {
namespace {

TEST(TrayTexts, BalloonNumbersOutsideTheTableHaveNoText) {
    EXPECT_STREQ(BalloonText(0), "修改密码完成!");
    EXPECT_STREQ(BalloonText(10), "有UsbKey插入!");
    EXPECT_STREQ(BalloonText(11), "有UsbKey拔除!");
    EXPECT_STREQ(BalloonText(19), "注册证书到IE完成!");
    EXPECT_STREQ(BalloonText(20), "更改UsbKey标签完成!");
    EXPECT_EQ(BalloonText(21), nullptr);
    EXPECT_EQ(BalloonText(0xFFFFFFFFu), nullptr);
    for (std::uint32_t n = 0; n < kBalloonTextCount; ++n) {
        ASSERT_NE(BalloonText(n), nullptr);
        EXPECT_LT(std::strlen(BalloonText(n)), kInfoSize);
    }
}

TEST(TrayTexts, TipFollowsTheKeyCount) {
    EXPECT_STREQ(TipText(0), "当前未插入UsbKey");
    EXPECT_STREQ(TipText(1), "UsbKey已插入，可以正常使用");
    EXPECT_STREQ(TipText(256), "UsbKey已插入，可以正常使用");
    EXPECT_LT(std::strlen(TipText(1)), kTipSize);
}

class CopyBoundedTextTest : public ::testing::Test {
protected:
    // Destination with guard bytes around it, so a write past either end shows.
    char buffer[kInfoSize + 2];
    char* dest = buffer + 1;
    void SetUp() override { std::memset(buffer, '#', sizeof buffer); }
    void ExpectGuardsIntact() {
        EXPECT_EQ(buffer[0], '#');
        EXPECT_EQ(buffer[kInfoSize + 1], '#');
    }
};

TEST_F(CopyBoundedTextTest, StopsAtTheFirstTerminator) {
    const char text[] = "abc\0def";
    EXPECT_EQ(CopyBoundedText(dest, kInfoSize, text, sizeof text), 3u);
    EXPECT_STREQ(dest, "abc");
    ExpectGuardsIntact();
}

TEST_F(CopyBoundedTextTest, ReadsOnlyWhatTheSenderGave) {
    const char text[] = "abcdef";  // sender says 4 bytes, no terminator among them
    EXPECT_EQ(CopyBoundedText(dest, kInfoSize, text, 4), 4u);
    EXPECT_STREQ(dest, "abcd");
    ExpectGuardsIntact();
}

TEST_F(CopyBoundedTextTest, FitsExactly255BytesAndCutsLongerOnes) {
    const std::string exact(255, 'x');
    EXPECT_EQ(CopyBoundedText(dest, kInfoSize, exact.c_str(), exact.size() + 1), 255u);
    EXPECT_EQ(std::string(dest), exact);

    const std::string longer(1000, 'y');  // unterminated within what was sent
    EXPECT_EQ(CopyBoundedText(dest, kInfoSize, longer.data(), longer.size()), 255u);
    EXPECT_EQ(std::string(dest), std::string(255, 'y'));
    ExpectGuardsIntact();
}

TEST_F(CopyBoundedTextTest, NeverSplitsADoubleByteCharacter) {
    // 200 two-byte characters: byte 255 would be the lead byte of a pair.
    std::string text;
    for (int i = 0; i < 200; ++i) text += "\xD6\xD0";
    EXPECT_EQ(CopyBoundedText(dest, kInfoSize, text.c_str(), text.size() + 1), 254u);
    EXPECT_EQ(std::string(dest), text.substr(0, 254));
    // An 'a' first shifts the pairs so that 255 bytes end on a whole character.
    text = "a" + text;
    EXPECT_EQ(CopyBoundedText(dest, kInfoSize, text.c_str(), text.size() + 1), 255u);
    EXPECT_EQ(CopyBoundedText(dest, 5, "\xD6\xD0\xD6\xD0\xD6\xD0", 7), 4u);
    EXPECT_STREQ(dest, "\xD6\xD0\xD6\xD0");
}

TEST_F(CopyBoundedTextTest, MissingTextGivesAnEmptyOne) {
    EXPECT_EQ(CopyBoundedText(dest, kInfoSize, nullptr, 10), 0u);
    EXPECT_STREQ(dest, "");
    dest[0] = 'z';
    EXPECT_EQ(CopyBoundedText(dest, kInfoSize, "abc", 0), 0u);
    EXPECT_STREQ(dest, "");
    ExpectGuardsIntact();
}

}  // namespace
}  // namespace keytool
