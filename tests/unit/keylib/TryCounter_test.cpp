// ISO/IEC 7816-4 status words of the try counter, one try charged before each comparison.
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

TEST(TryCounterTest, MismatchesCountDownThenLockAndAMatchRefills) {
    KeyRecord r;
    r.maxTries = 15;
    r.triesLeft = 2;
    EXPECT_EQ(attempt(r, true), 0u);
    EXPECT_EQ(r.triesLeft, 15);
    EXPECT_EQ(attempt(r, false), 0x63CEu) << "x = tries left, up to 15";
    r.triesLeft = 2;
    EXPECT_EQ(attempt(r, false), 0x63C1u);
    EXPECT_EQ(attempt(r, false), 0x63C0u) << "the last try";
    EXPECT_EQ(attempt(r, false), 0x6983u);
    EXPECT_EQ(attempt(r, true), 0x6983u) << "locked: not even compared";
}

}  // namespace
}  // namespace keylib
