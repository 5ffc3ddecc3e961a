// Rules for the byte strings a key and its store accept.
#pragma once

#include <cstddef>
#include <string>

namespace keylib {

// Well-formed GBK: printable ASCII, or a lead byte 0x81-0xFE with a trail byte 0x40-0xFE
// other than 0x7F. Control characters are refused.
bool isValidGbkText(const std::string& text);
bool isValidLabel(const std::string& label);
bool isValidPasswordLength(size_t length);
// A container name: 1-127 bytes of GBK text.
bool isValidContainerName(const std::string& name);
// A key's name in the store doubles as its file name: 1-64 of A-Z a-z 0-9 _ - ., not
// starting with a dot.
bool isValidKeyName(const std::string& name);

}  // namespace keylib
