// Part of the test key libraries: as the program loads them, they point some of
// its platform imports at recorders that write each call to the file named by
// KEYTOOL_PLATFORM_LOG: the notification-area icon, "open" requests, the class
// cursor, the tray menu, keys and commands it posts, and the secure-channel
// cache functions it looks up at run time. Calls go on to the platform, except "open" requests,
// which are only recorded so tests start no browser or viewer. The loader has bound the program's
// imports before any DllMain runs.
#include <windows.h>
// windows.h must come first.
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using ShellNotifyIconFn = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);
using SetClassLongFn = DWORD(WINAPI*)(HWND, int, LONG);
using TrackPopupMenuFn = BOOL(WINAPI*)(HMENU, UINT, int, int, int, HWND, const RECT*);
using PostMessageFn = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
using LoadLibraryFn = HMODULE(WINAPI*)(LPCSTR);
using GetProcAddressFn = FARPROC(WINAPI*)(HMODULE, LPCSTR);
using FreeLibraryFn = BOOL(WINAPI*)(HMODULE);
using SslEmptyCacheFn = BOOL(WINAPI*)(LPWSTR, DWORD);
using IncrementHeaderFn = BOOL(WINAPI*)(DWORD, LPDWORD);

ShellNotifyIconFn g_realNotifyIcon = nullptr;
SetClassLongFn g_realSetClassLong = nullptr;
TrackPopupMenuFn g_realTrackPopupMenu = nullptr;
PostMessageFn g_realPostMessage = nullptr;
LoadLibraryFn g_realLoadLibrary = nullptr;
GetProcAddressFn g_realGetProcAddress = nullptr;
FreeLibraryFn g_realFreeLibrary = nullptr;
SslEmptyCacheFn g_realSslEmptyCache = nullptr;
IncrementHeaderFn g_realIncrementHeader = nullptr;
HMODULE g_schannel = nullptr;
HMODULE g_wininet = nullptr;

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
    std::snprintf(head, sizeof head,
                  "Shell_NotifyIconA(%s,size=%lu,id=%u,flags=0x%X,state=%lu,timeout=%u",
                  message < 5 ? names[message] : "?", data ? data->cbSize : 0, data ? data->uID : 0,
                  data ? data->uFlags : 0, data ? data->dwState : 0, data ? data->uTimeout : 0);
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

const char* CursorName(LONG cursor) {
    if (cursor == reinterpret_cast<LONG>(LoadCursorA(nullptr, IDC_HAND))) return "hand";
    if (cursor == reinterpret_cast<LONG>(LoadCursorA(nullptr, IDC_ARROW))) return "arrow";
    return "other";
}

DWORD WINAPI RecordSetClassLong(HWND hwnd, int index, LONG value) {
    char className[32] = {};
    GetClassNameA(hwnd, className, sizeof className);
    Log(std::string("SetClassLongA(") + className + "," + std::to_string(index) + "," +
        (index == GCL_HCURSOR ? CursorName(value) : std::to_string(value).c_str()) + ")");
    return g_realSetClassLong(hwnd, index, value);
}

BOOL WINAPI RecordTrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                                 const RECT* rect) {
    POINT cursor{};
    GetCursorPos(&cursor);
    char line[128];
    std::snprintf(line, sizeof line, "TrackPopupMenu(flags=0x%X,items=%d,%s)", flags,
                  GetMenuItemCount(menu),
                  x == cursor.x && y == cursor.y ? "at cursor" : "elsewhere");
    Log(line);
    return g_realTrackPopupMenu(menu, flags, x, y, reserved, owner, rect);
}

// Messages the program posts to its own windows: forwarded keys and commands.
BOOL WINAPI RecordPostMessage(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    const char* name = message == WM_KEYDOWN   ? "WM_KEYDOWN"
                       : message == WM_KEYUP   ? "WM_KEYUP"
                       : message == WM_COMMAND ? "WM_COMMAND"
                                               : nullptr;
    if (name) {
        char line[128];
        std::snprintf(line, sizeof line, "PostMessageA(%s,%s,0x%X,0x%lX)",
                      GetParent(hwnd) ? "child" : "top-level", name, static_cast<unsigned>(wp),
                      static_cast<unsigned long>(lp));
        Log(line);
    }
    return g_realPostMessage(hwnd, message, wp, lp);
}

BOOL WINAPI RecordSslEmptyCache(LPWSTR target, DWORD flags) {
    Log(std::string("SslEmptyCacheW(") + (target ? "target" : "null") + "," +
        std::to_string(flags) + ")");
    return g_realSslEmptyCache(target, flags);
}

BOOL WINAPI RecordIncrementHeader(DWORD item, LPDWORD value) {
    Log("IncrementUrlCacheHeaderData(" + std::to_string(item) + ")");
    return g_realIncrementHeader(item, value);
}

HMODULE WINAPI RecordLoadLibrary(LPCSTR name) {
    HMODULE module = g_realLoadLibrary(name);
    if (name && (lstrcmpiA(name, "SCHANNEL.DLL") == 0 || lstrcmpiA(name, "WININET.DLL") == 0)) {
        Log(std::string("LoadLibraryA(") + name + ")");
        (lstrcmpiA(name, "SCHANNEL.DLL") == 0 ? g_schannel : g_wininet) = module;
    }
    return module;
}

FARPROC WINAPI RecordGetProcAddress(HMODULE module, LPCSTR name) {
    FARPROC real = g_realGetProcAddress(module, name);
    if (!real || reinterpret_cast<ULONG_PTR>(name) <= 0xFFFF) return real;
    if (std::strcmp(name, "SslEmptyCacheW") == 0) {
        g_realSslEmptyCache = reinterpret_cast<SslEmptyCacheFn>(reinterpret_cast<void*>(real));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordSslEmptyCache));
    }
    if (std::strcmp(name, "IncrementUrlCacheHeaderData") == 0) {
        g_realIncrementHeader = reinterpret_cast<IncrementHeaderFn>(reinterpret_cast<void*>(real));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordIncrementHeader));
    }
    return real;
}

BOOL WINAPI RecordFreeLibrary(HMODULE module) {
    if (module && module == g_schannel) Log("FreeLibrary(SCHANNEL.DLL)");
    if (module && module == g_wininet) Log("FreeLibrary(WININET.DLL)");
    return g_realFreeLibrary(module);
}

// Points the program's import of module!name at the hook.
void Patch(HMODULE program, const char* module, const char* name, void* hook, void** real) {
    auto* base = reinterpret_cast<BYTE*>(program);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
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
        Patch(program, "shell32.dll", "Shell_NotifyIconA",
              reinterpret_cast<void*>(&RecordNotifyIcon),
              reinterpret_cast<void**>(&g_realNotifyIcon));
        Patch(program, "shell32.dll", "ShellExecuteA", reinterpret_cast<void*>(&RecordShellExecute),
              nullptr);
        Patch(program, "user32.dll", "SetClassLongA", reinterpret_cast<void*>(&RecordSetClassLong),
              reinterpret_cast<void**>(&g_realSetClassLong));
        Patch(program, "user32.dll", "TrackPopupMenu",
              reinterpret_cast<void*>(&RecordTrackPopupMenu),
              reinterpret_cast<void**>(&g_realTrackPopupMenu));
        Patch(program, "user32.dll", "PostMessageA", reinterpret_cast<void*>(&RecordPostMessage),
              reinterpret_cast<void**>(&g_realPostMessage));
        Patch(program, "kernel32.dll", "LoadLibraryA", reinterpret_cast<void*>(&RecordLoadLibrary),
              reinterpret_cast<void**>(&g_realLoadLibrary));
        Patch(program, "kernel32.dll", "GetProcAddress",
              reinterpret_cast<void*>(&RecordGetProcAddress),
              reinterpret_cast<void**>(&g_realGetProcAddress));
        Patch(program, "kernel32.dll", "FreeLibrary", reinterpret_cast<void*>(&RecordFreeLibrary),
              reinterpret_cast<void**>(&g_realFreeLibrary));
    }
    return TRUE;
}
