// The main window: key selector, tabs with the three key pages, the
// notification-area icon, and the private messages other processes send.
#pragma once

#include <windows.h>
// windows.h must come first.
#include <shellapi.h>

#include <cstdint>

#include "app/logic/ExpiryReminders.h"
#include "device/logic/KeyEvents.h"
#include "framework/Controls.h"
#include "pages/CspBaseDialog.h"
#include "pages/DlgChgLabel.h"
#include "pages/DlgChgPwd.h"
#include "pages/DlgDisp.h"

class CDlgMain : public CCspBaseDialog {
public:
    explicit CDlgMain(HWND parent);

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    void OnOK() override;
    void OnCancel() override;
    const fw::MessageMap* GetMessageMap() const override;

private:
    class KeyEvents;

    // Window and commands.
    LRESULT OnCreate(WPARAM, LPARAM);
    LRESULT OnSysCommand(WPARAM, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnExit(WPARAM, LPARAM);
    LRESULT OnActivate(WPARAM, LPARAM);
    LRESULT OnRefreshMessage(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnClose(WPARAM, LPARAM);
    LRESULT OnQueryEndSession(WPARAM, LPARAM);
    void OnTabChanged(NMHDR*, LRESULT*);
    void OnKeySelected();
    void OnRefresh();
    void OnTrayShow();
    void OnTrayExit();
    void OnAbout();
    void ShowPages();

    // Notification-area icon and visibility.
    void AddTrayIcon(BOOL add);
    void ShowMain(int showCommand, BOOL permit);
    void ShowBalloon(const char* text);
    LRESULT OnBalloon(WPARAM, LPARAM);
    LRESULT OnCopyData(WPARAM, LPARAM);
    LRESULT OnTrayNotify(WPARAM, LPARAM);
    LRESULT OnTaskbarCreated(WPARAM, LPARAM);
    LRESULT OnWindowPosChanging(WPARAM, LPARAM);
    LRESULT OnNcPaint(WPARAM, LPARAM);

    // Certificate expiry reminders.
    void ScheduleExpiryChecks();
    void ArmDailyExpiryCheck();
    LRESULT OnExpiryCheck(WPARAM insertion, LPARAM);
    LRESULT OnTimer(WPARAM id, LPARAM);
    void ShowExpiryReminder(keytool::ExpiryCheck check);

    // Keys.
    void RefreshKeyList();
    LRESULT OnDeviceChange(WPARAM eventType, LPARAM eventData);
    void CheckKeyDevice();
    void ClearSslState();

    std::uint32_t m_dwSlotOfItem[256] = {};
    std::uint32_t m_dwCurSlot = 0;
    std::uint32_t m_nKeyCount = 0;
    keytool::DeviceChangeState m_deviceChange;
    BOOL m_bCanShow = FALSE;
    NOTIFYICONDATAA m_nid{};
    CDlgChgPwd m_dlgChgPwd;
    CDlgDisp m_dlgDisp;
    CDlgChgLabel m_dlgChgLabel;
    HICON m_hIcon;
    fw::TabCtrl m_tab;
    fw::ComboBox m_cbKeys;
};
