#include "pages/CertDecoderCrypt32.h"

#include <windows.h>
// windows.h must come first.
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "framework/Text.h"
#include "framework/logic/GbkText.h"

namespace {

constexpr DWORD kEncodings = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr DWORD kSha1Size = 20;
// More than a balloon can show of a name.
constexpr DWORD kNameSize = 512;

// The page's logic holds names in GBK, whatever the system's code page; a
// character GBK cannot hold shows as "?". Cut to fit between characters.
void CopyAsGbk(const wchar_t* name, char* out, std::size_t size) {
    const int length =
        ::WideCharToMultiByte(fw::kGbkCodePage, 0, name, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(length > 0 ? static_cast<std::size_t>(length) : 1, '\0');
    ::WideCharToMultiByte(fw::kGbkCodePage, 0, name, -1, bytes.data(), length, nullptr, nullptr);
    const std::size_t kept =
        fw::GbkPrefixLength(bytes.c_str(), std::strlen(bytes.c_str()), size - 1);
    std::memcpy(out, bytes.data(), kept);
    out[kept] = '\0';
}

}  // namespace

bool Crypt32CertDecoder::SubjectName(const std::uint8_t* der, std::uint32_t length, char* name,
                                     std::size_t size) {
    PCCERT_CONTEXT cert = ::CertCreateCertificateContext(kEncodings, der, length);
    if (!cert) return false;
    wchar_t wide[kNameSize] = {};
    ::CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, wide,
                         static_cast<DWORD>(std::size(wide)));
    if (size > 0) CopyAsGbk(wide, name, size);
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

        wchar_t wide[kNameSize] = {};
        const DWORD common =
            ::CertGetNameStringW(cert, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME),
                                 wide, static_cast<DWORD>(std::size(wide)));
        if (common <= 1) {
            ::CertNameToStrW(X509_ASN_ENCODING, &cert->pCertInfo->Subject, CERT_X500_NAME_STR, wide,
                             static_cast<DWORD>(std::size(wide)));
        }
        wide[kNameSize - 1] = L'\0';
        char name[kNameSize];
        CopyAsGbk(wide, name, sizeof name);
        expiry->name = name;
        const FILETIME end = cert->pCertInfo->NotAfter;
        expiry->notAfter = keytool::SecondsFromFileTime(
            (static_cast<std::uint64_t>(end.dwHighDateTime) << 32) | end.dwLowDateTime);
    }
    ::CertFreeCertificateContext(cert);
    return hashed;
}
