#include "log/Versions.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "Version.h"

namespace {

constexpr char kKeyLibFile[] = "DravikFun_tovex.dll";

bool IsWow64() {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

std::string ProgramVersion() {
    return std::string(KEYTOOL_VERSION) + (sizeof(void*) == 8 ? " (64-bit)" : " (32-bit)");
}

std::string KeyLibVersion() {
    HMODULE library = ::GetModuleHandleA(kKeyLibFile);
    char path[MAX_PATH] = {};
    if (!library || !::GetModuleFileNameA(library, path, sizeof path)) return "not loaded";
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path, &ignored);
    std::vector<char> info(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (size == 0 || !::GetFileVersionInfoA(path, 0, size, info.data()) ||
        !::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
        length < sizeof *fixed) {
        return "no version resource";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                  LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                  LOWORD(fixed->dwFileVersionLS));
    return text;
}

std::string WindowsVersion() {
    // GetVersionEx answers what the manifest claims; ntdll answers the truth.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    if (!rtlGetVersion || rtlGetVersion(&version) != 0) return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu (%s)", version.dwMajorVersion,
                  version.dwMinorVersion, version.dwBuildNumber,
                  IsWow64() || sizeof(void*) == 8 ? "64-bit" : "32-bit");
    return text;
}
