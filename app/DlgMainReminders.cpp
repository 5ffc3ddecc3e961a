// The main window's certificate expiry reminders: a check after the start-up
// evaluation, after each insertion and once a day, each shown as a balloon.
#include "app/DlgMain.h"
#include "app/ExpiryRemindersWin32.h"
#include "app/Messages.h"
#include "log/Log.h"

void CDlgMain::ScheduleExpiryChecks() {
    ::PostMessageW(m_hWnd, WM_KEYTOOL_EXPIRYCHECK, FALSE, 0);
    ArmDailyExpiryCheck();
}

void CDlgMain::ArmDailyExpiryCheck() {
    if (!::SetTimer(m_hWnd, kExpiryTimerId, MsUntilDailyCheck(), nullptr)) {
        LogLastError("SetTimer(daily expiry check)");
    }
}

LRESULT CDlgMain::OnExpiryCheck(UINT insertion) {
    ShowExpiryReminder(insertion ? keytool::ExpiryCheck::Insertion : keytool::ExpiryCheck::StartUp);
    return 0;
}

void CDlgMain::OnTimer(UINT_PTR id) {
    if (id != kExpiryTimerId) {
        Default();
        return;
    }
    ArmDailyExpiryCheck();
    ShowExpiryReminder(keytool::ExpiryCheck::Daily);
}

void CDlgMain::ShowExpiryReminder(keytool::ExpiryCheck check) {
    const std::string text = RunExpiryCheck(check);
    if (!text.empty()) ShowBalloon(text.c_str());
}
