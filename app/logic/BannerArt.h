// Choosing and placing banner artwork: the artwork is kept at a few sizes and
// the one nearest above the banner's size is scaled to cover it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "app/logic/MainWindowRules.h"

namespace keytool {

struct Size {
    int width = 0;
    int height = 0;
};

// Width and height from a PNG file's header; nothing when the bytes are not a
// PNG header or give a size of 0 or beyond 2^31 - 1.
std::optional<Size> PngSize(const std::uint8_t* bytes, std::size_t count);

// Index of the smallest artwork that covers the target in both directions; the
// largest when none does. count must not be 0.
std::size_t ChooseArtwork(const Size* sizes, std::size_t count, Size target);

// Where to draw artwork so that it covers the target with its own proportions:
// left edges together, centred vertically, whatever sticks out cut off.
Rect CoverRect(Size artwork, Size target);

}  // namespace keytool
