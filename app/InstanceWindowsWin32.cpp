#include "app/InstanceWindowsWin32.h"

#include <windows.h>
// windows.h must come first.
#include <shlwapi.h>
#include <tlhelp32.h>

#include <map>
#include <set>

#include "app/Messages.h"
#include "keylib/KeyLib.h"

namespace {

HWND ToHwnd(keytool::WindowId id) { return reinterpret_cast<HWND>(id); }

// A hung instance must not hang the newcomer for long.
constexpr UINT kActivationTimeoutMs = 2000;
// The tool answers the exit request at once and unloads its certificates after;
// the wait for its end allows for a slow certificate store.
constexpr UINT kExitRequestTimeoutMs = 5000;
constexpr DWORD kEndTimeoutMs = 30000;

}  // namespace

// Wide throughout: the title is found under any ANSI code page.
keytool::WindowId Win32InstanceWindows::Next(keytool::WindowId after) {
    return reinterpret_cast<keytool::WindowId>(
        FindWindowExW(nullptr, ToHwnd(after), KEYTOOL_MAIN_CLASS, KEYTOOL_MAIN_TITLE));
}

bool Win32InstanceWindows::IsWindow(keytool::WindowId window) {
    return ::IsWindow(ToHwnd(window)) != FALSE;
}

std::uint32_t Win32InstanceWindows::UserData(keytool::WindowId window) {
    return static_cast<std::uint32_t>(GetWindowLongPtrW(ToHwnd(window), GWLP_USERDATA));
}

std::uint32_t Win32InstanceWindows::InstanceTag() { return CSP_GetInstanceTag(0, 0); }

bool Win32InstanceWindows::RequestActivation(keytool::WindowId window, std::intptr_t* answer) {
    DWORD_PTR result = 0;
    const LRESULT sent = SendMessageTimeoutW(ToHwnd(window), WM_KEYTOOL_ACTIVATE, SW_SHOW, 0,
                                             SMTO_BLOCK, kActivationTimeoutMs, &result);
    *answer = static_cast<std::intptr_t>(result);
    return sent != 0;
}

void Win32InstanceWindows::PostBalloon(keytool::WindowId window, std::uint32_t textNumber) {
    PostMessageW(ToHwnd(window), WM_KEYTOOL_BALLOON, textNumber, 0);
}

keytool::ProcessId Win32InstanceWindows::OwnerOf(keytool::WindowId window) {
    DWORD process = 0;
    return GetWindowThreadProcessId(ToHwnd(window), &process) ? process : 0;
}

bool Win32InstanceWindows::RequestExit(keytool::WindowId window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(ToHwnd(window), WM_KEYTOOL_EXIT, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG,
                               kExitRequestTimeoutMs, &result) != 0;
}

namespace {

// When the process started, in FILETIME units; 0 when that cannot be asked.
ULONGLONG StartTime(DWORD process) {
    HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    FILETIME created{}, exited{}, kernel{}, user{};
    const bool known = handle && GetProcessTimes(handle, &created, &exited, &kernel, &user);
    if (handle) CloseHandle(handle);
    return known ? (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime : 0;
}

}  // namespace

std::vector<keytool::ProcessId> Win32InstanceWindows::ProcessesIn(const std::wstring& folder) {
    std::vector<keytool::ProcessId> found;
    if (folder.empty()) return found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    std::vector<PROCESSENTRY32W> entries;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        entries.push_back(entry);
    }
    CloseHandle(snapshot);
    // Neither this process nor the set-up that waits for it, however many helpers lie between
    // (the 64-bit nsExec runs one of its own): an uninstaller run in place lies in the folder.
    std::map<DWORD, DWORD> parents;
    for (const PROCESSENTRY32W& e : entries) parents[e.th32ProcessID] = e.th32ParentProcessID;
    // A parent that ended may have left its id to a later process, which is no ancestor: the
    // walk stops at a "parent" started after its child.
    std::set<DWORD> waiting;
    DWORD id = GetCurrentProcessId();
    ULONGLONG child = StartTime(id);
    while (parents.count(id) && waiting.insert(id).second) {
        id = parents[id];
        const ULONGLONG started = StartTime(id);
        if (started == 0 || started > child) break;
        child = started;
    }
    for (const PROCESSENTRY32W& e : entries) {
        if (waiting.count(e.th32ProcessID)) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, e.th32ProcessID);
        if (!process) continue;
        wchar_t image[MAX_PATH * 2] = {};
        DWORD length = ARRAYSIZE(image);
        // Compared by whole path components, without regard to case.
        if (QueryFullProcessImageNameW(process, 0, image, &length) &&
            PathIsPrefixW(folder.c_str(), image)) {
            found.push_back(e.th32ProcessID);
        }
        CloseHandle(process);
    }
    return found;
}

bool Win32InstanceWindows::WaitEnd(keytool::ProcessId process) {
    HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
    // No such process any more; any other refusal leaves it counted as running.
    if (!handle) return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(handle, kEndTimeoutMs) == WAIT_OBJECT_0;
    CloseHandle(handle);
    return ended;
}

int NotifyInstances(std::uint32_t textNumber) {
    Win32InstanceWindows windows;
    return keytool::NotifyInstances(windows, textNumber);
}
