#include "pages/CertDecoderCrypt32.h"

#include <windows.h>
// windows.h must come first.
#include <wincrypt.h>

#include <cstdio>

namespace {

constexpr DWORD kEncodings = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr DWORD kSha1Size = 20;
// More than a balloon can show of a name.
constexpr DWORD kNameSize = 512;

}  // namespace

bool Crypt32CertDecoder::SubjectName(const std::uint8_t* der, std::uint32_t length, char* name,
                                     std::size_t size) {
    PCCERT_CONTEXT cert = ::CertCreateCertificateContext(kEncodings, der, length);
    if (!cert) return false;
    ::CertGetNameStringA(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name,
                         static_cast<DWORD>(size));
    ::CertFreeCertificateContext(cert);
    return true;
}

bool Crypt32CertDecoder::Expiry(const std::uint8_t* der, std::uint32_t length,
                                keytool::CertExpiry* expiry) {
    PCCERT_CONTEXT cert = ::CertCreateCertificateContext(kEncodings, der, length);
    if (!cert) return false;
    BYTE hash[kSha1Size];
    DWORD hashSize = sizeof hash;
    const bool hashed =
        ::CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, hash, &hashSize) &&
        hashSize == kSha1Size;
    if (hashed) {
        char hex[2 * kSha1Size + 1];
        for (DWORD i = 0; i < kSha1Size; ++i) std::snprintf(hex + 2 * i, 3, "%02X", hash[i]);
        expiry->thumbprint = hex;

        char name[kNameSize] = {};
        const DWORD common = ::CertGetNameStringA(
            cert, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME), name, sizeof name);
        if (common <= 1) {
            ::CertNameToStrA(X509_ASN_ENCODING, &cert->pCertInfo->Subject, CERT_X500_NAME_STR, name,
                             sizeof name);
        }
        name[kNameSize - 1] = '\0';
        expiry->name = name;
        const FILETIME end = cert->pCertInfo->NotAfter;
        expiry->notAfter = keytool::SecondsFromFileTime(
            (static_cast<std::uint64_t>(end.dwHighDateTime) << 32) | end.dwLowDateTime);
    }
    ::CertFreeCertificateContext(cert);
    return hashed;
}
