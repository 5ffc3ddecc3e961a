// The password policy of the password page and the page's reaction to each
// refusal and to each answer of the key library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pages/logic/PageMessages.h"

namespace keytool {

constexpr std::size_t kMinPasswordBytes = 8;
constexpr std::size_t kMaxPasswordBytes = 16;

// The page's three edits, as bits.
enum PasswordEdit : unsigned {
    kOldEdit = 1u,
    kNewEdit = 2u,
    kRepeatEdit = 4u,
};
constexpr unsigned kAllEdits = kOldEdit | kNewEdit | kRepeatEdit;

// Digit runs too easy to guess: every 8 to 16 consecutive characters of it
// are refused as a new password.
extern const std::string_view kSimplePasswords;

// True when the password occurs in kSimplePasswords, compared byte for byte.
bool IsSimplePassword(std::string_view password);

struct PasswordVerdict {
    PageMessage message;  // kind None: nothing to show
    unsigned clear = 0;   // edits to empty
    unsigned focus = 0;   // the edit to focus; 0 leaves the focus alone
};

// A typed password holds a character that the system's code page, in which the
// key library and its own prompt take passwords, cannot hold.
PasswordVerdict UnencodablePassword(PasswordEdit edit);

// The policy checks in their order; a verdict of kind None lets the
// passwords go to the key library.
PasswordVerdict CheckPasswords(std::string_view oldPassword, std::string_view newPassword,
                               std::string_view repeatPassword);

// What the page shows and clears after the key library answered a change.
PasswordVerdict ChangeResultVerdict(std::uint32_t result);

}  // namespace keytool
