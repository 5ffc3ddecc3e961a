#include "tests/e2e/VirtualKeys.h"

#include <algorithm>

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

std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

size_t Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

int VirtualKeys::Admin(const std::vector<std::string>& arguments) const {
    std::string command = Quoted(BinDir() + "\\keyadmin.exe") + " --store " + Quoted(Store());
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    driver::Process admin(command);
    DWORD code = 0;
    return admin.WaitExit(60000, &code) ? static_cast<int>(code) : -1;
}

driver::Process& VirtualKeys::StartRecorded() {
    m_processes.push_back(std::make_unique<driver::Process>(
        Quoted(BinDir() + "\\passthrough\\QelmoraKeyTool.exe"),
        std::map<std::string, std::string>{{"KEYLIB_STORE", Store()},
                                           {"LOCALAPPDATA", Home()},
                                           {"KEYTOOL_CALL_LOG", m_logs.File("calls.log")},
                                           {"KEYTOOL_PLATFORM_LOG", m_logs.File("shell.log")}}));
    return *m_processes.back();
}

}  // namespace e2e
