#include "keys/CertDecoderCrypt32.h"

#include <windows.h>
// windows.h must come first.
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "framework/Text.h"
#include "text/CodePages.h"
#include "text/logic/GbkText.h"

namespace {

constexpr DWORD kEncodings = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr DWORD kSha1Size = 20;
// More than a balloon or a report line shows of a name.
constexpr DWORD kNameSize = 1024;

// The certificate's context for as long as one decoding takes.
class Certificate {
public:
    Certificate(const std::uint8_t* der, std::uint32_t length)
        : m_context(::CertCreateCertificateContext(kEncodings, der, length)) {}
    ~Certificate() {
        if (m_context) ::CertFreeCertificateContext(m_context);
    }
    Certificate(const Certificate&) = delete;
    Certificate& operator=(const Certificate&) = delete;
    PCCERT_CONTEXT operator->() const { return m_context; }
    explicit operator bool() const { return m_context != nullptr; }
    PCCERT_CONTEXT get() const { return m_context; }

private:
    PCCERT_CONTEXT m_context;
};

// The tree and the reminders hold names in GBK, whatever the system's code page;
// a character GBK cannot hold shows as "?". Cut to fit between characters.
void CopyAsGbk(const wchar_t* name, char* out, std::size_t size) {
    const int length =
        ::WideCharToMultiByte(fw::kGbkCodePage, 0, name, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(length > 0 ? static_cast<std::size_t>(length) : 1, '\0');
    ::WideCharToMultiByte(fw::kGbkCodePage, 0, name, -1, bytes.data(), length, nullptr, nullptr);
    const std::size_t kept =
        keytool::GbkPrefixLength(bytes.c_str(), std::strlen(bytes.c_str()), size - 1);
    std::memcpy(out, bytes.data(), kept);
    out[kept] = '\0';
}

std::string HexBytes(const BYTE* bytes, DWORD length, bool reversed, const char* format) {
    std::string text;
    for (DWORD i = 0; i < length; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, format, bytes[reversed ? length - 1 - i : i]);
        text += pair;
    }
    return text;
}

// Empty when the platform cannot hash it.
std::string Thumbprint(const Certificate& cert) {
    BYTE hash[kSha1Size];
    DWORD size = sizeof hash;
    if (!::CertGetCertificateContextProperty(cert.get(), CERT_SHA1_HASH_PROP_ID, hash, &size) ||
        size != kSha1Size) {
        return {};
    }
    return HexBytes(hash, size, false, "%02X");
}

// In UTF-8, as ukeyctl's report takes it, from the name's own characters whatever the
// system's code page.
std::string X500Name(const CERT_NAME_BLOB& name) {
    auto* blob = const_cast<CERT_NAME_BLOB*>(&name);
    const DWORD length = ::CertNameToStrW(X509_ASN_ENCODING, blob, CERT_X500_NAME_STR, nullptr, 0);
    std::wstring text(length, L'\0');
    if (length > 0) {
        ::CertNameToStrW(X509_ASN_ENCODING, blob, CERT_X500_NAME_STR, text.data(), length);
        text.resize(length - 1);
    }
    return keytool::Utf8FromWide(text);
}

void Times(const FILETIME& time, std::string* local, std::string* utc) {
    SYSTEMTIME u{}, l{};
    char text[64];
    if (!::FileTimeToSystemTime(&time, &u)) return;
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", u.wYear, u.wMonth, u.wDay,
                  u.wHour, u.wMinute, u.wSecond);
    *utc = text;
    if (!::SystemTimeToTzSpecificLocalTime(nullptr, &u, &l)) l = u;
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", l.wYear, l.wMonth, l.wDay,
                  l.wHour, l.wMinute, l.wSecond);
    *local = text;
}

}  // namespace

bool Crypt32CertDecoder::SubjectName(const std::uint8_t* der, std::uint32_t length, char* name,
                                     std::size_t size) {
    const Certificate cert(der, length);
    if (!cert) return false;
    wchar_t wide[kNameSize] = {};
    ::CertGetNameStringW(cert.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, wide,
                         static_cast<DWORD>(std::size(wide)));
    if (size > 0) CopyAsGbk(wide, name, size);
    return true;
}

bool Crypt32CertDecoder::Expiry(const std::uint8_t* der, std::uint32_t length,
                                keytool::CertExpiry* expiry) {
    const Certificate cert(der, length);
    if (!cert) return false;
    expiry->thumbprint = Thumbprint(cert);
    if (expiry->thumbprint.empty()) return false;
    wchar_t wide[kNameSize] = {};
    const DWORD common = ::CertGetNameStringW(cert.get(), CERT_NAME_ATTR_TYPE, 0,
                                              const_cast<char*>(szOID_COMMON_NAME), wide,
                                              static_cast<DWORD>(std::size(wide)));
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
    return true;
}

bool Crypt32CertDecoder::Decode(const std::uint8_t* der, std::uint32_t length,
                                keytool::CertDetails* details) {
    const Certificate cert(der, length);
    if (!cert) return false;
    const CERT_INFO* info = cert->pCertInfo;
    details->subject = X500Name(info->Subject);
    details->issuer = X500Name(info->Issuer);
    // Stored least significant byte first; Windows shows it the other way round.
    details->serial = HexBytes(info->SerialNumber.pbData, info->SerialNumber.cbData, true, "%02x");
    Times(info->NotBefore, &details->fromLocal, &details->fromUtc);
    Times(info->NotAfter, &details->toLocal, &details->toUtc);
    details->thumbprint = Thumbprint(cert);
    return true;
}
