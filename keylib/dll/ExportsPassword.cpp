// Exports about the user password: verification (with or without the library's prompt),
// changes, and the reset of the verified state.
#include "keylib/KeyLib.h"
#include "keylib/dll/KeyAccess.h"
#include "keylib/dll/PasswordHash.h"
#include "keylib/dll/PasswordPrompt.h"
#include "keylib/dll/VerifiedSlots.h"
#include "keylib/dll/logic/TextRules.h"
#include "keylib/dll/logic/TryCounter.h"

using namespace keylib;

namespace {

// Reads at most one byte past the longest password, so an unterminated or overlong text is
// refused without reading further.
bool readPassword(const char* text, std::string& password) {
    if (text == nullptr) return false;
    password.clear();
    for (size_t i = 0; i <= kMaxPassword && text[i] != '\0'; ++i) password += text[i];
    return isValidPasswordLength(password.size());
}

// One try of the user password against the key, charged to the key file before the
// comparison; a key whose file cannot be written is not compared at all.
uint32_t tryPassword(OpenKey& key, const std::string& password) {
    const uint32_t locked = lockedStatus(key.record);
    if (locked != 0) return locked;
    chargeTry(key.record);
    const uint32_t charged = key.save();
    if (charged != KEYLIB_OK) return charged;
    bool matches = false;
    const uint32_t checked = checkPassword(key.record, password, matches);
    if (checked != KEYLIB_OK) return checked;
    const uint32_t result = settleTry(key.record, matches);
    if (matches) {
        // A refund that fails costs the user one try, never the check its result.
        key.save();
        markVerified(key.slot);
    } else {
        forgetVerified(key.slot);
    }
    return result;
}

// KEYLIB_OK when the user answered the prompt, else what the export answers instead.
uint32_t promptStatus(PromptResult result) {
    switch (result) {
        case PromptResult::Ok:
            return KEYLIB_OK;
        case PromptResult::Cancelled:
            return KEYLIB_CANCELLED;
        case PromptResult::Failed:
            break;
    }
    return KEYLIB_E_SYSTEM;
}

uint32_t verifyText(uint32_t slot, const std::string& password) {
    return withKey(slot, [&](OpenKey& key) { return tryPassword(key, password); });
}

// The prompt runs without the store's lock, so other processes keep working while the user
// types; the key is looked up afresh afterwards and may have gone meanwhile.
uint32_t verifyWithPrompt(uint32_t slot) {
    std::string label;
    const uint32_t status = withKey(slot, [&](OpenKey& key) {
        label = key.record.label;
        return lockedStatus(key.record);
    });
    if (status != KEYLIB_OK) return status;
    std::string password;
    const uint32_t asked = promptStatus(askPassword(label, password));
    if (asked != KEYLIB_OK) return asked;
    const uint32_t result = verifyText(slot, password);
    SecureZeroMemory(&password[0], password.size());
    return result;
}

}  // namespace

extern "C" {

uint32_t KEYLIB_API CSP_VerifyPassword(uint32_t slot, uint32_t kind, const char* password) {
    if (kind != KEYLIB_PASSWORD_USER) return KEYLIB_E_BAD_ARGUMENT;
    if (password == nullptr) return verifyWithPrompt(slot);
    std::string text;
    if (!readPassword(password, text)) return KEYLIB_E_BAD_ARGUMENT;
    return verifyText(slot, text);
}

uint32_t KEYLIB_API CSP_ChangePassword(uint32_t slot, uint32_t kind, const char* oldPassword,
                                       const char* newPassword) {
    std::string oldText, newText;
    if (kind != KEYLIB_PASSWORD_USER || !readPassword(oldPassword, oldText) ||
        !readPassword(newPassword, newText)) {
        return KEYLIB_E_BAD_ARGUMENT;
    }
    return withKey(slot, [&](OpenKey& key) {
        const uint32_t tried = tryPassword(key, oldText);
        if (tried != KEYLIB_OK) return tried;
        const uint32_t set = setPassword(key.record, newText);
        if (set != KEYLIB_OK) return set;
        key.record.initialPassword = false;
        return key.save();
    });
}

uint32_t KEYLIB_API CSP_ChangeInitPassword(uint32_t slot) {
    std::string label;
    bool initial = false;
    uint32_t status = withKey(slot, [&](OpenKey& key) {
        label = key.record.label;
        initial = key.record.initialPassword;
        return initial ? lockedStatus(key.record) : KEYLIB_OK;
    });
    if (status != KEYLIB_OK || !initial) return status;

    std::string current, fresh;
    const uint32_t asked = promptStatus(askNewPassword(label, current, fresh));
    if (asked != KEYLIB_OK) return asked;
    status = withKey(slot, [&](OpenKey& key) {
        if (!key.record.initialPassword) return KEYLIB_OK;  // changed meanwhile elsewhere
        const uint32_t tried = tryPassword(key, current);
        if (tried != KEYLIB_OK) return tried;
        const uint32_t set = setPassword(key.record, fresh);
        if (set != KEYLIB_OK) return set;
        key.record.initialPassword = false;
        return key.save();
    });
    SecureZeroMemory(&current[0], current.size());
    SecureZeroMemory(&fresh[0], fresh.size());
    return status;
}

uint32_t KEYLIB_API CSP_Reset(uint32_t slot) {
    forgetVerified(slot);
    return withKey(slot, [](OpenKey&) { return KEYLIB_OK; });
}

}  // extern "C"
