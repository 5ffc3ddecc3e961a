#include "text/logic/GbkText.h"

namespace keytool {

std::size_t GbkPrefixLength(const char* text, std::size_t length, std::size_t limit) {
    std::size_t used = 0;
    while (used < length) {
        const auto byte = static_cast<unsigned char>(text[used]);
        const std::size_t width = byte >= 0x81 && byte <= 0xFE ? 2 : 1;
        if (used + width > limit || used + width > length) break;
        used += width;
    }
    return used;
}

}  // namespace keytool
