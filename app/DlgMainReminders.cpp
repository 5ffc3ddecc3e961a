// The main window's certificate expiry reminders: a check after the start-up
// evaluation, after each insertion and once a day, each shown as a balloon.
// The first two wait for the window: shown, painted, and every message handled
// (the balloons posted by the evaluation among them), and read one key per idle turn.
#include <algorithm>

#include "app/DlgMain.h"
#include "app/ExpiryRemindersWin32.h"
#include "app/Messages.h"
#include "log/Log.h"

void CDlgMain::ScheduleExpiryChecks() {
    ExpiryCheckWhenIdle(keytool::ExpiryCheck::StartUp);
    ArmDailyExpiryCheck();
}

void CDlgMain::ExpiryCheckWhenIdle(keytool::ExpiryCheck check) {
    // An insertion's check reminds of more than the start-up's: it wins.
    m_expiryCheckDue = std::max(m_expiryCheckDue.value_or(check), check);
    RequestIdle();
}

void CDlgMain::OnIdle() {
    // A hidden window asks again when it is shown.
    if (!m_expiryCheckDue || !::IsWindowVisible(m_hWnd)) return;
    // A key a turn: the window answers between keys, however many are plugged in.
    if (ReadNextKeyForExpiryCheck()) {
        RequestIdle();
        return;
    }
    const keytool::ExpiryCheck check = *m_expiryCheckDue;
    m_expiryCheckDue.reset();
    ShowExpiryReminder(check);
}

void CDlgMain::ArmDailyExpiryCheck() {
    if (!::SetTimer(m_hWnd, kExpiryTimerId, MsUntilDailyCheck(), nullptr)) {
        LogLastError("SetTimer(daily expiry check)");
    }
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
