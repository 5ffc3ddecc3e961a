// Keys plugged in and pulled out with the admin tool while the program runs
// on the real key library.
#include <windows.h>
// windows.h must come first.
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/e2e/VirtualKeys.h"

namespace {

using driver::Visible;

const char kSite[] = "https://ebank.qelmora.com/";

// A self-signed certificate made by the platform, written as DER.
bool MakeCertificate(const std::string& commonName, const std::string& path) {
    const std::string subject = "CN=" + commonName;
    BYTE encoded[256];
    DWORD size = sizeof encoded;
    if (!CertStrToNameA(X509_ASN_ENCODING, subject.c_str(), CERT_X500_NAME_STR, nullptr, encoded,
                        &size, nullptr)) {
        return false;
    }
    CERT_NAME_BLOB name{size, encoded};
    PCCERT_CONTEXT cert =
        CertCreateSelfSignCertificate(0, &name, 0, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!cert) return false;
    driver::WriteFile(
        path, std::string(reinterpret_cast<const char*>(cert->pbCertEncoded), cert->cbCertEncoded));
    CertFreeCertificateContext(cert);
    return true;
}

bool InPersonalStore(const std::string& commonName) {
    HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
    if (!store) return false;
    PCCERT_CONTEXT found = CertFindCertificateInStore(
        store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_A, commonName.c_str(), nullptr);
    if (found) CertFreeCertificateContext(found);
    CertCloseStore(store, 0);
    return found != nullptr;
}

bool Contains(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos;
    });
}

size_t IndexOf(const std::vector<std::string>& lines, const std::string& part) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find(part) != std::string::npos) return i;
    }
    return lines.size();
}

class KeyEvents : public ::testing::Test {
protected:
    void SetUp() override {
        static int test = 0;
        commonName =
            "Qelmora e2e " + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++test);
        ASSERT_TRUE(MakeCertificate(commonName, certs.File("user.der")));
        ASSERT_EQ(keys.Admin({"create", "k1", "--label", "插拔测试", "--password", "Pass-2026",
                              "--status", "2"}),
                  0);
        ASSERT_EQ(keys.Admin({"cert", "k1", "Main", "1", certs.File("user.der")}), 0);
        ASSERT_EQ(keys.Admin({"file", "k1", "EF11", "--text", kSite}), 0);

        process = &keys.StartRecorded();
        main = driver::WaitMainWindow(process->Id());
        ASSERT_NE(main, nullptr);
        ASSERT_FALSE(Visible(main));
    }

    // Ended by its exit command, the program takes its certificates out of
    // the user's store again.
    void TearDown() override {
        if (main) PostMessageA(main, WM_USER + 1, 0, 0);
        if (process) process->WaitExit(10000);
    }

    driver::TempDir certs;
    e2e::VirtualKeys keys;
    std::string commonName;
    driver::Process* process = nullptr;
    HWND main = nullptr;
};

TEST_F(KeyEvents, PluggingShowsListsRegistersLaunchesAndAnnounces) {
    ASSERT_EQ(keys.Admin({"plug", "k1"}), 0);
    EXPECT_TRUE(driver::WaitUntil([&] { return Visible(main); }));
    EXPECT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, 1001) == "插拔测试"; }));
    EXPECT_TRUE(InPersonalStore(commonName));

    ASSERT_TRUE(
        driver::WaitUntil([&] { return Contains(keys.ShellCalls(), "info=注册证书到IE完成!"); }));
    const auto shell = keys.ShellCalls();
    EXPECT_TRUE(Contains(shell, std::string("ShellExecuteA(open,") + kSite + ",null,5)"));
    EXPECT_LT(IndexOf(shell, "info=有UsbKey插入!"), IndexOf(shell, "info=注册证书到IE完成!"));
    EXPECT_TRUE(Contains(keys.Calls(), ",3)"));  // CSP_LoadCertToIE(slot,3)
}

TEST_F(KeyEvents, PullingTheLastKeyAnnouncesUnloadsAndEmptiesTheList) {
    ASSERT_EQ(keys.Admin({"plug", "k1"}), 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, 1001) == "插拔测试"; }));
    ASSERT_TRUE(InPersonalStore(commonName));

    ASSERT_EQ(keys.Admin({"pull", "k1"}), 0);
    EXPECT_TRUE(
        driver::WaitUntil([&] { return Contains(keys.ShellCalls(), "info=有UsbKey拔除!"); }));
    EXPECT_FALSE(InPersonalStore(commonName));
    EXPECT_EQ(driver::ItemText(main, 1001), "");
    EXPECT_TRUE(Visible(main));  // a removal does not hide the window
    const auto shell = keys.ShellCalls();
    EXPECT_EQ(std::count_if(shell.begin(), shell.end(),
                            [](const std::string& s) {
                                return s.find("info=注册证书到IE完成!") != std::string::npos;
                            }),
              1);
    EXPECT_TRUE(Contains(shell, "tip=当前未插入UsbKey,info=有UsbKey拔除!"));
}

}  // namespace
