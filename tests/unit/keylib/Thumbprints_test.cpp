#include "keylib/dll/logic/Thumbprints.h"

#include <gtest/gtest.h>

namespace keylib {
namespace {

Thumbprint filled(uint8_t first, uint8_t rest) {
    Thumbprint t;
    t.fill(rest);
    t[0] = first;
    return t;
}

TEST(ThumbprintsTest, ListRoundTripsAndDamagedLinesCostOnlyThemselves) {
    const std::vector<Thumbprint> list{filled(0xAB, 0x01), filled(0x00, 0xFF)};
    const std::string text = formatThumbprints(list);
    EXPECT_EQ(text,
              "AB01010101010101010101010101010101010101\n"
              "00FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\n");
    EXPECT_EQ(parseThumbprints(text), list);
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
