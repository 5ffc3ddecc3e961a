#include "tests/sequence/Sequence.h"

#include <gtest/gtest-spi.h>

namespace seq {
namespace {

using Log = std::vector<std::string>;

std::string Difference(const Log& log, const std::vector<Line>& table) {
    return FirstDifference(log, table.data(), table.size());
}

TEST(Sequence, OptionalEntriesMayBeMissingButNothingElse) {
    const std::vector<Line> table{{"open"}, {"paint", true}, {"close"}};
    EXPECT_EQ(Difference({"open", "paint", "close"}, table), "");
    EXPECT_EQ(Difference({"open", "close"}, table), "");
    EXPECT_EQ(Difference({"open", "paint", "paint", "close"}, table),
              "index 2: expected close, got paint (recorded entry 2)");
    EXPECT_EQ(Difference({"close"}, table), "index 0: expected open, got close (recorded entry 0)");
    // An optional last entry may be missing at the end of the log.
    EXPECT_EQ(Difference({"open"}, {{"open"}, {"tail", true}}), "");
}

TEST(Sequence, MissingAndExtraEntriesAtTheEndAreNamed) {
    const std::vector<Line> table{{"open"}, {"close"}};
    EXPECT_EQ(Difference({"open"}, table),
              "index 1: expected close, got nothing more (recorded entry 1)");
    EXPECT_EQ(Difference({"open", "close", "open"}, table),
              "index 2: expected nothing more, got open (recorded entry 2)");
    EXPECT_EQ(Difference({}, {}), "");
}

TEST(Sequence, ExpectSequenceFailsWithTheContextAndTheWholeLog) {
    const Line table[] = {{"open"}, {"close"}};
    EXPECT_NONFATAL_FAILURE(ExpectSequence(Log{"open", "paint"}, table, "window life"),
                            "window life: index 1: expected close, got paint");
    EXPECT_NONFATAL_FAILURE(ExpectSequence(Log{"open", "paint"}, table, "window life"),
                            "  1: paint");
}

}  // namespace
}  // namespace seq
