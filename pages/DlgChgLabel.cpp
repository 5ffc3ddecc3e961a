#include "pages/DlgChgLabel.h"

#include "keylib/KeyLib.h"
#include "framework/Text.h"
#include "keys/KeyLibrary.h"
#include "pages/PageMessageBox.h"
#include "res/resource.h"

const fw::RuntimeClass CDlgChgLabel::kRuntimeClass{"CDlgChgLabel", &CCspBaseDialog::kRuntimeClass};

CDlgChgLabel::CDlgChgLabel(HWND parent) : CCspBaseDialog(IDD_CHGLABEL, parent) {}

const fw::RuntimeClass* CDlgChgLabel::GetRuntimeClass() const { return &kRuntimeClass; }

const fw::MessageMap* CDlgChgLabel::GetMessageMap() const {
    static const fw::MessageMapEntry entries[] = {
        fw::OnCommand<&CDlgChgLabel::OnChangeLabel>(IDC_CHANGE_LABEL),
    };
    static const fw::MessageMap map(CCspBaseDialog::GetMessageMap(), entries);
    return &map;
}

void CDlgChgLabel::DoDataExchange() { BindControl(IDC_LABEL, m_editLabel); }

BOOL CDlgChgLabel::OnInitDialog() {
    CCspBaseDialog::OnInitDialog();
    m_editLabel.SetByteLimit(keytool::kMaxLabelBytes, fw::kGbkCodePage);
    return TRUE;
}

void CDlgChgLabel::EnableControls(BOOL enable) {
    m_editLabel.EnableWindow(enable);
    EnableDlgItem(IDC_CHANGE_LABEL, enable);
}

int CDlgChgLabel::EnterButton(int focusId) const {
    return focusId == IDC_LABEL ? IDC_CHANGE_LABEL : 0;
}

void CDlgChgLabel::OnChangeLabel() {
    const std::wstring typed = m_editLabel.GetWindowText();
    std::string label;
    const bool storable = KeyLibrary::ToKeyText(typed, &label);
    // A label that cannot be stored is a label given all the same.
    if (!keytool::LabelChangeApplies(m_dwSlot, storable ? std::string_view(label) : "?")) return;
    // Nothing the key library could not store reaches it.
    if (Stopped(keytool::AfterLabelConversion(storable))) return;

    KeyLibrary keys;
    std::uint32_t status = 0;
    if (Stopped(keytool::AfterSlotStatus(keys.GetSlotStatus(m_dwSlot, &status)))) return;
    if (keytool::NeedsPasswordCheck(status)) {
        // No password given: the key library asks the user for it.
        LastTryBox lastTry(m_hWnd);
        std::uint32_t verified = 0;
        const auto verify = [&] {
            return keys.VerifyPassword(m_dwSlot, KEYLIB_PASSWORD_USER, nullptr);
        };
        if (!keytool::CheckUserPassword(m_dwSlot, keytool::g_TriesLeft, lastTry, verify,
                                        &verified) ||
            Stopped(keytool::AfterPasswordCheck(verified))) {
            return;
        }
    }
    if (Stopped(keytool::AfterLabelWrite(keys.SetLabel(m_dwSlot, label.c_str())))) return;

    // The main window re-reads the labels as if its refresh button were pressed.
    ::PostMessageW(fw::Window::TopLevelOf(m_hWnd), WM_COMMAND, MAKEWPARAM(IDC_REFRESH, BN_CLICKED),
                   0);
}

bool CDlgChgLabel::Stopped(const keytool::LabelStep& step) const {
    if (step.proceed) return false;
    ShowPageMessage(m_hWnd, step.message);
    return true;
}
