#include "tests/e2e/VirtualKeys.h"

#include <wincrypt.h>

#include <algorithm>

#include "app/Messages.h"

namespace e2e {
namespace {

std::string Quoted(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

SYSTEMTIME FromNow(long long ticks) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER at{{now.dwLowDateTime, now.dwHighDateTime}};
    at.QuadPart += ticks;
    const FILETIME then{at.LowPart, at.HighPart};
    SYSTEMTIME system;
    FileTimeToSystemTime(&then, &system);
    return system;
}

}  // namespace

std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

size_t Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

std::vector<std::string> Since(const std::vector<std::string>& lines, size_t from) {
    return {lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())), lines.end()};
}

std::string SelfSignedCertificate(const std::wstring& subject, long long validFor) {
    BYTE encoded[512];
    DWORD size = sizeof encoded;
    if (!CertStrToNameW(X509_ASN_ENCODING, subject.c_str(), CERT_X500_NAME_STR, nullptr, encoded,
                        &size, nullptr)) {
        return "";
    }
    CERT_NAME_BLOB name{size, encoded};
    SYSTEMTIME start = FromNow(-30 * kDayTicks), end = FromNow(validFor);
    PCCERT_CONTEXT cert = CertCreateSelfSignCertificate(0, &name, CERT_CREATE_SELFSIGN_NO_KEY_INFO,
                                                        nullptr, nullptr, &start, &end, nullptr);
    if (!cert) return "";
    std::string der(reinterpret_cast<const char*>(cert->pbCertEncoded), cert->cbCertEncoded);
    CertFreeCertificateContext(cert);
    return der;
}

int VirtualKeys::Admin(const std::vector<std::string>& arguments) const {
    std::string command = Quoted(BinDir() + "\\keyadmin.exe") + " --store " + Quoted(Store());
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    return driver::Run(command);
}

bool VirtualKeys::AddKey(const std::string& key, const std::string& label,
                         const std::vector<std::string>& options, bool plug) const {
    std::vector<std::string> create = {"create", key, "--label", label, "--password", kPassword};
    create.insert(create.end(), options.begin(), options.end());
    return Admin(create) == 0 && (!plug || Admin({"plug", key}) == 0);
}

driver::Process& VirtualKeys::StartRecorded(const std::map<std::string, std::string>& more) {
    std::map<std::string, std::string> environment{
        {"KEYLIB_STORE", Store()},
        {"LOCALAPPDATA", Home()},
        {"KEYTOOL_CALL_LOG", m_logs.File("calls.log")},
        {"KEYTOOL_PLATFORM_LOG", m_logs.File("shell.log")},
        {"KEYTOOL_NO_CER_HANDLER", m_logs.File("no-cer-handler")}};
    environment.insert(more.begin(), more.end());
    m_processes.push_back(std::make_unique<driver::Process>(
        Quoted(BinDir() + "\\passthrough\\QelmoraKeyTool.exe"), environment));
    return *m_processes.back();
}

HWND ProgramTest::Start(const std::map<std::string, std::string>& more) {
    process = &keys.StartRecorded(more);
    pid = process->Id();
    return main = driver::WaitMainWindow(pid);
}

void ProgramTest::Exit() {
    if (!process) return;
    if (main) PostMessageA(main, WM_KEYTOOL_EXIT, 0, 0);
    process->WaitExit(10000);
    process = nullptr;
}

}  // namespace e2e
