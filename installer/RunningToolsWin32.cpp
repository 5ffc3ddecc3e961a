#include "installer/RunningToolsWin32.h"

#include <windows.h>

#include "app/Messages.h"
#include "keylib/KeyLib.h"

namespace {

HWND ToHwnd(keytool::WindowId id) { return reinterpret_cast<HWND>(id); }

// The tool answers the exit request at once and unloads its certificates after;
// the wait for its end allows for a slow certificate store.
constexpr UINT kExitRequestTimeoutMs = 5000;
constexpr DWORD kEndTimeoutMs = 30000;

}  // namespace

keytool::WindowId Win32RunningTools::Next(keytool::WindowId after) {
    return reinterpret_cast<keytool::WindowId>(
        FindWindowExA(nullptr, ToHwnd(after), KEYTOOL_MAIN_CLASS, KEYTOOL_MAIN_TITLE));
}

bool Win32RunningTools::IsWindow(keytool::WindowId window) {
    return ::IsWindow(ToHwnd(window)) != FALSE;
}

std::uint32_t Win32RunningTools::UserData(keytool::WindowId window) {
    return static_cast<std::uint32_t>(GetWindowLongA(ToHwnd(window), GWL_USERDATA));
}

std::uint32_t Win32RunningTools::InstanceTag() { return CSP_GetInstanceTag(0, 0); }

keytool::ProcessId Win32RunningTools::OwnerOf(keytool::WindowId window) {
    DWORD process = 0;
    return GetWindowThreadProcessId(ToHwnd(window), &process) ? process : 0;
}

bool Win32RunningTools::RequestExit(keytool::WindowId window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(ToHwnd(window), WM_KEYTOOL_EXIT, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG,
                               kExitRequestTimeoutMs, &result) != 0;
}

bool Win32RunningTools::WaitEnd(keytool::ProcessId process) {
    HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
    // No such process any more; any other refusal leaves it counted as running.
    if (!handle) return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(handle, kEndTimeoutMs) == WAIT_OBJECT_0;
    CloseHandle(handle);
    return ended;
}
