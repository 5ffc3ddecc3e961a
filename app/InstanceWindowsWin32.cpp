#include "app/InstanceWindowsWin32.h"

#include <windows.h>

#include "app/Messages.h"
#include "keylib/KeyLib.h"

namespace {

HWND ToHwnd(keytool::WindowId id) { return reinterpret_cast<HWND>(id); }

// A hung instance must not hang the newcomer for long.
constexpr UINT kActivationTimeoutMs = 2000;

}  // namespace

keytool::WindowId Win32InstanceWindows::Next(keytool::WindowId after) {
    return reinterpret_cast<keytool::WindowId>(
        FindWindowExA(nullptr, ToHwnd(after), KEYTOOL_MAIN_CLASS, KEYTOOL_MAIN_TITLE));
}

bool Win32InstanceWindows::IsWindow(keytool::WindowId window) {
    return ::IsWindow(ToHwnd(window)) != FALSE;
}

std::uint32_t Win32InstanceWindows::UserData(keytool::WindowId window) {
    return static_cast<std::uint32_t>(GetWindowLongA(ToHwnd(window), GWL_USERDATA));
}

std::uint32_t Win32InstanceWindows::InstanceTag() { return CSP_GetInstanceTag(0, 0); }

bool Win32InstanceWindows::RequestActivation(keytool::WindowId window, std::intptr_t* answer) {
    DWORD_PTR result = 0;
    const LRESULT sent = SendMessageTimeoutA(ToHwnd(window), WM_KEYTOOL_ACTIVATE, SW_SHOW, 0,
                                             SMTO_BLOCK, kActivationTimeoutMs, &result);
    *answer = static_cast<std::intptr_t>(result);
    return sent != 0;
}

void Win32InstanceWindows::PostBalloon(keytool::WindowId window, std::uint32_t textNumber) {
    PostMessageA(ToHwnd(window), WM_KEYTOOL_BALLOON, textNumber, 0);
}

int NotifyInstances(std::uint32_t textNumber) {
    Win32InstanceWindows windows;
    return keytool::NotifyInstances(windows, textNumber);
}
