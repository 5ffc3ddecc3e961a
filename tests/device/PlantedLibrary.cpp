// A stand-in for a system library, planted under a system library's name where
// the program must not look for it: when loaded, it writes where it was loaded
// from to the file named by KEYTOOL_PLANTED_LOG.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char log[MAX_PATH] = {};
    char line[MAX_PATH + 1] = {};
    const DWORD logLength = GetEnvironmentVariableA("KEYTOOL_PLANTED_LOG", log, sizeof log);
    DWORD length = GetModuleFileNameA(module, line, MAX_PATH);
    if (logLength == 0 || logLength >= sizeof log) return TRUE;
    line[length++] = '\n';
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    WriteFile(file, line, length, &length, nullptr);
    CloseHandle(file);
    return TRUE;
}
