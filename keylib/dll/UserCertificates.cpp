#include "keylib/dll/UserCertificates.h"

#include <string>
#include <vector>

namespace keylib {
namespace {

// Where crypt32 keeps the current user's "MY" registry store.
const wchar_t kCertificatesKey[] = L"Software\\Microsoft\\SystemCertificates\\MY\\Certificates";
const wchar_t kBlobValue[] = L"Blob";
// Far above any certificate with its properties; a larger value is damage.
constexpr DWORD kMaxBlob = 1u << 20;

std::wstring subkeyName(const Thumbprint& thumbprint) {
    const std::string hex = thumbprintHex(thumbprint);
    return std::wstring(hex.begin(), hex.end());
}

bool readBlob(HKEY certificates, const std::wstring& name, std::vector<BYTE>& blob) {
    HKEY cert = nullptr;
    if (RegOpenKeyExW(certificates, name.c_str(), 0, KEY_QUERY_VALUE, &cert) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0, size = 0;
    bool ok = RegQueryValueExW(cert, kBlobValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
              type == REG_BINARY && size > 0 && size <= kMaxBlob;
    if (ok) {
        blob.resize(size);
        ok = RegQueryValueExW(cert, kBlobValue, nullptr, &type, blob.data(), &size) ==
                 ERROR_SUCCESS &&
             size <= blob.size();
        blob.resize(size);
    }
    RegCloseKey(cert);
    return ok;
}

bool sameThumbprint(PCCERT_CONTEXT cert, const Thumbprint& thumbprint) {
    Thumbprint actual{};
    DWORD size = static_cast<DWORD>(actual.size());
    return CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, actual.data(), &size) &&
           size == actual.size() && actual == thumbprint;
}

}  // namespace

UserCertificates::UserCertificates()
    : scratch_(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr)) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kCertificatesKey, 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | DELETE,
                        nullptr, &certificates_, nullptr) != ERROR_SUCCESS) {
        certificates_ = nullptr;
    }
}

UserCertificates::~UserCertificates() {
    if (certificates_ != nullptr) RegCloseKey(certificates_);
    if (scratch_ != nullptr) CertCloseStore(scratch_, 0);
}

PCCERT_CONTEXT UserCertificates::find(const Thumbprint& thumbprint) const {
    std::vector<BYTE> blob;
    if (!usable() || !readBlob(certificates_, subkeyName(thumbprint), blob)) return nullptr;
    const void* context = nullptr;
    if (!CertAddSerializedElementToStore(scratch_, blob.data(), static_cast<DWORD>(blob.size()),
                                         CERT_STORE_ADD_ALWAYS, 0,
                                         CERT_STORE_CERTIFICATE_CONTEXT_FLAG, nullptr, &context)) {
        return nullptr;
    }
    auto cert = static_cast<PCCERT_CONTEXT>(context);
    // A subkey whose content is another certificate does not count, as for crypt32.
    if (!sameThumbprint(cert, thumbprint)) {
        CertFreeCertificateContext(cert);
        return nullptr;
    }
    return cert;
}

bool UserCertificates::put(const Thumbprint& thumbprint, PCCERT_CONTEXT cert) const {
    DWORD size = 0;
    if (!usable() || !CertSerializeCertificateStoreElement(cert, 0, nullptr, &size)) return false;
    std::vector<BYTE> blob(size);
    if (!CertSerializeCertificateStoreElement(cert, 0, blob.data(), &size)) return false;
    HKEY key = nullptr;
    if (RegCreateKeyExW(certificates_, subkeyName(thumbprint).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const bool written =
        RegSetValueExW(key, kBlobValue, 0, REG_BINARY, blob.data(), size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

bool UserCertificates::remove(const Thumbprint& thumbprint) const {
    if (!usable()) return false;
    const LONG result = RegDeleteKeyW(certificates_, subkeyName(thumbprint).c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace keylib
