// Certificates decoded by the platform's certificate functions, for the
// certificate tree, the expiry reminders (names in GBK, as the portable logic
// holds its texts, whatever the system's code page) and ukeyctl's reports.
#pragma once

#include "keys/logic/KeyCerts.h"

class Crypt32CertDecoder : public keytool::CertDecoder,
                           public keytool::CertExpiryDecoder,
                           public keytool::CertDetailsDecoder {
public:
    // The subject's simple display name.
    bool SubjectName(const std::uint8_t* der, std::uint32_t length, char* name,
                     std::size_t size) override;
    // The SHA-1 thumbprint, the common name (else the whole subject) and the end of validity.
    bool Expiry(const std::uint8_t* der, std::uint32_t length,
                keytool::CertExpiry* expiry) override;
    bool Decode(const std::uint8_t* der, std::uint32_t length,
                keytool::CertDetails* details) override;
};
