// CRC-32 (IEEE 802.3) that detects accidental damage of key files; it is no protection
// against deliberate change.
#pragma once

#include <cstddef>
#include <cstdint>

namespace keylib {

uint32_t crc32(const uint8_t* data, size_t size);

}  // namespace keylib
