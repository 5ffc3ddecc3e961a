#include "pages/CertDecoderCrypt32.h"

#include <windows.h>
// windows.h must come first.
#include <wincrypt.h>

bool Crypt32CertDecoder::SubjectName(const std::uint8_t* der, std::uint32_t length, char* name,
                                     std::size_t size) {
    PCCERT_CONTEXT cert =
        ::CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der, length);
    if (!cert) return false;
    ::CertGetNameStringA(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name,
                         static_cast<DWORD>(size));
    ::CertFreeCertificateContext(cert);
    return true;
}
