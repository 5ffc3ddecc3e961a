#include "log/logic/LogLines.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace keytool {
namespace {

constexpr UtcTime kTime{2026, 3, 4, 5, 6, 7, 8};

TEST(LogLines, OneCallIsOneStampedLineWhateverTheText) {
    EXPECT_EQ(FormatLogLine(kTime, 4242, "start 1.0.0"),
              "2026-03-04 05:06:07.008Z [4242] start 1.0.0\r\n");
    const std::string prefix = "2026-03-04 05:06:07.008Z [1] ";
    EXPECT_EQ(FormatLogLine(kTime, 1, "a\r\nb\tc\x7F"), prefix + "a  b c \r\n");
    EXPECT_EQ(FormatLogLine(kTime, 1, nullptr), prefix + "\r\n");
    // UTF-8 is kept byte for byte; its continuation bytes are never taken for control characters.
    EXPECT_EQ(FormatLogLine(kTime, 1, u8"标签\u2026"), prefix + u8"标签\u2026" + "\r\n");
    // A long text is cut between characters.
    const std::string ascii(kLogTextMax + 50, 'x');
    EXPECT_EQ(FormatLogLine(kTime, 1, ascii.c_str()),
              prefix + std::string(kLogTextMax, 'x') + "\r\n");
    // Two ASCII bytes first, then three-byte characters: the last one would straddle the limit.
    std::string utf8 = "xy";
    while (utf8.size() < kLogTextMax + 10) utf8 += u8"中";
    EXPECT_EQ(FormatLogLine(kTime, 1, utf8.c_str()),
              prefix + utf8.substr(0, kLogTextMax - 2) + "\r\n");
}

TEST(LogLines, RollsOverUnderTheLockStaysBoundedWithoutItAndAFloodCostsAFewLines) {
    const std::tuple<std::uint64_t, std::size_t, bool, LogStep> rows[] = {
        {0, 10, true, LogStep::Append},
        {kLogRollSize - 10, 10, true, LogStep::Append},
        {kLogRollSize - 10, 11, true, LogStep::RollOver},
        {kLogRollSize + 5, 1, true, LogStep::RollOver},
        {0, kLogRollSize * 2, false, LogStep::Append},  // an empty file takes any line
        {kLogRollSize, 1, false, LogStep::Append},      // the holder of the lock rolls over soon
        {kLogRollSize + kLogUnlockedSlack - 1, 1, false, LogStep::Append},
        {kLogRollSize + kLogUnlockedSlack, 1, false, LogStep::Drop}};
    for (const auto& [size, line, locked, step] : rows) {
        EXPECT_EQ(NextLogStep(size, line, locked), step) << size << locked;
    }

    // A flood of one kind costs a few lines.
    LogFlood flood;
    const std::string held = u8"\u2026 ";
    const std::tuple<const char*, const char*, std::uint64_t, std::vector<std::string>> steps[] = {
        {"a", "same", 1000, {"same"}},
        {"a", "same", 1001, {}},  // a repeat is only counted
        {"a", "same", 1002, {}},
        {"b", "same", 1003, {"same"}},  // another kind is its own
        {"a", "new", 1004, {held + "repeated 2 times: same", "new"}},
        {"a", "n1", 1005, {"n1"}},
        {"a", "n2", 1006, {"n2"}},
        {"a", "n3", 1007, {"n3"}},
        {"a", "n4", 1008, {}},  // past the burst
        {"a", "n5", 1009, {}},
        {"a", "n6", 2100, {held + "2 more held back, the last: n5", "n6"}},
        {"a", "n6", 2200, {}},
        {"a", "n6", 2100 + kLogRepeatMs, {held + "repeated 2 times: n6"}},
        {"a", "n6", 2200 + 2 * kLogRepeatMs, {"n6"}},
        {"b", "same", 2300, {}}};
    for (const auto& [kind, text, ms, out] : steps) {
        EXPECT_EQ(flood.Admit(kind, text, ms), out) << text;
    }
    EXPECT_EQ(flood.Drain(), std::vector<std::string>{held + "repeated 1 times: same"});
    EXPECT_TRUE(flood.Drain().empty());

    // A device-change storm: 11,287 distinct lines in 12.6 s.
    std::size_t written = 0;
    for (std::uint64_t i = 0; i < 11287; ++i) {
        written +=
            flood.Admit("storm", "line " + std::to_string(i), 10000000 + i * 12600 / 11287).size();
    }
    EXPECT_LE(written, 2 * (kLogBurstLines + 13));
}

std::string Lines(int from, int to) {
    std::string text;
    for (int i = from; i <= to; ++i) text += "line " + std::to_string(i) + "\r\n";
    return text;
}

TEST(LogLines, TailTakesTheNewestLinesFromBothFilesAsTheyAre) {
    const std::vector<std::string> three{"line 8", "line 9", "line 10"};
    EXPECT_EQ(LastLogLines("", Lines(1, 10), 3), three);
    EXPECT_EQ(LastLogLines(Lines(1, 8), Lines(9, 10), 3), three);
    EXPECT_EQ(LastLogLines(Lines(1, 1), Lines(2, 3), 200),
              (std::vector<std::string>{"line 1", "line 2", "line 3"}));
    EXPECT_EQ(LastLogLines(Lines(1, 5), Lines(6, 10), 0), std::vector<std::string>{});
    EXPECT_EQ(LastLogLines("", "", 200), std::vector<std::string>{});
    // A cut last line and bare line feeds are kept.
    EXPECT_EQ(LastLogLines("", "one\ntwo\r\nthr", 2), (std::vector<std::string>{"two", "thr"}));
    EXPECT_EQ(LastLogLines("old\r\n", "\r\nx\r\n", 3), (std::vector<std::string>{"old", "", "x"}));
}

}  // namespace
}  // namespace keytool
