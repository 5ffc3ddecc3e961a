// The registry key behind the current user's "MY" store, one certificate at a time.
//
// Opening "MY" through crypt32 reads and decodes every certificate in it, and committing an
// open store writes every one back; with hundreds registered, both dominate each call. Each
// certificate lives in its own subkey, named by its SHA-1 thumbprint, holding the certificate
// and its properties serialized by crypt32; this class reads, writes and deletes only the
// subkeys asked for. Nothing is cached, so every call sees what other processes did.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include "keylib/dll/logic/Thumbprints.h"

namespace keylib {

class UserCertificates {
public:
    UserCertificates();
    ~UserCertificates();
    UserCertificates(const UserCertificates&) = delete;
    UserCertificates& operator=(const UserCertificates&) = delete;

    bool usable() const { return certificates_ != nullptr && scratch_ != nullptr; }
    // The certificate with its properties, or null when absent or unreadable (as crypt32 would
    // not list it either). The caller frees it.
    PCCERT_CONTEXT find(const Thumbprint& thumbprint) const;
    // Writes the certificate with its properties, replacing what was there.
    bool put(const Thumbprint& thumbprint, PCCERT_CONTEXT cert) const;
    // True when the certificate is gone, whether this call removed it or it was not there.
    bool remove(const Thumbprint& thumbprint) const;

private:
    HKEY certificates_ = nullptr;
    HCERTSTORE scratch_ = nullptr;  // in memory: where find() decodes what it read
};

}  // namespace keylib
