#include "log/Log.h"

#include <windows.h>
// windows.h must come first.
#include <shlobj.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "log/logic/LogLines.h"
#include "text/CodePages.h"

namespace {

constexpr wchar_t kLogFolder[] = L"\\Qelmora\\UsbKeyTool";
constexpr wchar_t kLogMutex[] = L"Local\\QelmoraUsbKeyToolLog";

std::wstring LocalAppData() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return path;
    if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path))) return path;
    return {};
}

std::wstring LogFile() {
    const std::wstring base = LocalAppData();
    return base.empty() ? base : base + kLogFolder + L"\\keytool.log";
}

void CreateLogFolder() {
    const std::wstring base = LocalAppData();
    ::CreateDirectoryW((base + L"\\Qelmora").c_str(), nullptr);
    ::CreateDirectoryW((base + kLogFolder).c_str(), nullptr);
}

std::string Stamped(const std::string& text) {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    const keytool::UtcTime time{now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                                now.wMinute, now.wSecond, now.wMilliseconds};
    return keytool::FormatLogLine(time, ::GetCurrentProcessId(), text.c_str());
}

// The tool and ukeyctl write the same file: one process at a time may open,
// measure and roll it over. Without the lock a line is only appended.
class RollOverLock {
public:
    RollOverLock() : m_mutex(::CreateMutexW(nullptr, FALSE, kLogMutex)) {
        const DWORD wait = m_mutex ? ::WaitForSingleObject(m_mutex, 500) : WAIT_FAILED;
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

// DELETE lets a roll-over rename the very file that was measured.
HANDLE OpenLog(const std::wstring& path, DWORD disposition) {
    return ::CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | DELETE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                         nullptr);
}

// A reparse point, or a file that other names share: writing, moving or
// deleting it would reach a file that is not the log.
bool IsLinked(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    return !::GetFileInformationByHandle(file, &info) ||
           (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || info.nNumberOfLinks > 1;
}

bool RenameHeld(HANDLE file, const std::wstring& to) {
    const DWORD nameBytes = static_cast<DWORD>(to.size() * sizeof(wchar_t));
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = nameBytes;
    std::memcpy(info->FileName, to.c_str(), nameBytes);
    return ::SetFileInformationByHandle(file, FileRenameInfo, info,
                                        static_cast<DWORD>(buffer.size()));
}

// The log at `path`, opened or made; a link found there is replaced by a new
// file renamed over its name, which leaves whatever it led to untouched.
HANDLE OpenChecked(const std::wstring& path, std::string& notes) {
    HANDLE file = OpenLog(path, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_PATH_NOT_FOUND) {
        CreateLogFolder();
        file = OpenLog(path, OPEN_ALWAYS);
    }
    if (file == INVALID_HANDLE_VALUE || !IsLinked(file)) return file;
    ::CloseHandle(file);
    const std::wstring fresh = path + L"." + std::to_wstring(::GetCurrentProcessId()) + L".new";
    file = OpenLog(fresh, CREATE_NEW);
    if (file == INVALID_HANDLE_VALUE) return file;
    if (IsLinked(file) || !RenameHeld(file, path)) {
        ::CloseHandle(file);
        ::DeleteFileW(fresh.c_str());
        return INVALID_HANDLE_VALUE;
    }
    notes += Stamped("log: keytool.log was a link or had a second name; left alone, started anew");
    return file;
}

void WriteLines(std::string lines) {
    const std::wstring path = LogFile();
    if (path.empty()) return;
    const RollOverLock lock;
    std::string notes;
    HANDLE file = OpenChecked(path, notes);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) size.QuadPart = keytool::kLogRollSize;
    const auto measured = static_cast<std::uint64_t>(size.QuadPart);
    switch (keytool::NextLogStep(measured, notes.size() + lines.size(), lock.Owned())) {
        case keytool::LogStep::Append:
            break;
        case keytool::LogStep::Drop:
            ::CloseHandle(file);
            return;
        case keytool::LogStep::RollOver:
            if (RenameHeld(file, path + L".1")) {
                ::CloseHandle(file);
                file = OpenChecked(path, notes);
                if (file == INVALID_HANDLE_VALUE) return;
            } else if (measured <= keytool::kLogRollSize) {
                // Stays at its size from here on, with this last word on why.
                lines = Stamped("log: cannot roll over into keytool.log.1 (error " +
                                std::to_string(::GetLastError()) + "); no more lines until it can");
            } else {
                ::CloseHandle(file);
                return;
            }
            break;
    }
    lines.insert(0, notes);
    DWORD written = 0;
    ::WriteFile(file, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
    ::CloseHandle(file);
}

// What a flood held back is told when the process ends.
class Flood {
public:
    Flood() = default;
    Flood(const Flood&) = delete;
    Flood& operator=(const Flood&) = delete;
    ~Flood() {
        std::string lines;
        for (const std::string& text : m_flood.Drain()) lines += Stamped(text);
        if (!lines.empty()) WriteLines(lines);
    }
    void Write(const std::string& kind, const std::string& text) {
        const DWORD lastError = ::GetLastError();
        std::string lines;
        for (const std::string& admitted : m_flood.Admit(kind, text, ::GetTickCount64())) {
            lines += Stamped(admitted);
        }
        if (!lines.empty()) WriteLines(lines);
        ::SetLastError(lastError);
    }

private:
    keytool::LogFlood m_flood;
};
Flood g_flood;

// A UTF-8 character cut by the buffer lies past the text's limit, where the line ends anyway.
std::string Formatted(const char* format, va_list arguments) {
    char text[keytool::kLogTextMax + 4];
    std::vsnprintf(text, sizeof text, format, arguments);
    return text;
}

}  // namespace

void LogShellOpen(const char* what, std::intptr_t answer) {
    if (answer <= 32) LogLine("ShellExecuteA(open %s) answered %d", what, static_cast<int>(answer));
}

std::string LogFilePath() { return keytool::Utf8FromWide(LogFile()); }

std::string PreviousLogFilePath() {
    const std::string current = LogFilePath();
    return current.empty() ? current : current + ".1";
}

void LogLine(const char* format, ...) {
    const DWORD lastError = ::GetLastError();
    va_list arguments;
    va_start(arguments, format);
    const std::string text = Formatted(format, arguments);
    va_end(arguments);
    g_flood.Write(format, text);
    ::SetLastError(lastError);
}

void LogLineGbk(const char* format, ...) {
    const DWORD lastError = ::GetLastError();
    va_list arguments;
    va_start(arguments, format);
    const std::string text = Formatted(format, arguments);
    va_end(arguments);
    g_flood.Write(format, keytool::Utf8FromGbk(text));
    ::SetLastError(lastError);
}

void LogLastError(const char* call) {
    const DWORD error = ::GetLastError();
    g_flood.Write(call, std::string(call) + " failed: error " + std::to_string(error));
}

std::uint32_t LoggedKeyLib(const char* call, std::uint32_t slot, std::uint32_t status) {
    if (status != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "(slot %u) answered 0x%08X", unsigned{slot},
                      unsigned{status});
        g_flood.Write(call, call + std::string(text));
    }
    return status;
}
