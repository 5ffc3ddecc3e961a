// Byte-string rules for labels, passwords, container and key names.
#include "keylib/dll/logic/TextRules.h"

#include <gtest/gtest.h>

namespace keylib {
namespace {

TEST(TextRulesTest, GbkTextIsPrintableAsciiOrWellFormedDoubleBytes) {
    EXPECT_TRUE(isValidGbkText(""));
    EXPECT_TRUE(isValidGbkText("Plain text 123"));
    EXPECT_TRUE(isValidGbkText("\xD1\xDD\xCA\xBE"));  // two GBK characters
    EXPECT_TRUE(isValidGbkText("\x81\x40\xFE\xFE"));  // the range's corners
    EXPECT_FALSE(isValidGbkText("\xD1"));             // lead byte without trail
    EXPECT_FALSE(isValidGbkText("ab\xD1"));
    EXPECT_FALSE(isValidGbkText("\xD1\x7F"));
    EXPECT_FALSE(isValidGbkText("\xD1\x3F"));
    EXPECT_FALSE(isValidGbkText("\x80\x40"));
    EXPECT_FALSE(isValidGbkText("\xFF\x40"));
    EXPECT_FALSE(isValidGbkText("tab\there"));
    EXPECT_FALSE(isValidGbkText(std::string("nul\0in", 6)));
}

TEST(TextRulesTest, LabelAndContainerNameAreBoundedText) {
    EXPECT_TRUE(isValidLabel(std::string(15, 'a')));
    EXPECT_FALSE(isValidLabel(std::string(16, 'a')));
    // 15 bytes, but the last GBK character is cut in half.
    EXPECT_FALSE(isValidLabel(std::string(15, '\xD1')));
    EXPECT_TRUE(isValidContainerName(std::string(127, 'c')));
    EXPECT_FALSE(isValidContainerName(std::string(128, 'c')));
    EXPECT_FALSE(isValidContainerName(""));
}

TEST(TextRulesTest, KeyNameIsASafeFileName) {
    EXPECT_TRUE(isValidKeyName("demo"));
    EXPECT_TRUE(isValidKeyName("Key_2.b-c"));
    EXPECT_TRUE(isValidKeyName(std::string(64, 'k')));
    EXPECT_FALSE(isValidKeyName(std::string(65, 'k')));
    EXPECT_FALSE(isValidKeyName(""));
    EXPECT_FALSE(isValidKeyName(".hidden"));
    EXPECT_FALSE(isValidKeyName(".."));
    EXPECT_FALSE(isValidKeyName("a\\b"));
    EXPECT_FALSE(isValidKeyName("a/b"));
    EXPECT_FALSE(isValidKeyName("a b"));
    EXPECT_FALSE(isValidKeyName("c:x"));
}

}  // namespace
}  // namespace keylib
