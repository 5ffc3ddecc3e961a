// The list of certificates the library put into the user's certificate store, one SHA-1
// thumbprint (40 upper-case hex digits) a line, so that any later process removes exactly
// those and nothing the user put there.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace keylib {

using Thumbprint = std::array<uint8_t, 20>;

// Lines that are not a thumbprint are skipped: one damaged line must not cost the others.
std::vector<Thumbprint> parseThumbprints(const std::string& text);
std::string formatThumbprints(const std::vector<Thumbprint>& list);
std::string thumbprintHex(const Thumbprint& thumbprint);

}  // namespace keylib
