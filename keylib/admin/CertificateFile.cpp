#include "keylib/admin/CertificateFile.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>

#include "keylib/admin/Paths.h"
#include "keylib/dll/StoreFiles.h"
#include "keylib/dll/logic/KeyRecord.h"

namespace keyadmin {
namespace {

// PEM is text that starts with its armour line; a DER certificate starts with a SEQUENCE tag
// and may hold any bytes later on.
bool isPem(const std::vector<uint8_t>& bytes) {
    static const char marker[] = "-----BEGIN";
    auto it = std::find_if(bytes.begin(), bytes.end(), [](uint8_t c) {
        return c != ' ' && c != '\t' && c != '\r' && c != '\n';
    });
    const size_t left = static_cast<size_t>(bytes.end() - it);
    return left >= std::strlen(marker) && std::equal(marker, marker + std::strlen(marker), it);
}

bool decodePem(const std::vector<uint8_t>& pem, std::vector<uint8_t>& der) {
    const auto* text = reinterpret_cast<const char*>(pem.data());
    const DWORD length = static_cast<DWORD>(pem.size());
    DWORD size = 0;
    if (!CryptStringToBinaryA(text, length, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                              nullptr)) {
        return false;
    }
    der.resize(size);
    if (!CryptStringToBinaryA(text, length, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                              nullptr)) {
        return false;
    }
    der.resize(size);
    return true;
}

}  // namespace

bool loadCertificateFile(const std::string& path, std::vector<uint8_t>& der, std::string& error) {
    std::vector<uint8_t> bytes;
    if (keylib::readWholeFile(widenPath(path), bytes) != keylib::ReadResult::Ok) {
        error = "cannot read " + path;
        return false;
    }
    if (isPem(bytes)) {
        if (!decodePem(bytes, der)) {
            error = path + " is not valid PEM";
            return false;
        }
    } else {
        der.swap(bytes);
    }
    if (der.empty() || der.size() > keylib::kMaxCertificate) {
        error = path + " is empty or larger than 409600 bytes";
        return false;
    }
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                                       der.data(), static_cast<DWORD>(der.size()));
    if (cert == nullptr) {
        error = path + " holds no X.509 certificate";
        return false;
    }
    CertFreeCertificateContext(cert);
    return true;
}

}  // namespace keyadmin
