// ukeyctl.exe run as support runs it, on virtual keys of the test's own; CTest runs it on a
// Chinese (code page 936) and an English (1252) Windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>

#include "tests/e2e/VirtualKeys.h"

namespace {

// One step, run in order: "ukeyctl ...", "keyadmin ...", "sc ..." or a setting-up of the
// fixture's ("@..."); its exit code; a pattern searched in what it printed, followed by the
// file `from` when one is given. "{dir}" is the test's folder, "{bin}" the programs',
// "{acp}" the code page.
struct Step {
    std::string command;
    int exit;
    std::string pattern;
    std::string from = "";
    bool retry = false;  // run again until it matches, for a service's state
};

std::string Literal(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(text, special, R"(\$&)");
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

class Ukeyctl : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariableA("KEYLIB_STORE", keys.Store().c_str());
        SetEnvironmentVariableA("LOCALAPPDATA", keys.Home().c_str());
    }
    void TearDown() override {
        Run("sc stop SCardSvr");
        Run("sc delete SCardSvr");
        Run("ukeyctl unregister");
        SetEnvironmentVariableA("KEYLIB_STORE", nullptr);
    }

    // Runs one command; its exit code (-1 when it did not end) and what it printed.
    std::pair<int, std::string> Run(const std::string& command) {
        const size_t space = command.find(' ');
        const std::string tool = command.substr(0, space);
        std::string line = tool == "sc" ? "sc.exe" : "\"" + e2e::BinDir() + "\\" + tool + ".exe\"";
        if (tool == "keyadmin") line += " --store \"" + keys.Store() + "\"";
        std::string output;
        const int code = driver::Run(line + command.substr(space), {}, &output);
        return {code, output};
    }

    // A key "k" labelled "Support" with three certificates, plugged in.
    void PlugDemoKey() {
        ASSERT_TRUE(keys.AddKey("k", "Support", {"--status", "2"}, false));
        const wchar_t* names[] = {L"User Crypt", L"User Sign", L"Corp Sign"};
        for (int i = 0; i < 3; ++i) {
            const std::wstring subject = std::wstring(L"C=CN, O=Qelmora Bank, CN=") + names[i];
            driver::WriteFile(files.File("c.der"), e2e::SelfSignedCertificate(subject));
            const char* container = i < 2 ? "DemoUser" : "DemoCorp";
            ASSERT_EQ(keys.Admin({"cert", "k", container, i ? "2" : "1", files.File("c.der")}), 0);
        }
        ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
    }
    // A key "c" labelled 演示UsbKey with a certificate of 张三 in a container 容器, plugged in.
    void PlugChineseKey() {
        ASSERT_TRUE(keys.AddKey("c", "演示UsbKey", {}, false));
        driver::WriteFile(files.File("c.der"), e2e::SelfSignedCertificate(L"C=CN, CN=张三"));
        ASSERT_EQ(keys.Admin({"cert", "c", "容器", "1", files.File("c.der")}), 0);
        ASSERT_EQ(keys.Admin({"plug", "c"}), 0);
    }
    // Just over 1 MB of log, so that the next line rolls it over, ending in a UTF-8 line.
    void FillLog() {
        std::string full;
        for (int i = 0; i < 10486; ++i) full += std::string(98, 'o') + "\r\n";
        driver::WriteFile(keys.LogFile(), full + u8"log line 演示\r\n");
    }

    e2e::VirtualKeys keys;
    driver::TempDir files;
};

const std::string kDate = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)";
const std::string kStamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}Z \[\d+\] )";

std::string CertBlock(const std::string& container, int kind, const std::string& name) {
    const std::string subject = "C=CN, O=Qelmora Bank, CN=" + name;
    return "  container " + container + ", kind " + std::to_string(kind) +
           "\n    subject:    " + subject + "\n    issuer:     " + subject +
           "\n    serial:     [0-9a-f]+\n    valid from: " + kDate + "\n    valid to:   " + kDate +
           "\n    thumbprint: [0-9A-F]{40}\n";
}

// The text report on the demo key, one representative look (its wording is the report's own):
// this build, every section in order, the key with a certificate as the system decodes it, the
// service as Wine has it, and the newest lines of the log.
std::string Report() {
    return R"(^Qelmora UsbKey diagnostics\n\nkey tool: +\d+\.\d+\.\d+ )" + driver::kBuildBits +
           R"(\n[^\[]*\[keys\]\nslot 1: Support \(status 2\)\n)" +
           CertBlock("DemoUser", 1, "User Crypt") +
           R"([^\[]*\[personal store\]\n[^\[]*\[smart-card service SCardSvr\]\nnot installed\n)"
           R"(\n\[failed-device registry entries, HKEY_LOCAL_MACHINE\]\n[^\[]*)"
           R"(\[key tool log, last \d+ lines\]\n)" +
           kStamp + "ukeyctl ";
}

const Step kSteps[] = {
    {"ukeyctl list", 2, "^no key plugged in\n$"},
    {"ukeyctl certs --password 12345a78", 1, "^ukeyctl: certs does not take --password\n"},
    {"ukeyctl clear-ssl", 0, "^cleared the SSL session caches\n$"},

    {"@demo", 0, ""},
    {"ukeyctl list", 0, R"(^slot 1: Support \(status 2\)\n$)"},
    {"ukeyctl list --json", 0,
     R"("keys": \[\n    \{\n      "errors": \[\],\n      "label": "Support",\n      "slot": 1,\n      "status": 2\n    \}\n  \])"},
    {"ukeyctl certs", 0,
     R"(^slot 1: Support \(status 2\)\n)" + CertBlock("DemoUser", 1, "User Crypt") +
         CertBlock("DemoUser", 2, "User Sign") + CertBlock("DemoCorp", 2, "Corp Sign") + "$"},
    {"ukeyctl certs --json", 0,
     R"("subject": "C=CN, O=Qelmora Bank, CN=User Sign",\n\s+"thumbprint": "[0-9A-F]{40}",\n\s+"validFrom": \{\n\s+"local": ")" +
         kDate + R"(",\n\s+"utc": "\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ")"},

    {"ukeyctl register", 0, R"(^registered the certificates of 1 key\(s\)\n$)"},
    {"ukeyctl diag", 0, Report()},
    {"keyadmin pull k", 0, ""},
    {"ukeyctl diag", 0, R"(\nextra \(registered, on no plugged-in key\): [3-9])"},
    {"keyadmin plug k", 0, ""},
    {"ukeyctl unregister", 0, "^removed the registered certificates\n$"},
    {"ukeyctl diag", 0, R"(\nmissing \(on a key, not registered\): 3\n)"},
    {"ukeyctl diag --out \"{dir}\\report.txt\"", 0,
     "^report written to {dir}\\\\report\\.txt\n\xEF\xBB\xBFQelmora UsbKey diagnostics\n",
     "report.txt"},
    {"ukeyctl diag --json --out \"{dir}\\report.json\"", 0, R"(\n    "ansi": {acp},\n)",
     "report.json"},
    {"ukeyctl diag --out \"{dir}\"", 1, "^cannot write {dir}\n$"},

    {"keyadmin pull k", 0, ""},
    {"@chinese", 0, ""},
    {"ukeyctl list", 0, u8"^slot \\d+: 演示UsbKey \\(status 0\\)\n$"},
    {"ukeyctl list --json", 0, u8"\"label\": \"演示UsbKey\""},
    // Wine's crypt32 quotes a value with characters beyond ASCII; Windows does not.
    {"ukeyctl diag", 0, u8"\n  container 容器, kind 1\n    subject:    C=CN, CN=\"?张三\"?\n"},
    {"@damage", 0, ""},
    {"ukeyctl list", 4, R"(key-library error 0xA0420004 from CSP_GetUsbKeyLabel \(slot \d+\))"},
    {"ukeyctl register", 4,
     R"(^key-library error 0xA0420004 from CSP_ChangeInitPassword \(slot \d+\)\n$)"},
    {"keyadmin pull c", 0, ""},

    {"@full log", 0, ""},
    {"ukeyctl list", 2, ""},
    {"ukeyctl diag", 0, R"(\n\[key tool log, last 200 lines\]\no{98}\n)"},
    {"ukeyctl diag", 0, u8"\nlog line 演示\n" + kStamp + "ukeyctl list\n"},

    {"ukeyctl check-service", 3, "^smart-card service SCardSvr: not normal\n$"},
    {"ukeyctl diag --json", 0, R"("smartCardService": "not installed")"},
    {"sc create SCardSvr binPath= \"{bin}\\fake_scard_service.exe\"", 0, ""},
    {"ukeyctl diag --json", 0, R"("smartCardService": "stopped")"},
    {"ukeyctl check-service", 0, "^smart-card service SCardSvr: normal\n$"},
    {"ukeyctl diag --json", 0, R"("smartCardService": "running")"},
    {"sc stop SCardSvr", 0, ""},
    {"ukeyctl diag --json", 0, R"("smartCardService": "stopped")", "", true},
    {"sc delete SCardSvr", 0, ""},
    {"sc create SCardSvr binPath= \"{bin}\\no-such-service.exe\"", 0, ""},
    {"ukeyctl check-service", 3, ""},
};

TEST_F(Ukeyctl, CommandsAnswerWithTheirExitCodesAndTexts) {
    const auto fill = [&](std::string text, bool pattern) {
        const auto path = [&](const std::string& p) { return pattern ? Literal(p) : p; };
        text = Replaced(text, "{dir}", path(files.Path()));
        text = Replaced(text, "{bin}", path(e2e::BinDir()));
        return Replaced(text, "{acp}", std::to_string(GetACP()));
    };
    for (size_t i = 0; i < std::size(kSteps); ++i) {
        const Step& step = kSteps[i];
        if (step.command == "@demo") PlugDemoKey();
        if (step.command == "@chinese") PlugChineseKey();
        if (step.command == "@damage") driver::WriteFile(keys.Store() + "\\c.key", "not a key");
        if (step.command == "@full log") FillLog();
        if (step.command[0] == '@') continue;
        const std::regex pattern(fill(step.pattern, true));
        std::pair<int, std::string> result;
        const auto matches = [&] {
            result = Run(fill(step.command, false));
            if (!step.from.empty()) result.second += driver::ReadFile(files.File(step.from));
            return std::regex_search(result.second, pattern);
        };
        const bool matched = step.retry ? driver::WaitUntil(matches, 30000) : matches();
        EXPECT_EQ(result.first, step.exit) << i << ": " << step.command << "\n" << result.second;
        EXPECT_TRUE(matched) << i << ": " << step.command << "\n" << result.second;
    }
}

}  // namespace
