// The library's own modal password prompts (dialogs of KeyLib.rc, ids in PasswordPromptIds.h).
#pragma once

#include <windows.h>

#include <string>

#include "keylib/dll/logic/SecretText.h"

namespace keylib {

enum class PromptResult { Ok, Cancelled, Failed };

// The window that owns the prompts; one that no longer exists is not used.
void setPromptOwner(HWND owner);

// Asks for the user password of the key labelled label (8-16 bytes). Whatever the answer, the
// prompt's edits and buffers are wiped before it returns.
PromptResult askPassword(const std::string& label, SecretText& password);
// Asks for the initial password and a new one, typed twice, that differs from it.
PromptResult askNewPassword(const std::string& label, SecretText& current, SecretText& fresh);

}  // namespace keylib
