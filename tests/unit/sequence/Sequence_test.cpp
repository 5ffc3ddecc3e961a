#include "tests/sequence/Sequence.h"

namespace seq {
namespace {

TEST(Sequence, OptionalEntriesMayBeMissingButNothingElse) {
    const std::vector<Line> table{{"open"}, {"paint", true}, {"close"}};
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"open", "paint", "close"}, ""},
        {{"open", "close"}, ""},
        {{"open", "paint", "paint", "close"},
         "index 2: expected close, got paint (recorded entry 2)"},
        {{"open"}, "index 2: expected close, got nothing more (recorded entry 1)"},
        {{"open", "close", "open"}, "index 3: expected nothing more, got open (recorded entry 2)"},
    };
    for (const auto& [log, difference] : rows) {
        EXPECT_EQ(FirstDifference(log, table.data(), table.size()), difference);
    }
}

}  // namespace
}  // namespace seq
