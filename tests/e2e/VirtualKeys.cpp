#include "tests/e2e/VirtualKeys.h"

#include "tests/e2e/RecordingTool.h"

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

}  // namespace

VirtualKeys::VirtualKeys() = default;

int VirtualKeys::Admin(const std::vector<std::string>& arguments) const {
    const std::string exe = BinDir() + "\\keyadmin.exe";
    std::string command = Quoted(exe) + " --store " + Quoted(Store());
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return -1;
    }
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(info.hProcess, &code);
    } else {
        TerminateProcess(info.hProcess, 1);
    }
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return static_cast<int>(code);
}

driver::Process& VirtualKeys::Start() {
    m_processes.push_back(std::make_unique<driver::Process>(
        BinDir() + "\\QelmoraKeyTool.exe",
        std::map<std::string, std::string>{{"KEYLIB_STORE", Store()}}));
    return *m_processes.back();
}

driver::Process& VirtualKeys::StartRecorded() {
    m_processes.push_back(std::make_unique<driver::Process>(
        BinDir() + "\\passthrough\\QelmoraKeyTool.exe",
        std::map<std::string, std::string>{{"KEYLIB_STORE", Store()},
                                           {"KEYTOOL_FAKE_LOG", m_logs.File("calls.log")},
                                           {"KEYTOOL_PLATFORM_LOG", m_logs.File("shell.log")}}));
    return *m_processes.back();
}

std::vector<std::string> VirtualKeys::Calls() const {
    return driver::ReadLines(m_logs.File("calls.log"));
}

std::vector<std::string> VirtualKeys::ShellCalls() const {
    return driver::ReadLines(m_logs.File("shell.log"));
}

}  // namespace e2e
