// The certificate last read for viewing, as the key library wrote it (DER).
#pragma once

#include <cstdint>

#include "keys/logic/KeyCerts.h"

namespace keytool {

extern std::uint8_t g_CertBuf[CERT_BUF_SIZE];

}  // namespace keytool
