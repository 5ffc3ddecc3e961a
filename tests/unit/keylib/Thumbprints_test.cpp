// The list of certificates the library registered.
#include "keylib/dll/logic/Thumbprints.h"

#include <gtest/gtest.h>

namespace keylib {
namespace {

TEST(ThumbprintsTest, ListRoundTripsThroughText) {
    Thumbprint a{}, b{};
    for (size_t i = 0; i < a.size(); ++i) {
        a[i] = static_cast<uint8_t>(i);
        b[i] = static_cast<uint8_t>(0xFF - i);
    }
    const std::string text = formatThumbprints({a, b});
    EXPECT_EQ(text.substr(0, 41), "000102030405060708090A0B0C0D0E0F10111213\n");
    EXPECT_EQ(parseThumbprints(text), (std::vector<Thumbprint>{a, b}));
}

TEST(ThumbprintsTest, DamagedLinesAreSkippedAndTheRestKept) {
    const std::string good = "00112233445566778899aabbccddeeff00112233";
    const auto list = parseThumbprints("garbage\n" + good + "\r\n" + good.substr(1) + "\n" +
                                       std::string(39, '0') + "G\n");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0][10], 0xAA);
    EXPECT_TRUE(parseThumbprints("").empty());
}

}  // namespace
}  // namespace keylib
