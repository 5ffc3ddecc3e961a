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
bool readPassword(const char* text, SecretText& password) {
    if (text == nullptr) return false;
    password.assign(text, kMaxPassword + 1);
    return isValidPasswordLength(password.size());
}

struct PasswordTry {
    const SecretText& password;
    const SecretText* newPassword = nullptr;  // stored on a match, ending the initial password
    bool initialOnly = false;                 // nothing to do once the initial flag is gone
};

// One try of the user password against the key at the slot. The try is charged to the key file
// before the comparison, so that cutting the work short never yields a free guess; a key whose
// file cannot be written is not compared at all. The comparison (the slow part) runs without
// the store's lock; a match is settled on the same plugging, and only while the key's password
// is still the one compared.
uint32_t tryPassword(uint32_t slot, const PasswordTry& attempt) {
    PluggedKey plugging;
    PasswordHash compared;
    uint32_t wrong = 0;
    bool nothingToDo = false;
    const uint32_t charged = withKey(slot, [&](OpenKey& key) {
        nothingToDo = attempt.initialOnly && !key.record.initialPassword;
        if (nothingToDo) return KEYLIB_OK;
        const uint32_t locked = lockedStatus(key.record);
        if (locked != 0) return locked;
        chargeTry(key.record);
        wrong = settleTry(key.record, false);
        plugging = key.plugging;
        compared = key.record.password;
        return key.save();
    });
    if (charged != KEYLIB_OK || nothingToDo) return charged;

    bool matches = false;
    uint32_t status = checkPassword(compared, attempt.password, matches);
    if (status != KEYLIB_OK) return status;
    if (!matches) {
        forgetVerified(slot);
        return wrong;
    }
    PasswordHash replacement;
    if (attempt.newPassword != nullptr) {
        status = hashPassword(*attempt.newPassword, replacement);
        if (status != KEYLIB_OK) return status;
    }
    return withKey(slot, [&](OpenKey& key) {
        if (!(key.plugging == plugging)) return KEYLIB_E_BAD_SLOT;
        if (!sameHash(key.record.password, compared)) return settleTry(key.record, false);
        settleTry(key.record, true);
        markVerified(key.plugging);
        if (attempt.newPassword == nullptr) {
            // A refund that fails costs the user one try, never the check its result.
            key.save();
            return KEYLIB_OK;
        }
        key.record.password = replacement;
        key.record.initialPassword = false;
        return key.save();
    });
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

// The prompt runs without the store's lock, so other processes keep working while the user
// types; the key is looked up afresh afterwards and may have gone meanwhile.
uint32_t verifyWithPrompt(uint32_t slot) {
    std::string label;
    const uint32_t status = withKey(slot, [&](OpenKey& key) {
        label = key.record.label;
        return lockedStatus(key.record);
    });
    if (status != KEYLIB_OK) return status;
    SecretText password;
    const uint32_t asked = promptStatus(askPassword(label, password));
    if (asked != KEYLIB_OK) return asked;
    return tryPassword(slot, PasswordTry{password});
}

}  // namespace

extern "C" {

uint32_t KEYLIB_API CSP_VerifyPassword(uint32_t slot, uint32_t kind, const char* password) {
    if (kind != KEYLIB_PASSWORD_USER) return KEYLIB_E_BAD_ARGUMENT;
    if (password == nullptr) return verifyWithPrompt(slot);
    SecretText text;
    if (!readPassword(password, text)) return KEYLIB_E_BAD_ARGUMENT;
    return tryPassword(slot, PasswordTry{text});
}

uint32_t KEYLIB_API CSP_ChangePassword(uint32_t slot, uint32_t kind, const char* oldPassword,
                                       const char* newPassword) {
    SecretText oldText, newText;
    if (kind != KEYLIB_PASSWORD_USER || !readPassword(oldPassword, oldText) ||
        !readPassword(newPassword, newText)) {
        return KEYLIB_E_BAD_ARGUMENT;
    }
    return tryPassword(slot, PasswordTry{oldText, &newText});
}

uint32_t KEYLIB_API CSP_ChangeInitPassword(uint32_t slot) {
    std::string label;
    bool initial = false;
    const uint32_t status = withKey(slot, [&](OpenKey& key) {
        label = key.record.label;
        initial = key.record.initialPassword;
        return initial ? lockedStatus(key.record) : KEYLIB_OK;
    });
    if (status != KEYLIB_OK || !initial) return status;

    SecretText current, fresh;
    const uint32_t asked = promptStatus(askNewPassword(label, current, fresh));
    if (asked != KEYLIB_OK) return asked;
    // The flag may have gone meanwhile, changed elsewhere.
    return tryPassword(slot, PasswordTry{current, &fresh, true});
}

uint32_t KEYLIB_API CSP_Reset(uint32_t slot) {
    forgetVerified(slot);
    return withKey(slot, [](OpenKey&) { return KEYLIB_OK; });
}

}  // extern "C"
