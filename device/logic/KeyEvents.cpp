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

void EvaluateKeyCount(std::uint32_t eventType, std::uint32_t& keyCount, KeyEventTarget& target) {
    // Arrival and removal notices come with the device-tree change that follows them.
    if (eventType == kDbtDeviceArrival || eventType == kDbtDeviceRemoveComplete) return;

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

}  // namespace keytool
