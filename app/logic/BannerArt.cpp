#include "app/logic/BannerArt.h"

#include <cstring>

namespace keytool {

namespace {

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

// a * b / c rounded up, without overflow for sizes of int.
int ScaleUp(int a, int b, int c) {
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    return static_cast<int>((product + c - 1) / c);
}

}  // namespace

std::optional<Size> PngSize(const std::uint8_t* bytes, std::size_t count) {
    // Signature, then the IHDR chunk: length 13, type, width, height.
    static const std::uint8_t kHeader[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A,
                                           0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    if (!bytes || count < sizeof kHeader + 8 || std::memcmp(bytes, kHeader, sizeof kHeader) != 0) {
        return std::nullopt;
    }
    const std::uint32_t width = BigEndian32(bytes + 16);
    const std::uint32_t height = BigEndian32(bytes + 20);
    constexpr std::uint32_t kLargest = 0x7FFFFFFF;
    if (width == 0 || height == 0 || width > kLargest || height > kLargest) return std::nullopt;
    return Size{static_cast<int>(width), static_cast<int>(height)};
}

std::size_t ChooseArtwork(const Size* sizes, std::size_t count, Size target) {
    std::size_t chosen = count;
    std::size_t largest = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Size& size = sizes[i];
        if (size.width > sizes[largest].width) largest = i;
        const bool covers = size.width >= target.width && size.height >= target.height;
        if (covers && (chosen == count || size.width < sizes[chosen].width)) chosen = i;
    }
    return chosen == count ? largest : chosen;
}

Rect CoverRect(Size artwork, Size target) {
    if (artwork.width <= 0 || artwork.height <= 0) return {};
    // Wider than the artwork in proportion: the width decides, else the height.
    const bool byWidth = static_cast<std::int64_t>(target.width) * artwork.height >=
                         static_cast<std::int64_t>(target.height) * artwork.width;
    const int width =
        byWidth ? target.width : ScaleUp(artwork.width, target.height, artwork.height);
    const int height =
        byWidth ? ScaleUp(artwork.height, target.width, artwork.width) : target.height;
    const int top = (target.height - height) / 2;
    return {0, top, width, top + height};
}

}  // namespace keytool
