// Byte limits on texts in code page 936, where a character takes one byte
// (below 0x81) or two (a lead byte 0x81-0xFE and a trail byte).
#pragma once

#include <cstddef>

namespace keytool {

// The length of the longest prefix of text[0, length) that has at most limit
// bytes and does not split a double-byte character.
std::size_t GbkPrefixLength(const char* text, std::size_t length, std::size_t limit);

}  // namespace keytool
