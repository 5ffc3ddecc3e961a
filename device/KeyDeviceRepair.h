// Run when the key library sees no key at all: a key that is plugged in but
// failed to start has its device entries wiped so that Windows installs it
// afresh, and the user, in a box owned by `owner`, is asked to plug it in again.
#pragma once

#include <windows.h>

void CheckKeyDevice(HWND owner);
