// The certificate last read for viewing, as the key library wrote it (DER).
#pragma once

#include <cstdint>

namespace keytool {

// Also the largest certificate a key holds.
constexpr std::uint32_t CERT_BUF_SIZE = 409600;

extern std::uint8_t g_CertBuf[CERT_BUF_SIZE];

}  // namespace keytool
