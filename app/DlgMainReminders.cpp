// The main window's certificate expiry reminders: a check after the start-up
// evaluation, after each insertion and once a day, each shown as a balloon.
#include "app/DlgMain.h"
#include "app/ExpiryRemindersWin32.h"
#include "app/logic/TrayTexts.h"
#include "log/Log.h"

// The reminder texts are cut to fit the balloon's text field.
static_assert(keytool::kInfoSize == sizeof(NOTIFYICONDATAA::szInfo));

void CDlgMain::ScheduleExpiryChecks() {
    ::PostMessageA(m_hWnd, WM_KEYTOOL_EXPIRYCHECK, FALSE, 0);
    ArmDailyExpiryCheck();
}

void CDlgMain::ArmDailyExpiryCheck() {
    if (!::SetTimer(m_hWnd, kExpiryTimerId, MsUntilDailyCheck(), nullptr)) {
        LogLastError("SetTimer(daily expiry check)");
    }
}

LRESULT CDlgMain::OnExpiryCheck(WPARAM insertion, LPARAM) {
    ShowExpiryReminder(insertion ? keytool::ExpiryCheck::Insertion : keytool::ExpiryCheck::StartUp);
    return 0;
}

LRESULT CDlgMain::OnTimer(WPARAM id, LPARAM) {
    if (id != kExpiryTimerId) return Default();
    ArmDailyExpiryCheck();
    ShowExpiryReminder(keytool::ExpiryCheck::Daily);
    return 0;
}

void CDlgMain::ShowExpiryReminder(keytool::ExpiryCheck check) {
    const std::string text = RunExpiryCheck(check);
    if (!text.empty()) ShowBalloon(text.c_str());
}
