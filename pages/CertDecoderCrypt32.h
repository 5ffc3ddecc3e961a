// Certificates decoded by the platform's certificate functions.
#pragma once

#include "pages/logic/CertPageParts.h"

class Crypt32CertDecoder : public keytool::CertDecoder {
public:
    // The subject's simple display name.
    bool SubjectName(const std::uint8_t* der, std::uint32_t length, char* name,
                     std::size_t size) override;
};
