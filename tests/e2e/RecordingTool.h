// The real program started against the recording key library, with a scenario
// the test writes and the log of every key-library call it made.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/driver/Driver.h"

namespace e2e {

// Folder of the test executables (the Windows build's bin folder).
std::string BinDir();

class RecordingTool {
public:
    explicit RecordingTool(const std::string& scenario);

    // Starts the program; more than one start runs more than one process.
    driver::Process& Start();
    void SetScenario(const std::string& scenario) const;
    std::vector<std::string> Calls() const;
    // The program's shell calls: notification-area icon records and "open" requests.
    std::vector<std::string> ShellCalls() const;
    std::string LogPath() const { return m_dir.File("calls.log"); }
    std::string ShellLogPath() const { return m_dir.File("shell.log"); }
    std::string ScenarioPath() const { return m_dir.File("scenario.txt"); }

private:
    driver::TempDir m_dir;
    std::vector<std::unique_ptr<driver::Process>> m_processes;
};

// The first n entries of calls (all of them when there are fewer).
std::vector<std::string> Head(const std::vector<std::string>& calls, size_t n);
size_t Count(const std::vector<std::string>& calls, const std::string& call);

}  // namespace e2e
