#include "pages/DlgChgLabel.h"

#include "keylib/KeyLib.h"
#include "log/Log.h"
#include "pages/PageMessageBox.h"
#include "res/resource.h"

const fw::RuntimeClass CDlgChgLabel::kRuntimeClass{"CDlgChgLabel", &CCspBaseDialog::kRuntimeClass};

CDlgChgLabel::CDlgChgLabel(HWND parent) : CCspBaseDialog(IDD_CHGLABEL, parent) {}

const fw::RuntimeClass* CDlgChgLabel::GetRuntimeClass() const { return &kRuntimeClass; }

const fw::MessageMap* CDlgChgLabel::GetMessageMap() const {
    static const fw::MessageMapEntry entries[] = {
        fw::OnCommand<&CDlgChgLabel::OnChangeLabel>(IDC_CHANGE_LABEL),
        fw::OnCommand<&CDlgChgLabel::OnLabelEdited>(IDC_LABEL, EN_CHANGE),
    };
    static const fw::MessageMap map(CCspBaseDialog::GetMessageMap(), entries);
    return &map;
}

void CDlgChgLabel::DoDataExchange() { BindControl(IDC_LABEL, m_editLabel); }

BOOL CDlgChgLabel::OnInitDialog() {
    CCspBaseDialog::OnInitDialog();
    m_editLabel.SetByteLimit(keytool::kMaxLabelBytes);
    return TRUE;
}

void CDlgChgLabel::EnableControls(BOOL enable) {
    m_editLabel.EnableWindow(enable);
    EnableDlgItem(IDC_CHANGE_LABEL, enable);
}

void CDlgChgLabel::OnLabelEdited() { m_editLabel.EnforceByteLimit(); }

void CDlgChgLabel::OnChangeLabel() {
    // Room for 16 bytes and the terminator, though the edit takes 15.
    char label[keytool::kMaxLabelBytes + 2] = {};
    ::GetWindowTextA(m_editLabel.m_hWnd, label, sizeof label);
    if (!keytool::LabelChangeApplies(m_dwSlot, label)) return;

    std::uint32_t status = 0;
    if (Stopped(keytool::AfterSlotStatus(
            LoggedKeyLib("CSP_GetSlotStatus", m_dwSlot, CSP_GetSlotStatus(m_dwSlot, &status)))))
        return;
    if (keytool::NeedsPasswordCheck(status)) {
        // No password given: the key library asks the user for it.
        LastTryBox lastTry(m_hWnd);
        std::uint32_t verified = 0;
        const auto verify = [&] {
            return LoggedKeyLib("CSP_VerifyPassword", m_dwSlot,
                                CSP_VerifyPassword(m_dwSlot, KEYLIB_PASSWORD_USER, nullptr));
        };
        if (!keytool::CheckUserPassword(m_dwSlot, keytool::g_TriesLeft, lastTry, verify,
                                        &verified) ||
            Stopped(keytool::AfterPasswordCheck(verified))) {
            return;
        }
    }
    if (Stopped(keytool::AfterLabelWrite(
            LoggedKeyLib("CSP_SetUsbKeyLabel", m_dwSlot, CSP_SetUsbKeyLabel(m_dwSlot, label)))))
        return;

    // The main window re-reads the labels as if its refresh button were pressed.
    ::PostMessageA(fw::Window::TopLevelOf(m_hWnd), WM_COMMAND, MAKEWPARAM(IDC_REFRESH, BN_CLICKED),
                   0);
}

bool CDlgChgLabel::Stopped(const keytool::LabelStep& step) const {
    if (step.proceed) return false;
    ShowPageMessage(m_hWnd, step.message);
    return true;
}
