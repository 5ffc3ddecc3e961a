// A Windows process under Wine seen from both sides: its windows through user32, and its
// Unix process (memory, CPU time, wake-ups) through /proc on Wine's drive Z:.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

namespace bench {

class WineProcess {
public:
    // Starts the program (a full Windows path) with the environment added.
    WineProcess(const std::string& program, const std::string& arguments,
                const std::map<std::string, std::string>& environment);
    ~WineProcess();
    WineProcess(const WineProcess&) = delete;
    WineProcess& operator=(const WineProcess&) = delete;

    DWORD id() const { return info_.dwProcessId; }
    // Milliseconds since CreateProcess.
    double elapsedMs() const;
    bool waitExit(DWORD timeoutMs) const;

    struct UnixStats {
        bool known = false;
        double rssKb = 0;
        double cpuMs = 0;      // user and system time of every thread
        uint64_t wakeUps = 0;  // voluntary context switches of every thread
    };
    UnixStats unixStats();

private:
    int findUnixPid() const;

    PROCESS_INFORMATION info_{};
    std::string program_;
    LARGE_INTEGER started_{};
    int unixPid_ = 0;
};

// The first visible top-level dialog of the process with the title (any when null) once it
// and every child window have been painted and its thread answers; null on time-out.
HWND waitDrawn(DWORD pid, const char* title, DWORD timeoutMs);
// Returns once the window's thread has handled everything sent before.
bool answers(HWND window, DWORD timeoutMs);
size_t windowCount(DWORD pid);
double nowMs();

}  // namespace bench
