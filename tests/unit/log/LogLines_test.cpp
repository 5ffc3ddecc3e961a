#include "log/logic/LogLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keytool {
namespace {

constexpr UtcTime kTime{2026, 3, 4, 5, 6, 7, 8};

TEST(LogLines, OneCallIsOneStampedLineWhateverTheText) {
    EXPECT_EQ(FormatLogLine(kTime, 4242, "start 1.0.0"),
              "2026-03-04 05:06:07.008Z [4242] start 1.0.0\r\n");
    EXPECT_EQ(FormatLogLine(kTime, 1, "a\r\nb\tc\x7F"), "2026-03-04 05:06:07.008Z [1] a  b c \r\n");
    EXPECT_EQ(FormatLogLine(kTime, 1, nullptr), "2026-03-04 05:06:07.008Z [1] \r\n");
    // GBK text is kept byte for byte; its trail bytes are never taken for control characters.
    EXPECT_EQ(FormatLogLine(kTime, 1, "标签"),
              std::string("2026-03-04 05:06:07.008Z [1] ") + "标签" + "\r\n");
}

TEST(LogLines, ALongTextIsCutBetweenCharacters) {
    const std::string prefix = "2026-03-04 05:06:07.008Z [1] ";
    const std::string ascii(kLogTextMax + 50, 'x');
    EXPECT_EQ(FormatLogLine(kTime, 1, ascii.c_str()),
              prefix + std::string(kLogTextMax, 'x') + "\r\n");
    // One ASCII byte first, then double-byte characters: the last one would straddle the limit.
    const std::string gbk = "x" + std::string(kLogTextMax, '\xB1');
    const std::string line = FormatLogLine(kTime, 1, gbk.c_str());
    EXPECT_EQ(line.size(), prefix.size() + kLogTextMax - 1 + 2);
}

TEST(LogLines, RollsOverOnlyWhenTheLineWouldPassTheLimit) {
    EXPECT_FALSE(NeedsRollOver(0, 10));
    EXPECT_FALSE(NeedsRollOver(kLogRollSize - 10, 10));
    EXPECT_TRUE(NeedsRollOver(kLogRollSize - 10, 11));
    EXPECT_TRUE(NeedsRollOver(kLogRollSize + 5, 1));
    // A single line larger than the limit still goes into an empty file.
    EXPECT_FALSE(NeedsRollOver(0, kLogRollSize * 2));
}

std::string Lines(int from, int to) {
    std::string text;
    for (int i = from; i <= to; ++i) text += "line " + std::to_string(i) + "\r\n";
    return text;
}

TEST(LogLines, TailTakesTheNewestLinesFromBothFiles) {
    const std::vector<std::string> three{"line 8", "line 9", "line 10"};
    EXPECT_EQ(LastLogLines("", Lines(1, 10), 3), three);
    EXPECT_EQ(LastLogLines(Lines(1, 8), Lines(9, 10), 3), three);
    EXPECT_EQ(LastLogLines(Lines(1, 1), Lines(2, 3), 200),
              (std::vector<std::string>{"line 1", "line 2", "line 3"}));
    EXPECT_EQ(LastLogLines(Lines(1, 5), Lines(6, 10), 0), std::vector<std::string>{});
    EXPECT_EQ(LastLogLines("", "", 200), std::vector<std::string>{});
}

TEST(LogLines, TailKeepsACutLastLineAndBareLineFeeds) {
    EXPECT_EQ(LastLogLines("", "one\ntwo\r\nthr", 2), (std::vector<std::string>{"two", "thr"}));
    EXPECT_EQ(LastLogLines("old\r\n", "\r\nx\r\n", 3), (std::vector<std::string>{"old", "", "x"}));
}

}  // namespace
}  // namespace keytool
