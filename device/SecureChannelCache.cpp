#include "device/SecureChannelCache.h"

#include <windows.h>

#include "device/SystemLibraries.h"

namespace {

using SslEmptyCacheFn = BOOL(WINAPI*)(LPWSTR targetName, DWORD flags);
using IncrementUrlCacheHeaderDataFn = BOOL(WINAPI*)(DWORD item, LPDWORD value);

// URL cache header item whose change makes the browser drop its SSL sessions.
constexpr DWORD kCacheHeaderSslItem = 14;

template <class Fn>
Fn Lookup(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                  : nullptr;
}

}  // namespace

void ClearSecureChannelCache() {
    HMODULE schannel = LoadSystemLibrary("SCHANNEL.DLL");
    const auto emptyCache = Lookup<SslEmptyCacheFn>(schannel, "SslEmptyCacheW");
    HMODULE wininet = LoadSystemLibrary("WININET.DLL");
    const auto incrementHeader =
        Lookup<IncrementUrlCacheHeaderDataFn>(wininet, "IncrementUrlCacheHeaderData");

    if (emptyCache) emptyCache(nullptr, 0);
    if (incrementHeader) {
        DWORD value = 0;
        incrementHeader(kCacheHeaderSslItem, &value);
    }
    if (schannel) ::FreeLibrary(schannel);
    if (wininet) ::FreeLibrary(wininet);
}
