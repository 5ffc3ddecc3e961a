#include "keylib/dll/logic/Thumbprints.h"

#include <gtest/gtest.h>

#include <tuple>

namespace keylib {
namespace {

TEST(ThumbprintsTest, ListRoundTripsAndDamagedLinesCostOnlyThemselves) {
    const std::string text =
        "AB01010101010101010101010101010101010101\n"
        "00FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\n";
    const std::vector<Thumbprint> list = parseThumbprints(text);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(std::make_tuple(list[0][0], list[0][19], list[1][0], list[1][1]),
              std::make_tuple(0xAB, 0x01, 0x00, 0xFF));
    EXPECT_EQ(formatThumbprints(list), text);
    EXPECT_TRUE(parseThumbprints("").empty());
    // Lower case, CRLF and no final line break are read; wrong lengths and digits are not.
    const std::string mixed =
        "ab01010101010101010101010101010101010101\r\n"
        "AB0101010101010101010101010101010101010\n"
        "AB010101010101010101010101010101010101010\n"
        "\n"
        "GG01010101010101010101010101010101010101\n"
        "00ffffffffffffffffffffffffffffffffffffff";
    EXPECT_EQ(parseThumbprints(mixed), list);
}

}  // namespace
}  // namespace keylib
