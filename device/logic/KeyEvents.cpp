#include "device/logic/KeyEvents.h"

#include <algorithm>

#include "keylib/logic/SlotTable.h"

namespace keytool {

void LoadKeyCerts(CertRegistrar& keys, const std::uint32_t* slots, std::uint32_t count) {
    const std::uint32_t listed = std::min(count, kMaxSlots);
    for (std::uint32_t i = 0; i < listed; ++i) {
        keys.ChangeInitPassword(slots[i]);
        std::uint32_t status = 0;
        if (keys.GetSlotStatus(slots[i], &status) == 0 && status > 1) keys.LoadCerts(slots[i]);
    }
}

bool IsIgnoredDeviceEvent(std::uint32_t eventType) {
    return eventType == kDbtDeviceArrival || eventType == kDbtDeviceRemoveComplete;
}

void EvaluateKeyCount(std::uint32_t eventType, std::uint32_t& keyCount, KeyEventTarget& target) {
    if (IsIgnoredDeviceEvent(eventType)) return;

    target.QuickCount();
    if (g_nSlots > 0) {
        target.EnableCertAndPasswordPages(true);
        target.ReAddTrayIcon();
        if (g_nSlots != keyCount) target.ShowPermitted();
    } else {
        target.EnableCertAndPasswordPages(false);
        target.ClearCertPageSlot();
    }
    if (g_nSlots == keyCount) return;

    target.Wait100ms();
    target.ReadSlotList();
    const bool inserted = keyCount < g_nSlots;
    target.AddTrayIcon(g_nSlots > 0);
    if (eventType != 0) {
        target.NotifyInstances(inserted ? kBalloonKeyInserted : kBalloonKeyRemoved);
    }
    keyCount = g_nSlots;

    if (inserted) {
        target.OpenLaunchText(g_dwSlots[0]);
    } else {
        target.ClearSslState();
    }
    target.UnloadCerts();
    if (g_nSlots > 0) {
        LoadKeyCerts(target, g_dwSlots, g_nSlots);
        target.NotifyInstances(kBalloonCertsRegistered);
    }
    target.RefreshKeyList();
}

void HandleDeviceChange(std::uint32_t eventType, std::uint32_t& keyCount, DeviceChangeState& state,
                        KeyEventTarget& target) {
    if (IsIgnoredDeviceEvent(eventType)) return;
    if (state.evaluating) {
        state.pending = true;
        return;
    }
    state.evaluating = true;
    EvaluateKeyCount(eventType, keyCount, target);
    state.evaluating = false;
    if (state.pending) {
        state.pending = false;
        target.PostReevaluation();
    }
}

}  // namespace keytool
