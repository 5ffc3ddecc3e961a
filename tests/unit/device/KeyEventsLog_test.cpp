#include "device/logic/KeyEventsLog.h"

#include <gtest/gtest.h>

namespace keytool {
namespace {

TEST(KeyEventsLog, TellsTheCountsAndTheDecisionOfEachEvaluation) {
    const struct {
        KeyEvaluation evaluation;
        const char* line;
    } cases[] = {
        {{0x8000, 1, 0, 0, false}, "device change 0x8000: ignored"},
        {{0x8004, 1, 0, 0, false}, "device change 0x8004: ignored"},
        {{0x0007, 2, 2, 0, false}, "device change 0x0007: 2 key(s), as before: no change"},
        {{0x0000, 0, 1, 1, true},
         "device change 0x0000: 1 key(s) counted, 1 listed, 0 before: inserted"},
        {{0x0007, 2, 1, 1, true},
         "device change 0x0007: 1 key(s) counted, 1 listed, 2 before: removed"},
        // The key came back between the two reads: the evaluation treats it as a removal.
        {{0x0007, 1, 0, 1, true},
         "device change 0x0007: 0 key(s) counted, 1 listed, 1 before: removed"},
    };
    for (const auto& c : cases) EXPECT_EQ(DescribeKeyEvaluation(c.evaluation), c.line);
}

}  // namespace
}  // namespace keytool
