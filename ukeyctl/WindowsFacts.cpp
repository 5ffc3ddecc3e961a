#include "ukeyctl/WindowsFacts.h"

#include <windows.h>
// windows.h must come first.
#include <wincrypt.h>

#include <cstdio>
#include <cwchar>

#include "device/logic/KeyDeviceRepair.h"
#include "device/logic/ServiceCheck.h"
#include "log/Log.h"

static_assert(keytool::kServiceStopped == SERVICE_STOPPED);
static_assert(keytool::kServiceRunning == SERVICE_RUNNING);
static_assert(keytool::kServicePaused == SERVICE_PAUSED);

namespace {

// The key library registers its certificates under its CSP's name.
constexpr wchar_t kKeyProvider[] = L"Qelmora UsbKey CSP";

std::string HexBytes(const BYTE* bytes, DWORD length, bool reversed, const char* format) {
    std::string text;
    for (DWORD i = 0; i < length; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, format, bytes[reversed ? length - 1 - i : i]);
        text += pair;
    }
    return text;
}

std::string Name(CERT_NAME_BLOB* name) {
    char text[1024] = {};
    ::CertNameToStrA(X509_ASN_ENCODING, name, CERT_X500_NAME_STR, text, sizeof text);
    return text;
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

std::string Thumbprint(PCCERT_CONTEXT cert) {
    BYTE hash[20];
    DWORD size = sizeof hash;
    if (!::CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, hash, &size)) return {};
    return HexBytes(hash, size, false, "%02X");
}

bool NamesKeyProvider(PCCERT_CONTEXT cert) {
    DWORD size = 0;
    if (!::CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size)) {
        return false;
    }
    std::vector<BYTE> buffer(size);
    if (!::CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, buffer.data(),
                                             &size)) {
        return false;
    }
    const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data());
    return info->pwszProvName && std::wcscmp(info->pwszProvName, kKeyProvider) == 0;
}

}  // namespace

bool Crypt32CertDetails::Decode(const std::uint8_t* der, std::uint32_t length,
                                ukeyctl::CertDetails* details) {
    PCCERT_CONTEXT cert = ::CertCreateCertificateContext(X509_ASN_ENCODING, der, length);
    if (!cert) return false;
    const CERT_INFO* info = cert->pCertInfo;
    details->subject = Name(&cert->pCertInfo->Subject);
    details->issuer = Name(&cert->pCertInfo->Issuer);
    // Stored least significant byte first; Windows shows it the other way round.
    details->serial = HexBytes(info->SerialNumber.pbData, info->SerialNumber.cbData, true, "%02x");
    Times(info->NotBefore, &details->fromLocal, &details->fromUtc);
    Times(info->NotAfter, &details->toLocal, &details->toUtc);
    details->thumbprint = Thumbprint(cert);
    ::CertFreeCertificateContext(cert);
    return true;
}

std::vector<ukeyctl::StoreCert> RegisteredCerts() {
    std::vector<ukeyctl::StoreCert> found;
    HCERTSTORE store =
        ::CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                        CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG, "MY");
    if (!store) {
        LogLastError("CertOpenStore(MY)");
        return found;
    }
    PCCERT_CONTEXT cert = nullptr;
    while ((cert = ::CertEnumCertificatesInStore(store, cert)) != nullptr) {
        if (NamesKeyProvider(cert)) {
            found.push_back({Thumbprint(cert), Name(&cert->pCertInfo->Subject)});
        }
    }
    ::CertCloseStore(store, 0);
    return found;
}

std::string SmartCardServiceState() {
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        LogLastError("OpenSCManagerA");
        return ukeyctl::ServiceStateText(false, false, 0);
    }
    SC_HANDLE service = ::OpenServiceA(manager, keytool::kSmartCardService, SERVICE_QUERY_STATUS);
    const DWORD openError = ::GetLastError();
    SERVICE_STATUS status{};
    const bool queried = service && ::QueryServiceStatus(service, &status);
    if (service) ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    if (!service && openError == ERROR_SERVICE_DOES_NOT_EXIST) {
        return ukeyctl::ServiceStateText(true, false, 0);
    }
    return ukeyctl::ServiceStateText(queried, true, status.dwCurrentState);
}

std::vector<ukeyctl::RegistryEntry> FailedDeviceEntries() {
    std::vector<ukeyctl::RegistryEntry> entries;
    for (const char* path : keytool::kKeyDevicePaths) {
        HKEY key = nullptr;
        const bool exists =
            ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (exists) ::RegCloseKey(key);
        entries.push_back({path, exists});
    }
    return entries;
}
