#include "tests/e2e/RecordingTool.h"

#include <algorithm>

namespace e2e {

std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

RecordingTool::RecordingTool(const std::string& scenario) { SetScenario(scenario); }

void RecordingTool::SetScenario(const std::string& scenario) const {
    driver::WriteFile(ScenarioPath(), scenario);
}

driver::Process& RecordingTool::Start() {
    m_processes.push_back(std::make_unique<driver::Process>(
        BinDir() + "\\recording\\QelmoraKeyTool.exe",
        std::map<std::string, std::string>{{"KEYTOOL_FAKE_SCENARIO", ScenarioPath()},
                                           {"KEYTOOL_FAKE_LOG", LogPath()},
                                           {"KEYTOOL_PLATFORM_LOG", ShellLogPath()}}));
    return *m_processes.back();
}

std::vector<std::string> RecordingTool::Calls() const { return driver::ReadLines(LogPath()); }

std::vector<std::string> RecordingTool::ShellCalls() const {
    return driver::ReadLines(ShellLogPath());
}

std::vector<std::string> Head(const std::vector<std::string>& calls, size_t n) {
    return std::vector<std::string>(calls.begin(), calls.begin() + std::min(n, calls.size()));
}

size_t Count(const std::vector<std::string>& calls, const std::string& call) {
    return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
}

}  // namespace e2e
