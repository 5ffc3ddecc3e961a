// Thin wrapper of a window handle: the operations the dialogs need on any window.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

class Window {
public:
    HWND m_hWnd = nullptr;

    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window() = default;

    void Attach(HWND hwnd) { m_hWnd = hwnd; }

    BOOL EnableWindow(BOOL enable) const { return ::EnableWindow(m_hWnd, enable); }
    BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void EnableDlgItem(int id, BOOL enable) const { ::EnableWindow(GetDlgItem(id), enable); }
    void SetWindowText(const wchar_t* text) const { ::SetWindowTextW(m_hWnd, text); }
    std::wstring GetWindowText() const { return GetText(m_hWnd); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageW(m_hWnd, msg, wp, lp);
    }
    // Called by the dialog holding a bound control for each WM_COMMAND the
    // control sends, before the dialog's own handlers see it.
    virtual void OnReflectedCommand(UINT /*code*/) {}

    // Text of any window, whatever its length.
    static std::wstring GetText(HWND hwnd);
    // The ancestor that has no parent: for a page, the main window.
    static HWND TopLevelOf(HWND hwnd);
    // The visible window the window owns, if any.
    static HWND OwnedPopupOf(HWND owner);
    // The window in front of those the window owns: the visible window it owns,
    // the one that one owns, and so on; the window itself when it owns none.
    static HWND FrontPopupOf(HWND owner);
};

}  // namespace fw
