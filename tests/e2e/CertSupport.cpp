#include "tests/e2e/CertSupport.h"

// windows.h must come first.
#include <commctrl.h>
#include <wincrypt.h>

namespace e2e {
namespace {

BOOL CALLBACK FindTree(HWND hwnd, LPARAM found) {
    char className[32] = {};
    GetClassNameA(hwnd, className, sizeof className);
    if (GetDlgCtrlID(hwnd) == 1006 && lstrcmpiA(className, WC_TREEVIEWA) == 0) {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::string MakeSelfSignedCert(const std::wstring& commonName) {
    std::wstring country = L"CN";
    std::wstring organization = L"Qelmora Bank";
    std::wstring common = commonName;
    auto value = [](std::wstring& text) {
        return CERT_RDN_VALUE_BLOB{static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                                   reinterpret_cast<BYTE*>(text.data())};
    };
    char countryOid[] = szOID_COUNTRY_NAME;
    char organizationOid[] = szOID_ORGANIZATION_NAME;
    char commonOid[] = szOID_COMMON_NAME;
    CERT_RDN_ATTR attributes[] = {
        {countryOid, CERT_RDN_PRINTABLE_STRING, value(country)},
        {organizationOid, CERT_RDN_UTF8_STRING, value(organization)},
        {commonOid, CERT_RDN_UTF8_STRING, value(common)},
    };
    CERT_RDN rdns[] = {{1, &attributes[0]}, {1, &attributes[1]}, {1, &attributes[2]}};
    CERT_NAME_INFO info{3, rdns};
    BYTE encoded[512];
    DWORD size = sizeof encoded;
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_UNICODE_NAME, &info, encoded, &size)) return {};
    CERT_NAME_BLOB name{size, encoded};
    PCCERT_CONTEXT cert = CertCreateSelfSignCertificate(
        0, &name, CERT_CREATE_SELFSIGN_NO_KEY_INFO, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!cert) return {};
    std::string der(reinterpret_cast<const char*>(cert->pbCertEncoded), cert->cbCertEncoded);
    CertFreeCertificateContext(cert);
    return der;
}

HWND FindCertTree(HWND main) {
    HWND tree = nullptr;
    EnumChildWindows(main, &FindTree, reinterpret_cast<LPARAM>(&tree));
    return tree;
}

}  // namespace e2e
