// Part of the pass-through key library: as the program loads it, it points some
// of the program's platform imports at recorders (texts written in GBK) that write each call to the
// file named by KEYTOOL_PLATFORM_LOG: the notification-area icon, "open"
// requests, the class cursor, posted keys, timers, the
// foreground, the tracked menu and the wake-up posted after it (other WM_NULL
// posts are the framework's own), the device list the failed-device check walks,
// and the secure-channel cache functions looked up at run time. Calls go on to the platform except
// "open" requests and the certificate dialog, which are only recorded so tests
// start no browser or viewer; while the file KEYTOOL_NO_CER_HANDLER names
// exists, "open" answers a certificate file as a shell without a handler does.
// The loader has bound the program's imports before any DllMain runs.
#include <windows.h>
// windows.h must come first.
#include <setupapi.h>
#include <shellapi.h>
#include <wincrypt.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "tests/driver/Driver.h"
#include "tests/imports/ImportPatch.h"

namespace {

void Log(const char* format, ...) {
    char path[MAX_PATH] = {};
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    const DWORD length = GetEnvironmentVariableA("KEYTOOL_PLATFORM_LOG", path, sizeof path);
    if (length > 0 && length < sizeof path) std::ofstream(path, std::ios::app) << line << "\n";
}

decltype(&Shell_NotifyIconW) g_notifyIcon;
decltype(&SetClassLongPtrW) g_setClassLong;
decltype(&PostMessageW) g_postMessage;
decltype(&SetTimer) g_setTimer;
decltype(&SetForegroundWindow) g_setForeground;
decltype(&TrackPopupMenu) g_trackPopupMenu;
decltype(&SetupDiGetClassDevsA) g_classDevices;
decltype(&LoadLibraryExA) g_loadLibrary;
decltype(&GetProcAddress) g_getProcAddress;
decltype(&FreeLibrary) g_freeLibrary;
BOOL(WINAPI* g_sslEmptyCache)(LPWSTR, DWORD);
BOOL(WINAPI* g_incrementHeader)(DWORD, LPDWORD);
HMODULE g_schannel;
HMODULE g_wininet;
bool g_menuClosed = false;  // a tracked menu returned; the next post is recorded

// The program's UTF-16 texts in GBK, as the tests expect them; a field is read
// within its size, terminated or not.
std::string Gbk(const wchar_t* text, size_t size = static_cast<size_t>(-1)) {
    return text ? driver::Gbk({text, wcsnlen(text, size)}) : "null";
}

BOOL WINAPI RecordNotifyIcon(DWORD message, PNOTIFYICONDATAW d) {
    const char* names[] = {"ADD", "MODIFY", "DELETE"};
    Log("Shell_NotifyIconW(%s,size=%lu,id=%u,flags=0x%X,state=%lu,timeout=%u,tip=%s,info=%s,"
        "title=%s)",
        message < 3 ? names[message] : "?", d->cbSize, d->uID, d->uFlags, d->dwState, d->uTimeout,
        Gbk(d->szTip, std::size(d->szTip)).c_str(), Gbk(d->szInfo, std::size(d->szInfo)).c_str(),
        Gbk(d->szInfoTitle, std::size(d->szInfoTitle)).c_str());
    return g_notifyIcon(message, d);
}

HINSTANCE WINAPI RecordShellExecute(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR,
                                    INT show) {
    Log("ShellExecuteW(%s,%s,%s,%d)", Gbk(verb).c_str(), Gbk(file).c_str(), Gbk(parameters).c_str(),
        show);
    const size_t length = file ? std::wcslen(file) : 0;
    const bool certificate = length > 4 && lstrcmpiW(file + length - 4, L".cer") == 0;
    char marker[MAX_PATH] = {};  // empty, which names no file, when not set
    if (certificate &&
        GetEnvironmentVariableA("KEYTOOL_NO_CER_HANDLER", marker, MAX_PATH) < MAX_PATH &&
        GetFileAttributesA(marker) != INVALID_FILE_ATTRIBUTES) {
        return reinterpret_cast<HINSTANCE>(SE_ERR_NOASSOC);
    }
    return reinterpret_cast<HINSTANCE>(42);  // above 32: success
}

BOOL WINAPI RecordViewContext(DWORD type, const void* context, HWND owner, LPCWSTR, DWORD, void*) {
    const auto* cert = static_cast<const CERT_CONTEXT*>(context);
    Log("CryptUIDlgViewContext(%lu,%lu bytes,%s)", type, cert ? cert->cbCertEncoded : 0,
        GetParent(owner) ? "child" : "top-level");
    return TRUE;
}

ULONG_PTR WINAPI RecordSetClassLong(HWND hwnd, int index, LONG_PTR value) {
    char className[32] = {};
    GetClassNameA(hwnd, className, sizeof className);
    const bool hand = value == reinterpret_cast<LONG_PTR>(LoadCursorA(nullptr, IDC_HAND));
    const bool arrow = value == reinterpret_cast<LONG_PTR>(LoadCursorA(nullptr, IDC_ARROW));
    Log("SetClassLongW(%s,%d,%s)", className, index, hand ? "hand" : arrow ? "arrow" : "other");
    return g_setClassLong(hwnd, index, value);
}

BOOL WINAPI RecordPostMessage(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    const bool afterMenu = std::exchange(g_menuClosed, false);
    const char* name = message == WM_KEYDOWN             ? "WM_KEYDOWN"
                       : message == WM_KEYUP             ? "WM_KEYUP"
                       : message == WM_NULL && afterMenu ? "WM_NULL"
                                                         : nullptr;
    if (name) {
        Log("PostMessageW(%s,%s,0x%X,0x%lX)", GetParent(hwnd) ? "child" : "top-level", name,
            static_cast<unsigned>(wp), static_cast<unsigned long>(lp));
    }
    return g_postMessage(hwnd, message, wp, lp);
}

UINT_PTR WINAPI RecordSetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC callback) {
    Log("SetTimer(%u,%u)", static_cast<unsigned>(id), elapse);
    return g_setTimer(hwnd, id, elapse, callback);
}

BOOL WINAPI RecordSetForeground(HWND hwnd) {
    Log("SetForegroundWindow(%s)", GetParent(hwnd) ? "child" : "top-level");
    return g_setForeground(hwnd);
}

BOOL WINAPI RecordTrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                                 const RECT* rect) {
    char items[256] = {};
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, static_cast<int>(std::size(text)),
                       MF_BYPOSITION);
        const size_t used = std::strlen(items);
        std::snprintf(items + used, sizeof items - used, "%s%u:%s", i ? "|" : "",
                      GetMenuItemID(menu, i), Gbk(text).c_str());
    }
    Log("TrackPopupMenu(flags=0x%X,owner=%s,items=%s)", flags,
        GetParent(owner) ? "child" : "top-level", items);
    const BOOL result = g_trackPopupMenu(menu, flags, x, y, reserved, owner, rect);
    g_menuClosed = true;
    return result;
}

HDEVINFO WINAPI RecordClassDevices(const GUID* guid, PCSTR enumerator, HWND parent, DWORD flags) {
    Log("SetupDiGetClassDevsA(flags=0x%lX)", flags);
    return g_classDevices(guid, enumerator, parent, flags);
}

BOOL WINAPI RecordSslEmptyCache(LPWSTR target, DWORD flags) {
    Log("SslEmptyCacheW(%s,%lu)", target ? "target" : "null", flags);
    return g_sslEmptyCache(target, flags);
}

BOOL WINAPI RecordIncrementHeader(DWORD item, LPDWORD value) {
    Log("IncrementUrlCacheHeaderData(%lu)", item);
    return g_incrementHeader(item, value);
}

HMODULE WINAPI RecordLoadLibrary(LPCSTR name, HANDLE file, DWORD flags) {
    HMODULE module = g_loadLibrary(name, file, flags);
    for (auto [dll, handle] :
         {std::make_pair("SCHANNEL.DLL", &g_schannel), std::make_pair("WININET.DLL", &g_wininet)}) {
        if (name && lstrcmpiA(name, dll) == 0) {
            Log("LoadLibraryExA(%s,0x%lX)", dll, flags);
            *handle = module;
        }
    }
    return module;
}

template <class Fn>
FARPROC Wrap(FARPROC real, Fn*& keep, Fn* wrapper) {
    keep = reinterpret_cast<Fn*>(reinterpret_cast<void*>(real));
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(wrapper));
}

FARPROC WINAPI RecordGetProcAddress(HMODULE module, LPCSTR name) {
    FARPROC real = g_getProcAddress(module, name);
    if (!real || reinterpret_cast<ULONG_PTR>(name) <= 0xFFFF) return real;
    if (std::strcmp(name, "SslEmptyCacheW") == 0)
        return Wrap(real, g_sslEmptyCache, RecordSslEmptyCache);
    if (std::strcmp(name, "IncrementUrlCacheHeaderData") == 0) {
        return Wrap(real, g_incrementHeader, RecordIncrementHeader);
    }
    if (std::strcmp(name, "CryptUIDlgViewContext") == 0) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordViewContext));
    }
    return real;
}

BOOL WINAPI RecordFreeLibrary(HMODULE module) {
    if (module && module == g_schannel) Log("FreeLibrary(SCHANNEL.DLL)");
    if (module && module == g_wininet) Log("FreeLibrary(WININET.DLL)");
    return g_freeLibrary(module);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        decltype(&ShellExecuteW) unused = nullptr;
        test::PatchImport("Shell_NotifyIconW", &RecordNotifyIcon, g_notifyIcon);
        test::PatchImport("ShellExecuteW", &RecordShellExecute, unused);
        // A 64-bit program imports SetClassLongPtrW instead; it is logged by the 32-bit name.
        test::PatchImport("SetClassLongW", &RecordSetClassLong, g_setClassLong);
        test::PatchImport("SetClassLongPtrW", &RecordSetClassLong, g_setClassLong);
        test::PatchImport("PostMessageW", &RecordPostMessage, g_postMessage);
        test::PatchImport("SetTimer", &RecordSetTimer, g_setTimer);
        test::PatchImport("SetForegroundWindow", &RecordSetForeground, g_setForeground);
        test::PatchImport("TrackPopupMenu", &RecordTrackPopupMenu, g_trackPopupMenu);
        test::PatchImport("SetupDiGetClassDevsA", &RecordClassDevices, g_classDevices);
        test::PatchImport("LoadLibraryExA", &RecordLoadLibrary, g_loadLibrary);
        test::PatchImport("GetProcAddress", &RecordGetProcAddress, g_getProcAddress);
        test::PatchImport("FreeLibrary", &RecordFreeLibrary, g_freeLibrary);
    }
    return TRUE;
}
