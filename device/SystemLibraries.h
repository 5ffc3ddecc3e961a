// Where the program may load libraries from: a library planted in the current
// or the program's folder must never run inside the tool.
#pragma once

#include <windows.h>

// Drops the current folder and PATH from every later load by bare name; the
// program's folder stays, for the key library and what it loads beside itself.
void RestrictDllSearch();

// Loads a system library from the system folder only; nullptr when it is not there.
HMODULE LoadSystemLibrary(const char* name);
