// Certificate registration seen from two processes at once, and what the library finds in the
// user's "MY" registry store when another program put something there.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "keylib/KeyLib.h"
#include "keylib/dll/logic/KeyStatus.h"

namespace keylibtest {
namespace {

constexpr char kChildSlot[] = "KEYLIB_TEST_LOAD_SLOT";

// Started again with kChildSlot set, this program is the other process: it loads the slot's
// certificates and ends with the answer, before any test runs.
const bool kIsChild = [] {
    const char* slot = std::getenv(kChildSlot);
    if (slot != nullptr) ExitProcess(CSP_LoadCertToIE(std::strtoul(slot, nullptr, 10), 3));
    return false;
}();

DWORD run(std::string commandLine, const char* childSlot = nullptr) {
    SetEnvironmentVariableA(kChildSlot, childSlot);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    DWORD code = 0xFFFFFFFF;
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    SetEnvironmentVariableA(kChildSlot, nullptr);
    return code;
}

DWORD loadInOtherProcess(uint32_t slot) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return run('"' + std::string(self) + '"', std::to_string(slot).c_str());
}

std::vector<BYTE> der(const std::string& file) {
    std::ifstream in("keylib-test-certs\\" + file, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

std::string thumbprintHex(const std::vector<BYTE>& certificate) {
    BYTE hash[20];
    DWORD size = sizeof hash;
    EXPECT_TRUE(CryptHashCertificate(0, CALG_SHA1, 0, certificate.data(),
                                     static_cast<DWORD>(certificate.size()), hash, &size));
    std::string hex;
    for (BYTE b : hash) {
        hex += "0123456789ABCDEF"[b >> 4];
        hex += "0123456789ABCDEF"[b & 15];
    }
    return hex;
}

// What a fresh crypt32 view of "MY" shows for the certificate: "absent", or its container
// and key spec ("" when it has none).
std::wstring inMy(const std::vector<BYTE>& certificate) {
    HCERTSTORE my =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"MY");
    CERT_BLOB blob{static_cast<DWORD>(certificate.size()), const_cast<BYTE*>(certificate.data())};
    PCCERT_CONTEXT probe =
        CertCreateCertificateContext(X509_ASN_ENCODING, blob.pbData, blob.cbData);
    PCCERT_CONTEXT found =
        CertFindCertificateInStore(my, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, probe, nullptr);
    std::wstring seen = found == nullptr ? L"absent" : L"";
    BYTE bytes[4096];
    DWORD size = sizeof bytes;
    const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(bytes);
    if (found &&
        CertGetCertificateContextProperty(found, CERT_KEY_PROV_INFO_PROP_ID, bytes, &size)) {
        seen = info->pwszContainerName + (L" " + std::to_wstring(info->dwKeySpec));
    }
    CertFreeCertificateContext(found);
    CertFreeCertificateContext(probe);
    CertCloseStore(my, 0);
    return seen;
}

const char kCertificates[] = "Software\\Microsoft\\SystemCertificates\\MY\\Certificates\\";

void removeFromMy(const std::vector<BYTE>& certificate) {
    RegDeleteKeyA(HKEY_CURRENT_USER, (kCertificates + thumbprintHex(certificate)).c_str());
}

class CertRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::remove_all(folder_);
        ASSERT_TRUE(SetEnvironmentVariableA("KEYLIB_STORE", folder_.string().c_str()));
        for (const char* arguments : {"create k --label K --password Qk7-pass9 --status 2",
                                      "cert k both 1 keylib-test-certs\\one.der",
                                      "cert k both 2 keylib-test-certs\\three.pem", "plug k"}) {
            ASSERT_EQ(run(std::string("keyadmin.exe ") + arguments), 0u) << arguments;
        }
        uint32_t count = 0;
        ASSERT_EQ(CSP_GetSlotList(&slot_, &count), KEYLIB_OK);
        ASSERT_EQ(count, 1u);
        for (const auto* c : {&one_, &three_}) removeFromMy(*c);
    }

    void TearDown() override {
        CSP_UnloadIECert();
        std::filesystem::remove_all(folder_);
    }

    std::wstring both() { return inMy(one_) + L"," + inMy(three_); }

    const std::filesystem::path folder_ =
        std::filesystem::temp_directory_path() / "keylib-cert-registry-test";
    const std::vector<BYTE> one_ = der("one.der"), three_ = der("three.der");
    uint32_t slot_ = 0;
};

TEST_F(CertRegistryTest, TwoProcessesTakeTurnsOnTheSameCertificates) {
    ASSERT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    EXPECT_EQ(both(), L"both 1,both 2");
    ASSERT_EQ(run("keyadmin.exe unload-certs"), 0u);
    EXPECT_EQ(both(), L"absent,absent") << "the other process removes what this one added";
    ASSERT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    EXPECT_EQ(both(), L"both 1,both 2") << "added again, not taken as still there";

    ASSERT_EQ(loadInOtherProcess(slot_), KEYLIB_OK);
    EXPECT_EQ(both(), L"both 1,both 2");
    ASSERT_EQ(CSP_UnloadIECert(), KEYLIB_OK);
    EXPECT_EQ(both(), L"absent,absent");
    ASSERT_EQ(loadInOtherProcess(slot_), KEYLIB_OK);
    EXPECT_EQ(both(), L"both 1,both 2");
    ASSERT_EQ(CSP_UnloadIECert(), KEYLIB_OK);
    EXPECT_EQ(both(), L"absent,absent") << "this process removes what the other one added";
}

TEST_F(CertRegistryTest, ListCutShortByACrashLosesNoLaterCertificate) {
    std::ofstream(folder_ / "loaded-certs.txt", std::ios::binary) << "0123456789ABCDEF";
    ASSERT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    EXPECT_EQ(both(), L"both 1,both 2");
    ASSERT_EQ(CSP_UnloadIECert(), KEYLIB_OK);
    EXPECT_EQ(both(), L"absent,absent");
}

TEST_F(CertRegistryTest, DamagedEntryIsReplacedAndTheUsersOwnCopyIsKept) {
    // Another program left an entry under the certificate's name that is no certificate.
    HKEY damaged = nullptr;
    ASSERT_EQ(
        RegCreateKeyA(HKEY_CURRENT_USER, (kCertificates + thumbprintHex(one_)).c_str(), &damaged),
        ERROR_SUCCESS);
    const BYTE junk[] = {0x20, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0x30};
    RegSetValueExA(damaged, "Blob", 0, REG_BINARY, junk, sizeof junk);
    RegCloseKey(damaged);
    ASSERT_TRUE(CertAddEncodedCertificateToSystemStoreA("MY", three_.data(),
                                                        static_cast<DWORD>(three_.size())));

    ASSERT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    EXPECT_EQ(both(), L"both 1,") << "the user's copy of three keeps its properties";
    ASSERT_EQ(CSP_UnloadIECert(), KEYLIB_OK);
    EXPECT_EQ(both(), L"absent,") << "and stays";
    removeFromMy(three_);
}

}  // namespace
}  // namespace keylibtest
