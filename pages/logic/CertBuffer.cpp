#include "pages/logic/CertBuffer.h"

namespace keytool {

std::uint8_t g_CertBuf[CERT_BUF_SIZE];

}  // namespace keytool
