#include <gtest/gtest.h>

#include <cstring>
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

TEST(Texts, ForeignTextsAreCopiedWithinWhatWasSentAndWhatFits) {
    std::string chinese;
    for (int i = 0; i < 200; ++i) chinese += "\xD6\xD0";
    const struct {
        std::string source;
        std::size_t sent;
        std::string copied;
    } cases[] = {
        {std::string("abc\0def", 7), 7, "abc"},               // up to the first terminator
        {"abcdef", 4, "abcd"},                                // no terminator among the bytes sent
        {std::string(255, 'e'), 256, std::string(255, 'e')},  // exactly fits
        {std::string(1000, 'y'), 1000, std::string(255, 'y')},
        {chinese, chinese.size(), chinese.substr(0, 254)},  // a pair is never split
        {"a" + chinese, 401, "a" + chinese.substr(0, 254)},
        {"abc", 0, ""},
    };
    for (const auto& c : cases) {
        char buffer[kInfoSize + 2];
        std::memset(buffer, '#', sizeof buffer);  // guards on both sides
        EXPECT_EQ(CopyBoundedText(buffer + 1, kInfoSize, c.source.data(), c.sent), c.copied.size());
        EXPECT_EQ(std::string(buffer + 1), c.copied);
        EXPECT_EQ(buffer[0], '#');
        EXPECT_EQ(buffer[kInfoSize + 1], '#');
    }
    char empty[4] = "zz";
    EXPECT_EQ(CopyBoundedText(empty, sizeof empty, nullptr, 10), 0u);
    EXPECT_STREQ(empty, "");
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
