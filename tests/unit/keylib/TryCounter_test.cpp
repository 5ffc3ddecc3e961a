// ISO/IEC 7816-4 try counting, charged before each comparison.
#include "keylib/dll/logic/TryCounter.h"

#include <gtest/gtest.h>

namespace keylib {
namespace {

uint32_t attempt(KeyRecord& r, bool matched) {
    const uint32_t locked = lockedStatus(r);
    if (locked != 0) return locked;
    chargeTry(r);
    return settleTry(r, matched);
}

TEST(TryCounterTest, MismatchesCountDownToZeroThenTheKeyIsLocked) {
    KeyRecord r;
    r.maxTries = 3;
    r.triesLeft = 3;
    EXPECT_EQ(attempt(r, false), 0x63C2u);
    EXPECT_EQ(attempt(r, false), 0x63C1u);
    EXPECT_EQ(attempt(r, false), 0x63C0u);
    EXPECT_EQ(attempt(r, false), 0x6983u);
    EXPECT_EQ(attempt(r, true), 0x6983u);
    EXPECT_EQ(r.triesLeft, 0);
}

TEST(TryCounterTest, MatchRefillsTheTries) {
    KeyRecord r;
    r.maxTries = 15;
    r.triesLeft = 2;
    EXPECT_EQ(attempt(r, true), 0u);
    EXPECT_EQ(r.triesLeft, 15);
    EXPECT_EQ(attempt(r, false), 0x63CEu);
}

TEST(TryCounterTest, ChargedTryIsAlreadyCountedBeforeTheOutcome) {
    KeyRecord r;
    r.maxTries = 5;
    r.triesLeft = 5;
    chargeTry(r);
    EXPECT_EQ(r.triesLeft, 4) << "what is stored while the comparison runs";
    r.triesLeft = 0;
    chargeTry(r);
    EXPECT_EQ(r.triesLeft, 0);
}

}  // namespace
}  // namespace keylib
