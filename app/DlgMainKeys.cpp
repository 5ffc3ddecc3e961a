// The main window's key list and its reaction to keys coming and going.
#include <windows.h>
// windows.h must come first.
#include <dbt.h>

#include <iterator>

#include "app/DlgMain.h"
#include "app/Messages.h"
#include "app/InstanceWindowsWin32.h"
#include "app/logic/MainWindowRules.h"
#include "device/KeyDeviceRepair.h"
#include "device/SecureChannelCache.h"
#include "device/logic/KeyEvents.h"
#include "device/logic/KeyEventsLog.h"
#include "device/logic/LaunchText.h"
#include "keylib/logic/KeyList.h"
#include "keylib/logic/SlotTable.h"
#include "keys/logic/KeyReads.h"
#include "log/Log.h"

static_assert(keytool::kDbtDeviceArrival == DBT_DEVICEARRIVAL);
static_assert(keytool::kDbtDeviceRemoveComplete == DBT_DEVICEREMOVECOMPLETE);
static_assert(keytool::kDbtDevNodesChanged == DBT_DEVNODES_CHANGED);

class CDlgMain::KeyEvents : public keytool::KeyEventTarget {
public:
    KeyEvents(CDlgMain& main, std::uint32_t eventType)
        : m_main(main),
          m_log{eventType, main.m_nKeyCount, 0, 0, false},
          m_deferred(main.m_deviceChange.evaluating && !keytool::IsIgnoredDeviceEvent(eventType)) {}
    ~KeyEvents() override {
        if (m_deferred) {
            LogLine("device change 0x%04X: came during another, evaluated after it",
                    unsigned{m_log.eventType});
        } else if (!m_log.listed) {
            LogLine("%s", keytool::DescribeKeyEvaluation(m_log).c_str());
        }
    }

    void QuickCount() override {
        m_main.m_keys.GetSlotList(nullptr, &g_nSlots);
        m_log.quickCount = g_nSlots;
    }
    void ReadSlotList() override {
        m_main.m_keys.GetSlotList(g_dwSlots, &g_nSlots);
        m_log.listedCount = g_nSlots;
        m_log.listed = true;
        LogLine("%s", keytool::DescribeKeyEvaluation(m_log).c_str());
    }
    void UnloadCerts() override { m_main.m_keys.UnloadCerts(); }
    void ChangeInitPassword(std::uint32_t slot) override { m_main.m_keys.ChangeInitPassword(slot); }
    std::uint32_t GetSlotStatus(std::uint32_t slot, std::uint32_t* status) override {
        return m_main.m_keys.GetSlotStatus(slot, status);
    }
    void LoadCerts(std::uint32_t slot) override { m_main.m_keys.LoadCerts(slot); }
    void EnableCertAndPasswordPages(bool enable) override {
        m_main.m_dlgDisp.EnableControls(enable);
        m_main.m_dlgChgPwd.EnableControls(enable);
    }
    void ClearCertPageSlot() override { m_main.m_dlgDisp.m_dwSlot = 0; }
    void ReAddTrayIcon() override { ::Shell_NotifyIconW(NIM_ADD, &m_main.m_nid); }
    void ShowPermitted() override { m_main.ShowMain(SW_SHOW, TRUE); }
    void AddTrayIcon(bool keysPresent) override { m_main.AddTrayIcon(keysPresent); }
    void NotifyInstances(std::uint32_t balloon) override { ::NotifyInstances(balloon); }
    void RefreshKeyList() override { m_main.RefreshKeyList(); }
    void Wait100ms() override { ::Sleep(100); }
    void OpenLaunchText(std::uint32_t firstSlot) override {
        char text[keytool::kLaunchTextSize];
        std::size_t length = 0;
        if (keytool::ReadLaunchText(m_main.m_keys, firstSlot, text, &length) && length > 0) {
            const std::wstring file = KeyLibrary::FromKeyText({text, length});
            LogShellOpen("launch text",
                         reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", file.c_str(),
                                                                   nullptr, nullptr, SW_SHOW)));
        }
    }
    void ClearSslState() override { m_main.ClearSslState(); }
    void PostReevaluation() override {
        ::PostMessageW(m_main.m_hWnd, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    }

private:
    CDlgMain& m_main;
    keytool::KeyEvaluation m_log;
    const bool m_deferred;
};

void CDlgMain::OnDeviceChange(UINT eventType) {
    // Each evaluation reads the keys afresh, once; a change noted during
    // another is evaluated after it.
    if (!m_deviceChange.evaluating && !keytool::IsIgnoredDeviceEvent(eventType)) {
        keytool::g_KeyReads.NewEvent();
    }
    KeyEvents events(*this, eventType);
    const std::uint32_t keysBefore = m_nKeyCount;
    keytool::HandleDeviceChange(eventType, m_nKeyCount, m_deviceChange, events);
    keytool::g_KeyReads.KeepOnly(g_dwSlots, g_nSlots);
    if (keytool::AfterDeviceChange(eventType, keysBefore, m_nKeyCount, g_dwSlots, g_nSlots,
                                   keytool::g_TriesLeft)) {
        ExpiryCheckWhenIdle(keytool::ExpiryCheck::Insertion);
    }
}

void CDlgMain::Refresh() {
    keytool::g_KeyReads.NewEvent();
    RefreshKeyList();
}

void CDlgMain::RefreshKeyList() {
    m_cbKeys.ResetContent();
    m_dwCurSlot = 0;
    m_keys.GetSlotList(g_dwSlots, &g_nSlots);
    if (g_nSlots == 0) CheckKeyDevice();

    const keytool::KeyList list = keytool::BuildKeyList(g_dwSlots, g_nSlots, m_keys);
    for (std::size_t i = 0; i < list.items.size() && i < std::size(m_dwSlotOfItem); ++i) {
        m_dwSlotOfItem[i] = list.items[i].slot;
        m_cbKeys.AddString(KeyLibrary::FromKeyText(list.items[i].label).c_str());
    }
    m_cbKeys.SetCurSel(0);

    m_dwCurSlot = list.currentSlot;
    m_dlgDisp.EnableControls(list.pagesEnabled);
    m_dlgChgPwd.EnableControls(list.pagesEnabled);
    m_dlgChgLabel.EnableControls(list.pagesEnabled);
    m_dlgChgPwd.m_dwSlot = m_dwCurSlot;
    m_dlgDisp.m_dwSlot = m_dwCurSlot;
    m_dlgChgLabel.m_dwSlot = m_dwCurSlot;
    ShowPages();
    m_dlgDisp.FillCertTree();
}

void CDlgMain::CheckKeyDevice() { ::CheckKeyDevice(m_hWnd); }

void CDlgMain::ClearSslState() { ClearSecureChannelCache(); }
