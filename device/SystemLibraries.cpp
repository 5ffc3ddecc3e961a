#include "device/SystemLibraries.h"

void RestrictDllSearch() {
    // Looked up rather than imported: a Windows 7 without the update that
    // brought it must still start.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault) {
        setDefault(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    } else {
        ::SetDllDirectoryA("");
    }
}

HMODULE LoadSystemLibrary(const char* name) {
    return ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}
