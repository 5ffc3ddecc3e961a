// The main window: key selector, tabs with the three key pages, the
// notification-area icon, and the private messages other processes send.
#pragma once

#include <windows.h>
// windows.h must come first.
#include <shellapi.h>

#include <cstdint>
#include <optional>

#include "app/logic/ExpiryReminders.h"
#include "device/logic/KeyEvents.h"
#include "framework/Controls.h"
#include "keys/KeyLibrary.h"
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
    LRESULT OnCreate();
    LRESULT OnSysCommand(UINT command);
    LRESULT OnPaint();
    LRESULT OnQueryDragIcon();
    LRESULT OnExit();
    LRESULT OnActivate(UINT showCommand);
    LRESULT OnRefreshMessage();
    LRESULT OnDestroy();
    LRESULT OnClose();
    LRESULT OnQueryEndSession();
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
    // The balloon's text as the portable logic words it (GBK).
    void ShowBalloon(const char* text);
    LRESULT OnBalloon(UINT number);
    BOOL OnCopyData(HWND from, const COPYDATASTRUCT& data);
    void OnTrayNotify(UINT mouseMessage);
    LRESULT OnTaskbarCreated();
    LRESULT OnWindowPosChanging(WINDOWPOS& position);
    LRESULT OnNcPaint();

    // Certificate expiry reminders.
    void ScheduleExpiryChecks();
    void ArmDailyExpiryCheck();
    void ExpiryCheckWhenIdle(keytool::ExpiryCheck check);
    void OnIdle() override;
    void OnTimer(UINT_PTR id);
    void ShowExpiryReminder(keytool::ExpiryCheck check);

    // Keys.
    void RefreshKeyList();
    void Refresh();
    void OnDeviceChange(UINT eventType);
    void CheckKeyDevice();
    void ClearSslState();

    std::uint32_t m_dwSlotOfItem[256] = {};
    std::uint32_t m_dwCurSlot = 0;
    std::uint32_t m_nKeyCount = 0;
    keytool::DeviceChangeState m_deviceChange;
    BOOL m_bCanShow = FALSE;
    std::optional<keytool::ExpiryCheck> m_expiryCheckDue;
    NOTIFYICONDATAW m_nid{};
    CDlgChgPwd m_dlgChgPwd;
    CDlgDisp m_dlgDisp;
    CDlgChgLabel m_dlgChgLabel;
    HICON m_hIcon;
    fw::TabCtrl m_tab;
    fw::ComboBox m_cbKeys;
    KeyLibrary m_keys;
};
