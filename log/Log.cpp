#include "log/Log.h"

#include <windows.h>
// windows.h must come first.
#include <shlobj.h>

#include <cstdarg>
#include <cstdio>

#include "log/logic/LogLines.h"

namespace {

constexpr char kLogFolder[] = "\\Qelmora\\UsbKeyTool";
constexpr char kLogMutex[] = "Local\\QelmoraUsbKeyToolLog";

std::string LocalAppData() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableA("LOCALAPPDATA", path, sizeof path);
    if (length > 0 && length < sizeof path) return path;
    if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path))) return path;
    return {};
}

HANDLE OpenForAppend(const std::string& path) {
    return ::CreateFileA(path.c_str(), FILE_APPEND_DATA,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void CreateLogFolder() {
    const std::string base = LocalAppData();
    ::CreateDirectoryA((base + "\\Qelmora").c_str(), nullptr);
    ::CreateDirectoryA((base + kLogFolder).c_str(), nullptr);
}

// The tool and ukeyctl write the same file: one process at a time may roll it
// over, or one could move the other's fresh file over the previous one. The
// wait is short; without the lock the line is appended and the file left as it is.
class RollOverLock {
public:
    RollOverLock() : m_mutex(::CreateMutexA(nullptr, FALSE, kLogMutex)) {
        const DWORD wait = m_mutex ? ::WaitForSingleObject(m_mutex, 100) : WAIT_FAILED;
        m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    ~RollOverLock() {
        if (m_owned) ::ReleaseMutex(m_mutex);
        if (m_mutex) ::CloseHandle(m_mutex);
    }
    RollOverLock(const RollOverLock&) = delete;
    RollOverLock& operator=(const RollOverLock&) = delete;
    bool Owned() const { return m_owned; }

private:
    HANDLE m_mutex;
    bool m_owned = false;
};

void WriteLine(const std::string& line) {
    const std::string path = LogFilePath();
    if (path.empty()) return;
    HANDLE file = OpenForAppend(path);
    if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_PATH_NOT_FOUND) {
        CreateLogFolder();
        file = OpenForAppend(path);
    }
    if (file == INVALID_HANDLE_VALUE) return;
    const RollOverLock lock;
    LARGE_INTEGER size{};
    if (lock.Owned() && ::GetFileSizeEx(file, &size) &&
        keytool::NeedsRollOver(static_cast<std::uint64_t>(size.QuadPart), line.size())) {
        ::CloseHandle(file);
        ::MoveFileExA(path.c_str(), PreviousLogFilePath().c_str(), MOVEFILE_REPLACE_EXISTING);
        file = OpenForAppend(path);
        if (file == INVALID_HANDLE_VALUE) return;
    }
    DWORD written = 0;
    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(file);
}

}  // namespace

void LogShellOpen(const char* what, std::intptr_t answer) {
    if (answer <= 32) LogLine("ShellExecuteA(open %s) answered %d", what, static_cast<int>(answer));
}

std::string LogFilePath() {
    const std::string base = LocalAppData();
    return base.empty() ? base : base + kLogFolder + "\\keytool.log";
}

std::string PreviousLogFilePath() {
    const std::string current = LogFilePath();
    return current.empty() ? current : current + ".1";
}

void LogLine(const char* format, ...) {
    const DWORD lastError = ::GetLastError();
    char text[keytool::kLogTextMax + 1];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    const keytool::UtcTime time{now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                                now.wMinute, now.wSecond, now.wMilliseconds};
    WriteLine(keytool::FormatLogLine(time, ::GetCurrentProcessId(), text));
    ::SetLastError(lastError);
}

void LogLastError(const char* call) {
    const DWORD error = ::GetLastError();
    LogLine("%s failed: error %lu", call, error);
}

std::uint32_t LoggedKeyLib(const char* call, std::uint32_t slot, std::uint32_t status) {
    if (status != 0) LogLine("%s(slot %u) answered 0x%08X", call, unsigned{slot}, unsigned{status});
    return status;
}
