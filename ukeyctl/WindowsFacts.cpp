#include "ukeyctl/WindowsFacts.h"

#include <windows.h>
// windows.h must come first.
#include <wincrypt.h>

#include <cwchar>

#include "device/logic/KeyDeviceRepair.h"
#include "keys/CertDecoderCrypt32.h"
#include "device/logic/ServiceCheck.h"
#include "log/Log.h"

static_assert(keytool::kServiceStopped == SERVICE_STOPPED);
static_assert(keytool::kServiceRunning == SERVICE_RUNNING);
static_assert(keytool::kServicePaused == SERVICE_PAUSED);

namespace {

// The key library registers its certificates under its CSP's name.
constexpr wchar_t kKeyProvider[] = L"Qelmora UsbKey CSP";

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

std::vector<ukeyctl::StoreCert> RegisteredCerts() {
    std::vector<ukeyctl::StoreCert> found;
    HCERTSTORE store =
        ::CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                        CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG, "MY");
    if (!store) {
        LogLastError("CertOpenStore(MY)");
        return found;
    }
    Crypt32CertDecoder decoder;
    PCCERT_CONTEXT cert = nullptr;
    while ((cert = ::CertEnumCertificatesInStore(store, cert)) != nullptr) {
        keytool::CertDetails details;
        if (NamesKeyProvider(cert) &&
            decoder.Decode(cert->pbCertEncoded, cert->cbCertEncoded, &details)) {
            found.push_back({details.thumbprint, details.subject});
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
