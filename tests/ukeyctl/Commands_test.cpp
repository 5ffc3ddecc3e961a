// ukeyctl.exe run as support runs it, on virtual keys of the test's own.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h must come first.
#include <wincrypt.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "tests/e2e/VirtualKeys.h"

namespace {

using nlohmann::json;

struct Output {
    int code = -1;
    std::string out, err;
};

std::string MakeCertificate(const wchar_t* commonName) {
    const std::wstring name = std::wstring(L"C=CN, O=Qelmora Bank, CN=") + commonName;
    BYTE encoded[512];
    DWORD size = sizeof encoded;
    CertStrToNameW(X509_ASN_ENCODING, name.c_str(), CERT_X500_NAME_STR, nullptr, encoded, &size,
                   nullptr);
    CERT_NAME_BLOB blob{size, encoded};
    PCCERT_CONTEXT cert = CertCreateSelfSignCertificate(
        0, &blob, CERT_CREATE_SELFSIGN_NO_KEY_INFO, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!cert) return "";
    std::string der(reinterpret_cast<const char*>(cert->pbCertEncoded), cert->cbCertEncoded);
    return CertFreeCertificateContext(cert), der;
}

// Thumbprints of everything in the user's personal store.
std::set<std::string> PersonalStore() {
    std::set<std::string> found;
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                      CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG, "MY");
    PCCERT_CONTEXT cert = nullptr;
    while (store && (cert = CertEnumCertificatesInStore(store, cert)) != nullptr) {
        BYTE hash[20];
        DWORD size = sizeof hash;
        CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, hash, &size);
        found.insert(std::string(reinterpret_cast<char*>(hash), size));
    }
    if (store) CertCloseStore(store, 0);
    return found;
}

DWORD ServiceState(const char* name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, name, SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status{};
    const bool known = service && QueryServiceStatus(service, &status);
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    return known ? status.dwCurrentState : 0;
}

class Ukeyctl : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariableA("KEYLIB_STORE", keys.Store().c_str());
        SetEnvironmentVariableA("LOCALAPPDATA", keys.Home().c_str());
    }
    void TearDown() override {
        Ctl("unregister");
        SetEnvironmentVariableA("KEYLIB_STORE", nullptr);
    }

    // Runs ukeyctl with the arguments as one command line; stdout and stderr through files.
    Output Ctl(const std::string& arguments) {
        Output result;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const auto create = [&](const char* name) {
            return CreateFileA(files.File(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                               CREATE_ALWAYS, 0, nullptr);
        };
        HANDLE out = create("out"), err = create("err");
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = err;
        PROCESS_INFORMATION info{};
        std::string command = "\"" + e2e::BinDir() + "\\ukeyctl.exe\" " + arguments;
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &info)) {
            DWORD code = 0;
            if (WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0 &&
                GetExitCodeProcess(info.hProcess, &code)) {
                result.code = static_cast<int>(code);
            }
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
        CloseHandle(out);
        CloseHandle(err);
        result.out = driver::ReadFile(files.File("out"));
        result.err = driver::ReadFile(files.File("err"));
        return result;
    }
    // A key "k" labelled "Support" with three certificates, plugged in (slot 1).
    void PlugKey() {
        ASSERT_EQ(keys.Admin({"create", "k", "--label", "Support", "--password", "Pass-2026",
                              "--status", "2"}),
                  0);
        const wchar_t* names[] = {L"User Crypt", L"User Sign", L"Corp Sign"};
        for (int i = 0; i < 3; ++i) {
            driver::WriteFile(files.File("c.der"), MakeCertificate(names[i]));
            const char* container = i < 2 ? "DemoUser" : "DemoCorp";
            ASSERT_EQ(keys.Admin({"cert", "k", container, i ? "2" : "1", files.File("c.der")}), 0);
        }
        ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
    }

    e2e::VirtualKeys keys;
    driver::TempDir files;
};

const char kDate[] = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)";
const char kHex40[] = "[0-9A-F]{40}";

std::string CertBlock(const std::string& container, int kind, const std::string& name) {
    const std::string subject = "C=CN, O=Qelmora Bank, CN=" + name;
    return "  container " + container + ", kind " + std::to_string(kind) +
           "\n"
           "    subject:    " +
           subject + "\n    issuer:     " + subject +
           "\n"
           "    serial:     [0-9a-f]+\n"
           "    valid from: " +
           kDate + "\n    valid to:   " + kDate + "\n    thumbprint: " + kHex40 + "\n";
}

TEST_F(Ukeyctl, WithoutAKeyListCertsAndRegisterSayNoKey) {
    const Output list = Ctl("list");
    EXPECT_EQ(list.code, 2);
    EXPECT_EQ(list.out, "no key plugged in\n");
    EXPECT_EQ(Ctl("certs").code, 2);
    EXPECT_EQ(Ctl("register").code, 2);
    const Output json = Ctl("list --json");
    EXPECT_EQ(json.code, 2);
    EXPECT_EQ(json::parse(json.out), (json::parse(R"({"errors": [], "keys": []})")));
    EXPECT_EQ(Ctl("diag").code, 0);
}

TEST_F(Ukeyctl, ListsAndShowsCertificatesInTextAndJson) {
    PlugKey();
    const Output list = Ctl("list");
    EXPECT_EQ(list.code, 0);
    EXPECT_EQ(list.out, "slot 1: Support (status 2)\n");
    EXPECT_EQ(json::parse(Ctl("list --json").out), json::parse(R"({"errors": [], "keys": [
                  {"slot": 1, "label": "Support", "status": 2, "errors": []}]})"));

    const Output certs = Ctl("certs");
    EXPECT_EQ(certs.code, 0);
    const std::string expected =
        "slot 1: Support \\(status 2\\)\n" + CertBlock("DemoUser", 1, "User Crypt") +
        CertBlock("DemoUser", 2, "User Sign") + CertBlock("DemoCorp", 2, "Corp Sign");
    EXPECT_TRUE(std::regex_match(certs.out, std::regex(expected))) << certs.out;
    EXPECT_EQ(Ctl("certs --slot 1").out, certs.out);
    EXPECT_EQ(Ctl("certs --slot 2").code, 2);

    const json document = json::parse(Ctl("certs --json").out);
    const json& key = document["keys"].at(0);
    EXPECT_EQ(key["label"], "Support");
    ASSERT_EQ(key["containers"].size(), 2u);
    EXPECT_EQ(key["containers"][1]["name"], "DemoCorp");
    const json& cert = key["containers"][0]["certificates"].at(1);
    EXPECT_EQ(cert["kind"], 2);
    EXPECT_EQ(cert["subject"], "C=CN, O=Qelmora Bank, CN=User Sign");
    EXPECT_TRUE(std::regex_match(cert["thumbprint"].get<std::string>(), std::regex(kHex40)));
    EXPECT_TRUE(std::regex_match(cert["validTo"]["utc"].get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));
    EXPECT_TRUE(std::regex_match(cert["validTo"]["local"].get<std::string>(), std::regex(kDate)));
}

TEST_F(Ukeyctl, AChineseLabelIsGbkInTextAndUtf8InJson) {
    ASSERT_EQ(keys.Admin({"create", "k", "--label", "演示UsbKey", "--password", "Pass-2026"}), 0);
    ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
    EXPECT_EQ(Ctl("list").out, "slot 1: 演示UsbKey (status 0)\n");
    EXPECT_EQ(json::parse(Ctl("list --json").out)["keys"][0]["label"],
              reinterpret_cast<const char*>(u8"演示UsbKey"));
}

TEST_F(Ukeyctl, ADamagedKeyIsAKeyLibraryErrorWithItsStatusWord) {
    PlugKey();
    driver::WriteFile(keys.Store() + "\\k.key", "not a key");
    const Output list = Ctl("list");
    EXPECT_EQ(list.code, 4);
    EXPECT_NE(list.out.find("key-library error 0xA0420004 from CSP_GetUsbKeyLabel (slot 1)"),
              std::string::npos)
        << list.out;
    EXPECT_EQ(Ctl("certs").code, 4);
    const Output registered = Ctl("register");
    EXPECT_EQ(registered.code, 4);
    EXPECT_EQ(registered.err,
              "key-library error 0xA0420004 from CSP_ChangeInitPassword (slot 1)\n");
}

TEST_F(Ukeyctl, RegisterThenUnregisterLeavesThePersonalStoreAsItWas) {
    PlugKey();
    const std::set<std::string> before = PersonalStore();
    const Output registered = Ctl("register");
    EXPECT_EQ(registered.code, 0);
    EXPECT_EQ(registered.out, "registered the certificates of 1 key(s)\n");
    EXPECT_EQ(PersonalStore().size(), before.size() + 3);

    const json diag = json::parse(Ctl("diag --json").out);
    EXPECT_EQ(diag["personalStore"]["registered"].size(), 3u);
    EXPECT_TRUE(diag["personalStore"]["missing"].empty());
    ASSERT_EQ(keys.Admin({"pull", "k"}), 0);
    EXPECT_EQ(json::parse(Ctl("diag --json").out)["personalStore"]["extra"].size(), 3u);
    ASSERT_EQ(keys.Admin({"plug", "k"}), 0);

    const Output unregistered = Ctl("unregister");
    EXPECT_EQ(unregistered.code, 0);
    EXPECT_EQ(unregistered.out, "removed the registered certificates\n");
    EXPECT_EQ(PersonalStore(), before);
    EXPECT_EQ(json::parse(Ctl("diag --json").out)["personalStore"]["missing"].size(), 3u);
}

TEST_F(Ukeyctl, UsageErrorsHelpAndClearSsl) {
    const Output bad = Ctl("certs --password 12345a78");
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.err.rfind("ukeyctl: certs does not take --password\n", 0), 0u) << bad.err;
    EXPECT_EQ(bad.out, "");
    const Output help = Ctl("help diag");
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.rfind("ukeyctl diag [--out FILE] [--json]\n", 0), 0u);
    EXPECT_NE(Ctl("--help").out.find("Exit codes: 0 done, 1 usage error"), std::string::npos);
    const Output cleared = Ctl("clear-ssl");
    EXPECT_EQ(cleared.code, 0);
    EXPECT_EQ(cleared.out, "cleared the SSL session caches\n");
}

std::string Literal(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(text, special, R"(\$&)");
}

const char kStamp[] = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}Z \[\d+\] )";

TEST_F(Ukeyctl, DiagWritesTheWholeReportToAFile) {
    PlugKey();
    ASSERT_EQ(Ctl("register").code, 0);
    const std::string path = files.File("report.txt");
    const Output written = Ctl("diag --out \"" + path + "\"");
    EXPECT_EQ(written.code, 0);
    EXPECT_EQ(written.out, "report written to " + path + "\n");

    std::string entries;
    for (const char* set : {"ControlSet001", "ControlSet002", "CurrentControlSet"}) {
        entries += Literal(std::string("SYSTEM\\") + set + "\\Enum\\USB\\Vid_d1a1&Pid_2291") +
                   ": absent\n";
    }
    const std::string expected = std::string("\xEF\xBB\xBF") +
                                 "Qelmora UsbKey diagnostics\n\n"
                                 R"(key tool:          \d+\.\d+\.\d+ \(32-bit\)
key library:       [^\n]+
Windows:           \d+\.\d+\.\d+ \((32|64)-bit\)
ANSI code page:    936
console code page: (\d+|none \(no console\))

\[keys\]
slot 1: Support \(status 2\)
)" + CertBlock("DemoUser", 1, "User Crypt") +
                                 CertBlock("DemoUser", 2, "User Sign") +
                                 CertBlock("DemoCorp", 2, "Corp Sign") +
                                 R"(
\[personal store\]
registered by the key library: \d+
(  [0-9A-F]{40}  C=CN, [^\n]+\n){3,}missing \(on a key, not registered\): 0
extra \(registered, on no plugged-in key\): \d+
(  [0-9A-F]{40}  [^\n]+\n)*
\[smart-card service SCardSvr\]
not installed

\[failed-device registry entries, HKEY_LOCAL_MACHINE\]
)" + entries +
                                 R"(
\[key tool log, last 2 lines\]
)" + kStamp + "ukeyctl register\n" +
                                 kStamp + "ukeyctl diag\n";
    const std::string report = driver::ReadFile(path);
    EXPECT_TRUE(std::regex_match(report, std::regex(expected))) << report;

    const Output asJson = Ctl("diag --json --out \"" + files.File("report.json") + "\"");
    EXPECT_EQ(asJson.code, 0);
    const json document = json::parse(driver::ReadFile(files.File("report.json")));
    EXPECT_EQ(document["codePages"]["ansi"], 936);
    EXPECT_EQ(document["keys"]["keys"][0]["containers"].size(), 2u);
    EXPECT_EQ(document["failedDeviceEntries"].size(), 3u);
    EXPECT_EQ(document["log"].size(), 3u);

    const Output refused = Ctl("diag --out \"" + files.Path() + "\"");
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.err, "cannot write " + files.Path() + "\n");
}

TEST_F(Ukeyctl, TheReportShowsTheLast200LinesAcrossARolledOverLog) {
    const std::string folder = keys.Home() + "\\Qelmora\\UsbKeyTool";
    CreateDirectoryA((keys.Home() + "\\Qelmora").c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string full;
    for (int i = 0; i < 10486; ++i) full += std::string(98, 'o') + "\r\n";  // just over 1 MB
    driver::WriteFile(folder + "\\keytool.log", full);

    EXPECT_EQ(Ctl("list").code, 2);
    const json log = json::parse(Ctl("diag --json").out)["log"];
    ASSERT_EQ(log.size(), 200u);
    EXPECT_EQ(log[0], std::string(98, 'o'));
    EXPECT_TRUE(std::regex_match(log[199].get<std::string>(),
                                 std::regex(kStamp + std::string("ukeyctl diag"))));
}

class SmartCardService : public Ukeyctl {
protected:
    void TearDown() override {
        Sc("stop SCardSvr");
        driver::WaitUntil([] { return ServiceState("SCardSvr") != SERVICE_STOP_PENDING; });
        Sc("delete SCardSvr");
        Ukeyctl::TearDown();
    }
    static int Sc(const std::string& arguments) {
        driver::Process sc("sc.exe " + arguments);
        DWORD code = 1;
        return sc.WaitExit(30000, &code) ? static_cast<int>(code) : -1;
    }
    std::string DiagState() { return json::parse(Ctl("diag --json").out)["smartCardService"]; }
};

TEST_F(SmartCardService, CheckStartsAStoppedServiceAndFailsWhenItCannotRun) {
    const Output missing = Ctl("check-service");
    EXPECT_EQ(missing.code, 3);
    EXPECT_EQ(missing.out, "smart-card service SCardSvr: not normal\n");
    EXPECT_EQ(DiagState(), "not installed");

    ASSERT_EQ(Sc("create SCardSvr binPath= \"" + e2e::BinDir() + "\\fake_scard_service.exe\""), 0);
    EXPECT_EQ(DiagState(), "stopped");
    const Output started = Ctl("check-service");
    EXPECT_EQ(started.code, 0);
    EXPECT_EQ(started.out, "smart-card service SCardSvr: normal\n");
    EXPECT_EQ(DiagState(), "running");

    Sc("stop SCardSvr");
    ASSERT_TRUE(
        driver::WaitUntil([] { return ServiceState("SCardSvr") == SERVICE_STOPPED; }, 30000));
    EXPECT_EQ(DiagState(), "stopped");
    ASSERT_EQ(Sc("delete SCardSvr"), 0);
    ASSERT_EQ(Sc("create SCardSvr binPath= \"" + e2e::BinDir() + "\\no-such-service.exe\""), 0);
    EXPECT_EQ(Ctl("check-service").code, 3);
}

}  // namespace
