#include "tools/bench/WineProcess.h"

#include <cstdlib>
#include <vector>

namespace bench {
namespace {

std::string readUnixFile(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    // /proc files report size 0: read until the end.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

// The number after "Name:" in a /proc status file.
double statusField(const std::string& status, const char* name) {
    const size_t at = status.find(name);
    return at == std::string::npos ? 0 : std::strtod(status.c_str() + at + strlen(name), nullptr);
}

bool paintedAll(HWND window) {
    if (GetUpdateRect(window, nullptr, FALSE)) return false;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsWindowVisible(child) && !paintedAll(child)) return false;
    }
    return true;
}

struct WindowTally {
    DWORD pid;
    size_t count;
};

BOOL CALLBACK countChild(HWND, LPARAM tally) {
    ++reinterpret_cast<WindowTally*>(tally)->count;
    return TRUE;
}

BOOL CALLBACK countTopLevel(HWND window, LPARAM tally) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == reinterpret_cast<WindowTally*>(tally)->pid) {
        countChild(window, tally);
        EnumChildWindows(window, countChild, tally);
    }
    return TRUE;
}

}  // namespace

double nowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

WineProcess::WineProcess(const std::string& program, const std::string& arguments,
                         const std::map<std::string, std::string>& environment)
    : program_(program) {
    for (const auto& [name, value] : environment) {
        SetEnvironmentVariableA(name.c_str(), value.c_str());
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string command = "\"" + program + "\" " + arguments;
    QueryPerformanceCounter(&started_);
    CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                   &info_);
    for (const auto& entry : environment) SetEnvironmentVariableA(entry.first.c_str(), nullptr);
}

WineProcess::~WineProcess() {
    if (info_.hProcess != nullptr) {
        if (!waitExit(0)) {
            TerminateProcess(info_.hProcess, 1);
            waitExit(10000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

double WineProcess::elapsedMs() const {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart - started_.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

bool WineProcess::waitExit(DWORD timeoutMs) const {
    return info_.hProcess != nullptr &&
           WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

// Wine starts a program as a Unix process whose command line is the program's Windows path.
// The benchmark runs one copy of each program at a time.
int WineProcess::findUnixPid() const {
    const std::string wanted = program_ + '\0';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int pid = 0;
    do {
        const int candidate = std::atoi(found.cFileName);
        if (candidate <= 0) continue;
        const std::string command = readUnixFile("/proc/" + std::to_string(candidate) + "/cmdline");
        if (command.compare(0, wanted.size(), wanted) == 0) pid = candidate;
    } while (pid == 0 && FindNextFileA(search, &found));
    FindClose(search);
    return pid;
}

WineProcess::UnixStats WineProcess::unixStats() {
    UnixStats stats;
    if (unixPid_ == 0) unixPid_ = findUnixPid();
    if (unixPid_ == 0) return stats;
    const std::string base = "/proc/" + std::to_string(unixPid_);
    const std::string status = readUnixFile(base + "/status");
    const std::string stat = readUnixFile(base + "/stat");
    if (status.empty() || stat.empty()) return stats;
    stats.known = true;
    stats.rssKb = statusField(status, "VmRSS:");
    // Fields 14 and 15 (user and system time, in ticks) follow the name in parentheses.
    const size_t close = stat.rfind(')');
    std::vector<double> fields;
    const char* p = stat.c_str() + close + 1;
    while (*p != '\0' && fields.size() < 15) {
        char* end = nullptr;
        const double value = std::strtod(p, &end);
        fields.push_back(end == p ? 0 : value);
        p = end == p ? p + 1 : end;
        while (*p == ' ') ++p;
    }
    // After ")": state, ppid, pgrp, session, tty, tpgid, flags, minflt, cminflt, majflt,
    // cmajflt, utime, stime.
    if (fields.size() >= 13) stats.cpuMs = (fields[11] + fields[12]) * 10.0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(("Z:" + base + "\\task\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (std::atoi(found.cFileName) <= 0) continue;
            const std::string task = readUnixFile(base + "/task/" + found.cFileName + "/status");
            stats.wakeUps += static_cast<uint64_t>(statusField(task, "voluntary_ctxt_switches:"));
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return stats;
}

bool answers(HWND window, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, timeoutMs, &result) != 0;
}

HWND waitDrawn(DWORD pid, const char* title, DWORD timeoutMs) {
    const double end = nowMs() + timeoutMs;
    while (nowMs() < end) {
        for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", title); w;
             w = FindWindowExA(nullptr, w, "#32770", title)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid && IsWindowVisible(w) && paintedAll(w) && answers(w, timeoutMs) &&
                paintedAll(w)) {
                return w;
            }
        }
        Sleep(1);
    }
    return nullptr;
}

size_t windowCount(DWORD pid) {
    WindowTally tally{pid, 0};
    EnumWindows(countTopLevel, reinterpret_cast<LPARAM>(&tally));
    return tally.count;
}

}  // namespace bench
