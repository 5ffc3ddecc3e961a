// CSP_LoadCertToIE and CSP_UnloadIECert against the real personal certificate store.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <vector>

#include "keylib/KeyLib.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "tests/keylib/support/AdminProcess.h"
#include "tests/keylib/support/StoreFixture.h"

namespace keylibtest {
namespace {

// What a browser sees (the system store), or where the user's certificates are kept (the
// registry store behind it), which is also where a deletion must go to last.
HCERTSTORE openMy(LPCSTR provider = CERT_STORE_PROV_SYSTEM_W) {
    return CertOpenStore(provider, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"MY");
}

// The certificate in store with the same bytes, or null; the caller frees it.
PCCERT_CONTEXT findIn(HCERTSTORE store, const std::vector<uint8_t>& der) {
    PCCERT_CONTEXT decoded =
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    if (decoded == nullptr) return nullptr;
    PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                      CERT_FIND_EXISTING, decoded, nullptr);
    CertFreeCertificateContext(decoded);
    return found;
}

PCCERT_CONTEXT findInMy(const std::vector<uint8_t>& der) {
    HCERTSTORE my = openMy();
    PCCERT_CONTEXT found = findIn(my, der);
    CertCloseStore(my, 0);
    return found;
}

bool inMy(const std::vector<uint8_t>& der) {
    PCCERT_CONTEXT found = findInMy(der);
    if (found != nullptr) CertFreeCertificateContext(found);
    return found != nullptr;
}

void addToMy(const std::vector<uint8_t>& der) {
    HCERTSTORE my = openMy();
    ASSERT_TRUE(CertAddEncodedCertificateToStore(my, X509_ASN_ENCODING, der.data(),
                                                 static_cast<DWORD>(der.size()),
                                                 CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertCloseStore(my, 0);
}

void removeFromMy(const std::vector<uint8_t>& der) {
    // Found and deleted through the store that closing then writes out.
    HCERTSTORE my = openMy(CERT_STORE_PROV_SYSTEM_REGISTRY_W);
    PCCERT_CONTEXT found = findIn(my, der);
    if (found != nullptr) CertDeleteCertificateFromStore(found);
    CertCloseStore(my, 0);
}

struct ProviderInfo {
    std::wstring container;
    DWORD keySpec = 0;
};

ProviderInfo providerOf(const std::vector<uint8_t>& der) {
    ProviderInfo info;
    PCCERT_CONTEXT found = findInMy(der);
    if (found == nullptr) return info;
    DWORD size = 0;
    if (CertGetCertificateContextProperty(found, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size)) {
        std::vector<BYTE> bytes(size);
        CertGetCertificateContextProperty(found, CERT_KEY_PROV_INFO_PROP_ID, bytes.data(), &size);
        const auto* prov = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(bytes.data());
        info.container = prov->pwszContainerName;
        info.keySpec = prov->dwKeySpec;
    }
    CertFreeCertificateContext(found);
    return info;
}

class CertStoreTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        one_ = testCertificate("one.der");
        two_ = testCertificate("two.der");
        foreign_ = testCertificate("foreign.der");
        for (const auto* der : {&one_, &two_, &foreign_}) removeFromMy(*der);
        keylib::KeyRecord record = newRecord("Key");
        record.containers[1].name = "签名容器";
        record.containers[1].certificates = {one_, two_};
        writeKey("k", record);
        slot_ = plug("k");
    }
    void TearDown() override {
        CSP_UnloadIECert();
        for (const auto* der : {&one_, &two_, &foreign_}) removeFromMy(*der);
        StoreTest::TearDown();
    }

    std::vector<uint8_t> one_, two_, foreign_;
    uint32_t slot_ = 0;
};

TEST_F(CertStoreTest, LoadRegistersEachCertificateWithItsContainerAndKeySpec) {
    ASSERT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    const ProviderInfo first = providerOf(one_);
    const ProviderInfo second = providerOf(two_);
    EXPECT_EQ(first.container, L"签名容器");
    EXPECT_EQ(first.keySpec, static_cast<DWORD>(AT_KEYEXCHANGE));
    EXPECT_EQ(second.container, L"签名容器");
    EXPECT_EQ(second.keySpec, static_cast<DWORD>(AT_SIGNATURE));
}

TEST_F(CertStoreTest, UnloadRemovesWhatWasLoadedAndLeavesForeignCertificates) {
    addToMy(foreign_);
    ASSERT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    ASSERT_TRUE(inMy(one_));
    EXPECT_EQ(CSP_UnloadIECert(), KEYLIB_OK);
    EXPECT_FALSE(inMy(one_));
    EXPECT_FALSE(inMy(two_));
    EXPECT_TRUE(inMy(foreign_));
    EXPECT_EQ(CSP_UnloadIECert(), KEYLIB_OK) << "nothing left to unload is no error";
}

TEST_F(CertStoreTest, CertificateTheUserHadAlreadyIsNotTakenOver) {
    addToMy(two_);
    ASSERT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    EXPECT_EQ(providerOf(two_).container, L"") << "the user's copy is left as it was";
    CSP_UnloadIECert();
    EXPECT_TRUE(inMy(two_));
    EXPECT_FALSE(inMy(one_));
}

TEST_F(CertStoreTest, FlagsChooseTheKinds) {
    ASSERT_EQ(CSP_LoadCertToIE(slot_, 2), KEYLIB_OK);
    EXPECT_FALSE(inMy(one_));
    EXPECT_TRUE(inMy(two_));
    EXPECT_EQ(CSP_LoadCertToIE(slot_, 0), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_LoadCertToIE(slot_, 4), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_LoadCertToIE(0, 3), KEYLIB_E_BAD_SLOT);
}

TEST_F(CertStoreTest, LoadingTwiceThenUnloadingOnceLeavesNothing) {
    ASSERT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    ASSERT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    CSP_UnloadIECert();
    EXPECT_FALSE(inMy(one_));
    EXPECT_FALSE(inMy(two_));
}

TEST_F(CertStoreTest, AnotherProcessUnloadsWhatThisOneLoaded) {
    ASSERT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    addToMy(foreign_);
    const AdminResult result = runAdmin("unload-certs");
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_FALSE(inMy(one_));
    EXPECT_FALSE(inMy(two_));
    EXPECT_TRUE(inMy(foreign_));
}

TEST_F(CertStoreTest, UndecodableCertificateIsSkippedAndTheRestLoads) {
    keylib::KeyRecord record = readKey("k");
    record.containers[4].name = "junk";
    record.containers[4].certificates[0] = {0x30, 0x03, 0x02, 0x01, 0x05};
    writeKey("k", record);
    EXPECT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    EXPECT_TRUE(inMy(one_));
}

}  // namespace
}  // namespace keylibtest
