// Part of the test key libraries: as the program loads them, they point its
// shell imports (notification-area icon, "open" requests) at recorders that
// write each call to the file named by KEYTOOL_PLATFORM_LOG. Icon calls go on
// to the shell; "open" requests are only recorded, so tests start no browser
// or viewer. The loader has bound the program's imports before any DllMain runs.
#include <windows.h>
// windows.h must come first.
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using ShellNotifyIconFn = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);
ShellNotifyIconFn g_realNotifyIcon = nullptr;

void Log(const std::string& line) {
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("KEYTOOL_PLATFORM_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// Fields are bounded here: a broken record must show up in the log, not crash.
std::string Field(const char* text, size_t size) {
    const void* end = std::memchr(text, '\0', size);
    return std::string(text, end ? static_cast<const char*>(end) - text : size);
}

BOOL WINAPI RecordNotifyIcon(DWORD message, PNOTIFYICONDATAA data) {
    const char* names[] = {"ADD", "MODIFY", "DELETE", "SETFOCUS", "SETVERSION"};
    char head[160];
    std::snprintf(head, sizeof head, "Shell_NotifyIconA(%s,size=%lu,id=%u,flags=0x%X,state=%lu,timeout=%u",
                  message < 5 ? names[message] : "?", data ? data->cbSize : 0,
                  data ? data->uID : 0, data ? data->uFlags : 0, data ? data->dwState : 0,
                  data ? data->uTimeout : 0);
    std::string line = head;
    if (data) {
        line += ",tip=" + Field(data->szTip, sizeof data->szTip);
        line += ",info=" + Field(data->szInfo, sizeof data->szInfo);
        line += ",title=" + Field(data->szInfoTitle, sizeof data->szInfoTitle);
    }
    Log(line + ")");
    return g_realNotifyIcon ? g_realNotifyIcon(message, data) : FALSE;
}

HINSTANCE WINAPI RecordShellExecute(HWND, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR,
                                    INT show) {
    Log(std::string("ShellExecuteA(") + (verb ? verb : "null") + "," + (file ? file : "null") +
        "," + (parameters ? parameters : "null") + "," + std::to_string(show) + ")");
    return reinterpret_cast<HINSTANCE>(42);  // above 32: success
}

// Points the program's import of module!name at the hook.
void Patch(HMODULE program, const char* module, const char* name, void* hook, void** real) {
    auto* base = reinterpret_cast<BYTE*>(program);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return;
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         import->Name; ++import) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + import->Name), module) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            if (real) *real = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(hook);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
        }
    }
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        HMODULE program = GetModuleHandleA(nullptr);
        Patch(program, "shell32.dll", "Shell_NotifyIconA", reinterpret_cast<void*>(&RecordNotifyIcon),
              reinterpret_cast<void**>(&g_realNotifyIcon));
        Patch(program, "shell32.dll", "ShellExecuteA", reinterpret_cast<void*>(&RecordShellExecute),
              nullptr);
    }
    return TRUE;
}
