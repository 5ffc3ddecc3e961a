// The main window's notification-area icon, its balloons and menu, and the
// rule that keeps the window invisible until something first permits it.
#include <cstring>

#include "app/DlgMain.h"
#include "app/Messages.h"
#include "app/logic/MainWindowRules.h"
#include "app/logic/TrayTexts.h"
#include "log/Log.h"
#include "keylib/logic/SlotTable.h"
#include "res/resource.h"

static_assert(keytool::kSwpShowWindow == SWP_SHOWWINDOW);
static_assert(keytool::kTipSize == sizeof(NOTIFYICONDATAA::szTip));

void CDlgMain::AddTrayIcon(BOOL add) {
    if (!add) return;
    std::memset(&m_nid, 0, sizeof m_nid);
    m_nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    m_nid.hWnd = m_hWnd;
    m_nid.uID = 1;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    m_nid.uCallbackMessage = WM_KEYTOOL_TRAYNOTIFY;
    m_nid.hIcon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    m_nid.dwState = NIS_SHAREDICON;
    m_nid.dwStateMask = 0;
    m_nid.uTimeout = keytool::kTimeoutFilled;
    ::Shell_NotifyIconA(NIM_ADD, &m_nid);
}

void CDlgMain::ShowMain(int showCommand, BOOL permit) {
    if (permit) m_bCanShow = TRUE;
    ShowWindow(showCommand);
    // Painted before anything else runs: start-up and device changes go on
    // registering certificates before the message loop would paint.
    if (::IsWindowVisible(m_hWnd)) {
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
}

void CDlgMain::ShowBalloon(const char* text) {
    // Taking the old balloon away first makes the shell show the new one at once.
    m_nid.uTimeout = keytool::kTimeoutBalloon;
    std::memset(m_nid.szTip, 0, sizeof m_nid.szTip);
    std::memset(m_nid.szInfo, 0, sizeof m_nid.szInfo);
    ::Shell_NotifyIconA(NIM_MODIFY, &m_nid);

    const char* tip = keytool::TipText(g_nSlots);
    keytool::CopyBoundedText(m_nid.szTip, sizeof m_nid.szTip, tip, std::strlen(tip) + 1);
    keytool::CopyBoundedText(m_nid.szInfo, sizeof m_nid.szInfo, text, std::strlen(text) + 1);
    if (!::Shell_NotifyIconA(NIM_MODIFY, &m_nid)) LogLastError("Shell_NotifyIconA(NIM_MODIFY)");
}

LRESULT CDlgMain::OnBalloon(WPARAM number, LPARAM) {
    const char* text = keytool::BalloonText(static_cast<std::uint32_t>(number));
    if (text) ShowBalloon(text);
    return 0;
}

LRESULT CDlgMain::OnCopyData(WPARAM, LPARAM lp) {
    // Another process's text: read within what it sent, and only what fits a balloon.
    const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    if (!data || !data->lpData || data->cbData == 0) return TRUE;
    char text[keytool::kInfoSize];
    keytool::CopyBoundedText(text, sizeof text, data->lpData, data->cbData);
    ShowBalloon(text);
    return TRUE;
}

LRESULT CDlgMain::OnTrayNotify(WPARAM, LPARAM mouseMessage) {
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
        HMENU menu = ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
        if (!menu) return 0;
        POINT cursor;
        ::GetCursorPos(&cursor);
        // Without the foreground the menu neither closes on a click elsewhere nor
        // takes Esc and the arrow keys; the posted message lets it close at once.
        ::SetForegroundWindow(m_hWnd);
        ::TrackPopupMenu(::GetSubMenu(menu, 0), TPM_CENTERALIGN | TPM_LEFTBUTTON, cursor.x,
                         cursor.y, 0, m_hWnd, nullptr);
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
        ::DestroyMenu(menu);
    }
    return 0;
}

// A new taskbar knows no icons: add ours again as it stands, keys or not,
// leaving the window as it is.
LRESULT CDlgMain::OnTaskbarCreated(WPARAM, LPARAM) {
    ::Shell_NotifyIconA(NIM_ADD, &m_nid);
    return 0;
}

LRESULT CDlgMain::OnWindowPosChanging(WPARAM, LPARAM lp) {
    const LRESULT result = Default();
    WINDOWPOS* pos = reinterpret_cast<WINDOWPOS*>(lp);
    pos->flags = keytool::FilterPositionFlags(pos->flags, m_bCanShow != FALSE);
    return result;
}

LRESULT CDlgMain::OnNcPaint(WPARAM, LPARAM) {
    const LRESULT result = Default();
    if (!m_bCanShow) ShowMain(SW_HIDE, FALSE);
    return result;
}
