// The main window's notification-area icon, its balloons and menu, and the
// rule that keeps the window invisible until something first permits it.
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>

#include "app/DlgMain.h"
#include "app/Messages.h"
#include "app/logic/MainWindowRules.h"
#include "app/logic/TrayTexts.h"
#include "framework/Text.h"
#include "log/Log.h"
#include "keylib/logic/SlotTable.h"
#include "res/resource.h"

static_assert(keytool::kSwpShowWindow == SWP_SHOWWINDOW);
static_assert(keytool::kTipSize == std::size(NOTIFYICONDATAW{}.szTip));
static_assert(keytool::kInfoSize == std::size(NOTIFYICONDATAW{}.szInfo));

namespace {

// A GBK text cut to fit the field without splitting a character, then widened:
// the same characters as the field of the ANSI record would show.
template <size_t N>
void SetField(wchar_t (&field)[N], const char* text) {
    char bounded[N];
    keytool::CopyBoundedText(bounded, sizeof bounded, text, std::strlen(text) + 1);
    const std::wstring wide = fw::Widen(bounded);
    std::wmemset(field, L'\0', N);
    std::wmemcpy(field, wide.c_str(), std::min(wide.size(), N - 1));
}

}  // namespace

void CDlgMain::AddTrayIcon(BOOL add) {
    if (!add) return;
    std::memset(&m_nid, 0, sizeof m_nid);
    m_nid.cbSize = NOTIFYICONDATAW_V2_SIZE;
    m_nid.hWnd = m_hWnd;
    m_nid.uID = 1;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    m_nid.uCallbackMessage = WM_KEYTOOL_TRAYNOTIFY;
    m_nid.hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    m_nid.dwState = NIS_SHAREDICON;
    m_nid.dwStateMask = 0;
    m_nid.uTimeout = keytool::kTimeoutFilled;
    ::Shell_NotifyIconW(NIM_ADD, &m_nid);
}

void CDlgMain::ShowMain(int showCommand, BOOL permit) {
    if (permit) m_bCanShow = TRUE;
    ShowWindow(showCommand);
    // Painted before anything else runs: start-up and device changes go on
    // registering certificates before the message loop would paint.
    if (::IsWindowVisible(m_hWnd)) {
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        if (m_expiryCheckDue) RequestIdle();
    }
}

void CDlgMain::ShowBalloon(const char* text) {
    // Taking the old balloon away first makes the shell show the new one at once.
    m_nid.uTimeout = keytool::kTimeoutBalloon;
    std::memset(m_nid.szTip, 0, sizeof m_nid.szTip);
    std::memset(m_nid.szInfo, 0, sizeof m_nid.szInfo);
    ::Shell_NotifyIconW(NIM_MODIFY, &m_nid);

    SetField(m_nid.szTip, keytool::TipText(g_nSlots));
    SetField(m_nid.szInfo, text);
    if (!::Shell_NotifyIconW(NIM_MODIFY, &m_nid)) LogLastError("Shell_NotifyIconW(NIM_MODIFY)");
}

LRESULT CDlgMain::OnBalloon(UINT number) {
    const char* text = keytool::BalloonText(number);
    if (text) ShowBalloon(text);
    return 0;
}

BOOL CDlgMain::OnCopyData(HWND, const COPYDATASTRUCT& data) {
    // Another process's text (GBK): read within what it sent, and only what fits a balloon.
    if (!data.lpData || data.cbData == 0) return TRUE;
    char text[keytool::kInfoSize];
    keytool::CopyBoundedText(text, sizeof text, data.lpData, data.cbData);
    ShowBalloon(text);
    return TRUE;
}

void CDlgMain::OnTrayNotify(UINT mouseMessage) {
    if (mouseMessage == WM_LBUTTONDOWN) {
        const bool visible = (GetStyle() & WS_VISIBLE) != 0;
        const bool dialogRunning = !::IsWindowEnabled(m_hWnd);
        switch (keytool::OnTrayLeftPress(visible, dialogRunning)) {
            case keytool::TrayPressAction::Hide:
                ShowMain(SW_HIDE, TRUE);
                break;
            case keytool::TrayPressAction::ShowAndForeground:
                ShowMain(SW_SHOW, TRUE);
                ::SetForegroundWindow(m_hWnd);
                break;
            case keytool::TrayPressAction::ShowWithDialogInFront:
                ShowMain(SW_SHOW, TRUE);
                ::SetForegroundWindow(FrontPopupOf(m_hWnd));
                break;
        }
    } else if (mouseMessage == WM_RBUTTONDOWN) {
        HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAYMENU));
        if (!menu) return;
        POINT cursor;
        ::GetCursorPos(&cursor);
        // Without the foreground the menu neither closes on a click elsewhere nor
        // takes Esc and the arrow keys; the posted message lets it close at once.
        ::SetForegroundWindow(m_hWnd);
        ::TrackPopupMenu(::GetSubMenu(menu, 0), TPM_CENTERALIGN | TPM_LEFTBUTTON, cursor.x,
                         cursor.y, 0, m_hWnd, nullptr);
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
        ::DestroyMenu(menu);
    }
}

// A new taskbar knows no icons: add ours again as it stands, keys or not,
// leaving the window as it is.
LRESULT CDlgMain::OnTaskbarCreated() {
    ::Shell_NotifyIconW(NIM_ADD, &m_nid);
    return 0;
}

LRESULT CDlgMain::OnWindowPosChanging(WINDOWPOS& position) {
    const LRESULT result = Default();
    position.flags = keytool::FilterPositionFlags(position.flags, m_bCanShow != FALSE);
    return result;
}

LRESULT CDlgMain::OnNcPaint() {
    const LRESULT result = Default();
    if (!m_bCanShow) ShowMain(SW_HIDE, FALSE);
    return result;
}
