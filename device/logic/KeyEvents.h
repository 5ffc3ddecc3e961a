// What happens when the number of plugged-in keys changes: the evaluation run
// on every device-change broadcast (and once at start-up with event type 0).
#pragma once

#include <cstdint>

namespace keytool {

constexpr std::uint32_t kDbtDeviceArrival = 0x8000;
constexpr std::uint32_t kDbtDeviceRemoveComplete = 0x8004;
constexpr std::uint32_t kDbtDevNodesChanged = 0x0007;

constexpr std::uint32_t kBalloonKeyInserted = 10;
constexpr std::uint32_t kBalloonKeyRemoved = 11;
constexpr std::uint32_t kBalloonCertsRegistered = 19;

// The key library's side of registering the keys' certificates in the user's store.
class CertRegistrar {
public:
    virtual ~CertRegistrar() = default;
    virtual void UnloadCerts() = 0;
    virtual void ChangeInitPassword(std::uint32_t slot) = 0;
    virtual std::uint32_t GetSlotStatus(std::uint32_t slot, std::uint32_t* status) = 0;
    virtual void LoadCerts(std::uint32_t slot) = 0;
};

// Per listed key in order: the initial-password change, then its certificates
// loaded when the key's status allows it. At most kMaxSlots keys.
void LoadKeyCerts(CertRegistrar& keys, const std::uint32_t* slots, std::uint32_t count);

// Everything the evaluation touches: the key library, the main window, the shell.
class KeyEventTarget : public CertRegistrar {
public:
    // Key library.
    virtual void QuickCount() = 0;    // count only, into g_nSlots
    virtual void ReadSlotList() = 0;  // g_dwSlots and g_nSlots
    // Main window.
    virtual void EnableCertAndPasswordPages(bool enable) = 0;
    virtual void ClearCertPageSlot() = 0;
    virtual void ReAddTrayIcon() = 0;
    virtual void ShowPermitted() = 0;
    virtual void AddTrayIcon(bool keysPresent) = 0;
    virtual void NotifyInstances(std::uint32_t balloon) = 0;
    virtual void RefreshKeyList() = 0;
    // Platform.
    virtual void Wait100ms() = 0;
    virtual void OpenLaunchText(std::uint32_t firstSlot) = 0;
    virtual void ClearSslState() = 0;
    // Queues a device-tree change to the main window itself, evaluated once
    // the current message has been handled.
    virtual void PostReevaluation() = 0;
};

// Whether an evaluation is running, and whether a change came in meanwhile.
struct DeviceChangeState {
    bool evaluating = false;
    bool pending = false;
};

// Arrival and removal notices: the device-tree change that follows each is evaluated instead.
bool IsIgnoredDeviceEvent(std::uint32_t eventType);

// Runs one evaluation; keyCount is the main window's count from the last one.
void EvaluateKeyCount(std::uint32_t eventType, std::uint32_t& keyCount, KeyEventTarget& target);

// Evaluates a device change, never inside another one. The library's prompts
// and the boxes an evaluation shows keep dispatching messages, so further
// changes arrive while it runs: they are only remembered, and however many came,
// one evaluation is posted for after the running one.
void HandleDeviceChange(std::uint32_t eventType, std::uint32_t& keyCount, DeviceChangeState& state,
                        KeyEventTarget& target);

}  // namespace keytool
