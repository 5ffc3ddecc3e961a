#include "keylib/dll/CertRegistry.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <string>

#include "keylib/dll/logic/KeyStatus.h"

namespace keylib {
namespace {

// The provider a browser is told to ask for the private key of a registered certificate.
const wchar_t kProviderName[] = L"Qelmora UsbKey CSP";

// The registry store behind the user's "MY" system store: that is where certificates of the
// current user live, and deletions through it last (through the system store's collection,
// Wine forgets them when the store is closed).
class SystemStore {
public:
    SystemStore()
        : store_(CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                               CERT_SYSTEM_STORE_CURRENT_USER, L"MY")) {}
    ~SystemStore() {
        if (store_ != nullptr) CertCloseStore(store_, 0);
    }
    SystemStore(const SystemStore&) = delete;
    SystemStore& operator=(const SystemStore&) = delete;
    HCERTSTORE get() const { return store_; }

private:
    HCERTSTORE store_;
};

PCCERT_CONTEXT findByThumbprint(HCERTSTORE store, const Thumbprint& thumbprint) {
    CRYPT_HASH_BLOB blob{static_cast<DWORD>(thumbprint.size()),
                         const_cast<BYTE*>(thumbprint.data())};
    return CertFindCertificateInStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                      CERT_FIND_SHA1_HASH, &blob, nullptr);
}

bool thumbprintOf(PCCERT_CONTEXT cert, Thumbprint& thumbprint) {
    DWORD size = static_cast<DWORD>(thumbprint.size());
    return CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, thumbprint.data(),
                                             &size) &&
           size == thumbprint.size();
}

std::wstring widenGbk(const std::string& text) {
    const int n =
        MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    if (n > 0) {
        MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    }
    return wide;
}

bool nameContainer(PCCERT_CONTEXT cert, const std::string& container, DWORD keySpec) {
    std::wstring name = widenGbk(container);
    CRYPT_KEY_PROV_INFO info{};
    info.pwszContainerName = &name[0];
    info.pwszProvName = const_cast<wchar_t*>(kProviderName);
    info.dwProvType = PROV_RSA_FULL;
    info.dwKeySpec = keySpec;
    return CertSetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, 0, &info) != 0;
}

bool contains(const std::vector<Thumbprint>& list, const Thumbprint& t) {
    return std::find(list.begin(), list.end(), t) != list.end();
}

// One certificate: a DER that does not decode is skipped, the rest of the key still loads.
uint32_t registerOne(HCERTSTORE system, KeyStore& keyStore, std::vector<Thumbprint>& loaded,
                     const std::string& container, DWORD keySpec, const std::vector<uint8_t>& der) {
    PCCERT_CONTEXT decoded = CertCreateCertificateContext(
        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    if (decoded == nullptr) return KEYLIB_OK;
    Thumbprint thumbprint{};
    const bool hashed = thumbprintOf(decoded, thumbprint);
    CertFreeCertificateContext(decoded);
    if (!hashed) return KEYLIB_E_SYSTEM;

    PCCERT_CONTEXT present = findByThumbprint(system, thumbprint);
    const bool ours = contains(loaded, thumbprint);
    if (present != nullptr && !ours) {
        CertFreeCertificateContext(present);
        return KEYLIB_OK;
    }
    if (present == nullptr) {
        // Recorded before it is added: a crash in between leaves a name to forget, never a
        // certificate nobody would remove.
        if (!ours) {
            loaded.push_back(thumbprint);
            const uint32_t status = keyStore.writeLoadedCertificates(loaded);
            if (status != KEYLIB_OK) return status;
        }
        if (!CertAddEncodedCertificateToStore(system, X509_ASN_ENCODING, der.data(),
                                              static_cast<DWORD>(der.size()), CERT_STORE_ADD_NEW,
                                              &present)) {
            return KEYLIB_E_SYSTEM;
        }
    }
    const bool named = nameContainer(present, container, keySpec);
    CertFreeCertificateContext(present);
    return named ? KEYLIB_OK : KEYLIB_E_SYSTEM;
}

}  // namespace

uint32_t registerCertificates(KeyStore& keyStore, const KeyRecord& record, uint32_t kinds) {
    SystemStore system;
    if (system.get() == nullptr) return KEYLIB_E_SYSTEM;
    std::vector<Thumbprint> loaded = keyStore.readLoadedCertificates();
    uint32_t result = KEYLIB_OK;
    for (const Container& c : record.containers) {
        for (DWORD kind = 1; kind <= 2; ++kind) {
            const std::vector<uint8_t>& der = c.certificates[kind - 1];
            if (c.empty() || der.empty() || (kinds & kind) == 0) continue;
            // Kind 1 and 2 are the key specs AT_KEYEXCHANGE and AT_SIGNATURE.
            const uint32_t status = registerOne(system.get(), keyStore, loaded, c.name, kind, der);
            if (result == KEYLIB_OK) result = status;
        }
    }
    return result;
}

uint32_t unregisterCertificates(KeyStore& keyStore) {
    const std::vector<Thumbprint> loaded = keyStore.readLoadedCertificates();
    if (loaded.empty()) return KEYLIB_OK;
    SystemStore system;
    if (system.get() == nullptr) return KEYLIB_E_SYSTEM;
    std::vector<Thumbprint> kept;
    for (const Thumbprint& t : loaded) {
        PCCERT_CONTEXT cert = findByThumbprint(system.get(), t);
        // CertDeleteCertificateFromStore frees the context whether it succeeds or not.
        if (cert != nullptr && !CertDeleteCertificateFromStore(cert)) kept.push_back(t);
    }
    const uint32_t status = keyStore.writeLoadedCertificates(kept);
    if (status != KEYLIB_OK) return status;
    return kept.empty() ? KEYLIB_OK : KEYLIB_E_SYSTEM;
}

}  // namespace keylib
