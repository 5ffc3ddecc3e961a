// The real program beside the pass-through key library, on a key store of the
// test's own: the admin tool creates, plugs and pulls virtual keys, and the
// logs tell every key-library call and the recorded platform calls.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/driver/Driver.h"

namespace e2e {

// Folder of the test executables (the Windows build's bin folder).
std::string BinDir();
size_t Count(const std::vector<std::string>& lines, const std::string& line);
// The lines from line `from` on.
std::vector<std::string> Since(const std::vector<std::string>& lines, size_t from);

// File-time ticks (100 ns) of an hour and a day.
constexpr long long kHourTicks = 3600LL * 10000000, kDayTicks = 24 * kHourTicks;
// A recorded Shell_NotifyIconW call up to the record's size: the version-2 layout, 936 bytes
// (952 with a 64-bit build's handles).
inline std::string NotifyIconCall(const std::string& message) {
    return "Shell_NotifyIconW(" + message + (sizeof(void*) == 8 ? ",size=952" : ",size=936");
}
// DER of a self-signed certificate the platform makes for the subject ("CN=..., O=..."),
// valid from 30 days ago until `validFor` ticks from now; empty when it cannot.
std::string SelfSignedCertificate(const std::wstring& subject,
                                  long long validFor = 365 * kDayTicks);

constexpr char kPassword[] = "Pass-2026";

class VirtualKeys {
public:
    // Runs keyadmin on the test's store; its exit code (-1 when it did not end).
    int Admin(const std::vector<std::string>& arguments) const;
    // Creates a key with the label, kPassword and keyadmin's further create options, and plugs
    // it in unless told not to; true when keyadmin did all.
    bool AddKey(const std::string& key, const std::string& label,
                const std::vector<std::string>& options = {}, bool plug = true) const;
    // The program with the pass-through library, with more environment if given.
    driver::Process& StartRecorded(const std::map<std::string, std::string>& more = {});
    std::vector<std::string> Calls() const { return driver::ReadLines(m_logs.File("calls.log")); }
    std::vector<std::string> ShellCalls() const {
        return driver::ReadLines(m_logs.File("shell.log"));
    }
    // From now on the recorded shell has no handler for certificate files.
    void DropCerHandler() const { driver::WriteFile(m_logs.File("no-cer-handler"), ""); }
    const std::string& Store() const { return m_store.Path(); }
    // The program's LOCALAPPDATA, and the log it writes there.
    const std::string& Home() const { return m_home.Path(); }
    std::string LogFile() const { return m_home.File("Qelmora\\UsbKeyTool\\keytool.log"); }

private:
    driver::TempDir m_store;
    driver::TempDir m_home;
    driver::TempDir m_logs;
    std::vector<std::unique_ptr<driver::Process>> m_processes;
};

// A test of the program on its own virtual keys, ended through its exit command (which unloads
// what it registered) when the test ends.
class ProgramTest : public ::testing::Test {
protected:
    // Starts the program, with more environment if given; its main window, or null.
    HWND Start(const std::map<std::string, std::string>& more = {});
    void Exit();
    void TearDown() override { Exit(); }

    VirtualKeys keys;
    driver::Process* process = nullptr;
    DWORD pid = 0;
    HWND main = nullptr;
};

}  // namespace e2e
