// Exports about the plugged-in keys themselves: listing, status, label, identity.
#include "keylib/KeyLib.h"
#include "keylib/dll/KeyAccess.h"
#include "keylib/dll/PasswordPrompt.h"
#include "keylib/dll/VerifiedSlots.h"
#include "keylib/dll/logic/KeyEdit.h"
#include "keylib/dll/logic/TextRules.h"

using namespace keylib;

namespace {

// FNV-1a of a fixed text: the same value in every build, call and process.
constexpr uint32_t fnv1a(const char* text, uint32_t hash = 2166136261u) {
    return *text == '\0' ? hash : fnv1a(text + 1, (hash ^ static_cast<uint8_t>(*text)) * 16777619u);
}
constexpr uint32_t kInstanceTag = fnv1a("Qelmora UsbKey instance tag");

}  // namespace

extern "C" {

uint32_t KEYLIB_API CSP_GetSlotList(uint32_t* slots, uint32_t* count) {
    if (count == nullptr) return KEYLIB_E_BAD_ARGUMENT;
    KeyStore store;
    PluggedSet set;
    uint32_t status = store.open();
    if (status == KEYLIB_OK) status = store.readPlugged(set);
    if (status == KEYLIB_E_BUSY) return status;  // the caller keeps the keys it knew
    if (status != KEYLIB_OK) {
        *count = 0;
        return status;
    }
    if (slots != nullptr) {
        for (size_t i = 0; i < set.keys.size() && i < KEYLIB_MAX_SLOTS; ++i) {
            slots[i] = set.keys[i].slot;
        }
    }
    *count = static_cast<uint32_t>(set.keys.size());
    return KEYLIB_OK;
}

uint32_t KEYLIB_API CSP_GetSlotStatus(uint32_t slot, uint32_t* status) {
    if (status == nullptr) return KEYLIB_E_BAD_ARGUMENT;
    return withKey(slot, [&](OpenKey& key) {
        *status = key.record.status;
        return KEYLIB_OK;
    });
}

uint32_t KEYLIB_API CSP_GetUsbKeyLabel(uint32_t slot, char* label) {
    if (label == nullptr) return KEYLIB_E_BAD_ARGUMENT;
    return withKey(
        slot, [&](OpenKey& key) { return copyText(key.record.label, KEYLIB_LABEL_BUF, label); });
}

uint32_t KEYLIB_API CSP_SetUsbKeyLabel(uint32_t slot, const char* label) {
    if (label == nullptr) return KEYLIB_E_BAD_ARGUMENT;
    // Bounded scan: the label may come without a terminator within reach.
    std::string text;
    for (size_t i = 0; i <= kMaxLabel && label[i] != '\0'; ++i) text += label[i];
    if (!isValidLabel(text)) return KEYLIB_E_BAD_ARGUMENT;
    return withKey(slot, [&](OpenKey& key) {
        if (key.record.status != KEYLIB_STATUS_NO_LABEL_CHECK && !isVerified(key.plugging)) {
            return KEYLIB_SW_NOT_VERIFIED;
        }
        key.record.label = text;
        return key.save();
    });
}

uint32_t KEYLIB_API CSP_GetInstanceTag(uint32_t, uint32_t) { return kInstanceTag; }

uint32_t KEYLIB_API CSP_SetMainWindow(void* mainWindow) {
    setPromptOwner(static_cast<HWND>(mainWindow));
    return KEYLIB_OK;
}

}  // extern "C"
