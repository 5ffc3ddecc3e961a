// Reads the certificates of the plugged keys for the expiry reminders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pages/logic/CertPageParts.h"

namespace keytool {

// One certificate found on a plugged key; times are seconds since 1970 (UTC).
struct CertExpiry {
    std::string thumbprint;  // 40 upper-case hex digits of the SHA-1 hash
    std::string name;        // the subject's common name, else the whole subject (GBK)
    std::int64_t notAfter = 0;
};

// Seconds since 1970 of a Windows file time (100 ns since 1601).
std::int64_t SecondsFromFileTime(std::uint64_t fileTime);

// What a reminder needs of a DER X.509 certificate; false when the bytes are no certificate.
class CertExpiryDecoder {
public:
    virtual ~CertExpiryDecoder() = default;
    virtual bool Expiry(const std::uint8_t* der, std::uint32_t length, CertExpiry* expiry) = 0;
};

// Every certificate in the six container positions of each key, in key order;
// a position or certificate the library cannot read is passed over.
std::vector<CertExpiry> ReadCertExpiries(const std::uint32_t* slots, std::uint32_t count,
                                         CertKeyLibrary& keys, CertExpiryDecoder& decoder);

}  // namespace keytool
