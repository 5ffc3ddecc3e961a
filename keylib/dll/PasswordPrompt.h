// The library's own modal password prompts (dialogs of KeyLib.rc, ids in PasswordPromptIds.h).
#pragma once

#include <windows.h>

#include <string>

namespace keylib {

enum class PromptResult { Ok, Cancelled, Failed };

// The window that owns the prompts; one that no longer exists is not used.
void setPromptOwner(HWND owner);

// Asks for the user password of the key labelled label (8-16 bytes).
PromptResult askPassword(const std::string& label, std::string& password);
// Asks for the initial password and a new one, typed twice, that differs from it.
PromptResult askNewPassword(const std::string& label, std::string& current, std::string& fresh);

}  // namespace keylib
