#include "keylib/dll/CertRegistry.h"

#include <algorithm>
#include <string>

#include "keylib/dll/UserCertificates.h"
#include "keylib/dll/logic/KeyStatus.h"

namespace keylib {
namespace {

// The provider a browser is told to ask for the private key of a registered certificate.
const wchar_t kProviderName[] = L"Qelmora UsbKey CSP";
constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

// One certificate of the key, decoded, with what the user's store holds under its thumbprint.
struct Pending {
    PCCERT_CONTEXT decoded = nullptr;
    PCCERT_CONTEXT present = nullptr;
    Thumbprint thumbprint{};
    std::string container;
    DWORD keySpec = 0;
};

class PendingList {
public:
    ~PendingList() {
        for (Pending& p : items) {
            CertFreeCertificateContext(p.decoded);
            CertFreeCertificateContext(p.present);
        }
    }
    std::vector<Pending> items;
};

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

// The key's certificates of the asked kinds, decoded and looked up; a DER that does not decode
// is skipped, the rest of the key still loads.
uint32_t collect(const UserCertificates& user, const KeyRecord& record, uint32_t kinds,
                 std::vector<Pending>& out) {
    for (const Container& c : record.containers) {
        for (DWORD kind = 1; kind <= 2; ++kind) {
            const std::vector<uint8_t>& der = c.certificates[kind - 1];
            if (c.empty() || der.empty() || (kinds & kind) == 0) continue;
            Pending p;
            p.decoded =
                CertCreateCertificateContext(kEncoding, der.data(), static_cast<DWORD>(der.size()));
            if (p.decoded == nullptr) continue;
            out.push_back(p);
            if (!thumbprintOf(p.decoded, out.back().thumbprint)) return KEYLIB_E_SYSTEM;
            out.back().present = user.find(out.back().thumbprint);
            out.back().container = c.name;
            // Kind 1 and 2 are the key specs AT_KEYEXCHANGE and AT_SIGNATURE.
            out.back().keySpec = kind;
        }
    }
    return KEYLIB_OK;
}

}  // namespace

uint32_t registerCertificates(KeyStore& keyStore, const KeyRecord& record, uint32_t kinds) {
    UserCertificates user;
    if (!user.usable()) return KEYLIB_E_SYSTEM;
    PendingList pending;
    const uint32_t collected = collect(user, record, kinds, pending.items);
    if (collected != KEYLIB_OK) return collected;

    const std::vector<Thumbprint> loaded = keyStore.readLoadedCertificates();
    std::vector<Thumbprint> added;
    for (const Pending& p : pending.items) {
        if (p.present == nullptr && !contains(loaded, p.thumbprint) &&
            !contains(added, p.thumbprint)) {
            added.push_back(p.thumbprint);
        }
    }
    // Recorded before they are added: a crash in between leaves a name to forget, never a
    // certificate nobody would remove.
    if (!added.empty()) {
        const uint32_t status = keyStore.appendLoadedCertificates(added);
        if (status != KEYLIB_OK) return status;
    }

    uint32_t result = KEYLIB_OK;
    for (const Pending& p : pending.items) {
        // The user's own copy is left as it was.
        if (p.present != nullptr && !contains(loaded, p.thumbprint)) continue;
        PCCERT_CONTEXT target = p.present != nullptr ? p.present : p.decoded;
        const bool stored =
            nameContainer(target, p.container, p.keySpec) && user.put(p.thumbprint, target);
        if (!stored && result == KEYLIB_OK) result = KEYLIB_E_SYSTEM;
    }
    return result;
}

uint32_t unregisterCertificates(KeyStore& keyStore) {
    const std::vector<Thumbprint> loaded = keyStore.readLoadedCertificates();
    if (loaded.empty()) return KEYLIB_OK;
    UserCertificates user;
    if (!user.usable()) return KEYLIB_E_SYSTEM;
    std::vector<Thumbprint> kept;
    for (const Thumbprint& t : loaded) {
        if (!user.remove(t)) kept.push_back(t);
    }
    const uint32_t status = keyStore.writeLoadedCertificates(kept);
    if (status != KEYLIB_OK) return status;
    return kept.empty() ? KEYLIB_OK : KEYLIB_E_SYSTEM;
}

}  // namespace keylib
