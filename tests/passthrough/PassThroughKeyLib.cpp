// A key library for tests: logs every call to the file named by
// KEYTOOL_CALL_LOG and hands it on to the real library, copied beside it as
// KeyLibReal.dll. Tests get real virtual keys and the call sequence. A test
// may hold the program inside one function (KEYTOOL_HOLD_CALL) until it sets
// the named event KEYTOOL_HOLD_EVENT, to look at the program while it is busy.
// KEYTOOL_SLOW_KEY makes every call as slow as real keys answer over USB: 20 ms
// a certificate read, 5 ms any other call.
#include <windows.h>

#include <fstream>
#include <string>

#include "keylib/KeyLib.h"

namespace {

FARPROC Real(LPCSTR name) {
    static HMODULE real = LoadLibraryA("KeyLibReal.dll");
    return real ? GetProcAddress(real, name) : nullptr;
}

void Record(const char* function, const std::string& arguments) {
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("KEYTOOL_CALL_LOG", path, sizeof path);
    if (length > 0 && length < sizeof path) {
        std::ofstream(path, std::ios::app) << function << "(" << arguments << ")\n";
    }
    if (GetEnvironmentVariableA("KEYTOOL_SLOW_KEY", nullptr, 0) > 0) {
        Sleep(lstrcmpA(function, "CSP_ReadCertByName") == 0 ? 20 : 5);
    }
    char held[64] = {};
    char event[MAX_PATH] = {};
    if (GetEnvironmentVariableA("KEYTOOL_HOLD_CALL", held, sizeof held) > 0 &&
        lstrcmpA(held, function) == 0 &&
        GetEnvironmentVariableA("KEYTOOL_HOLD_EVENT", event, sizeof event) > 0) {
        HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, event);
        if (release) {
            WaitForSingleObject(release, 60000);
            CloseHandle(release);
        }
    }
}

std::string Text(const char* text) { return text ? std::string("\"") + text + "\"" : "null"; }
std::string N(uint32_t v) { return std::to_string(v); }

// Logs, then calls the real export found by `lookup` (a name, or an ordinal
// for the two exported by number only); a missing one fails like a broken library.
#define FORWARD(name, lookup, arguments, ...)                                             \
    Record(#name, arguments);                                                             \
    auto real = reinterpret_cast<decltype(&name)>(reinterpret_cast<void*>(Real(lookup))); \
    return real ? real(__VA_ARGS__) : 0xA04200FFu

}  // namespace

extern "C" {

uint32_t KEYLIB_API CSP_GetSlotList(uint32_t* slots, uint32_t* count) {
    FORWARD(CSP_GetSlotList, "CSP_GetSlotList", slots ? "array" : "null", slots, count);
}
uint32_t KEYLIB_API CSP_GetSlotStatus(uint32_t slot, uint32_t* status) {
    FORWARD(CSP_GetSlotStatus, "CSP_GetSlotStatus", N(slot), slot, status);
}
uint32_t KEYLIB_API CSP_GetUsbKeyLabel(uint32_t slot, char* label) {
    FORWARD(CSP_GetUsbKeyLabel, "CSP_GetUsbKeyLabel", N(slot), slot, label);
}
uint32_t KEYLIB_API CSP_SetUsbKeyLabel(uint32_t slot, const char* label) {
    FORWARD(CSP_SetUsbKeyLabel, "CSP_SetUsbKeyLabel", N(slot) + "," + Text(label), slot, label);
}
uint32_t KEYLIB_API CSP_VerifyPassword(uint32_t slot, uint32_t kind, const char* password) {
    FORWARD(CSP_VerifyPassword, "CSP_VerifyPassword",
            N(slot) + "," + N(kind) + "," + Text(password), slot, kind, password);
}
uint32_t KEYLIB_API CSP_ChangePassword(uint32_t slot, uint32_t kind, const char* oldPassword,
                                       const char* newPassword) {
    FORWARD(CSP_ChangePassword, "CSP_ChangePassword",
            N(slot) + "," + N(kind) + "," + Text(oldPassword) + "," + Text(newPassword), slot, kind,
            oldPassword, newPassword);
}
uint32_t KEYLIB_API CSP_ChangeInitPassword(uint32_t slot) {
    FORWARD(CSP_ChangeInitPassword, "CSP_ChangeInitPassword", N(slot), slot);
}
uint32_t KEYLIB_API CSP_ContainerCount(uint32_t slot, uint32_t* count) {
    FORWARD(CSP_ContainerCount, "CSP_ContainerCount", N(slot), slot, count);
}
uint32_t KEYLIB_API CSP_ContainerInfo(uint32_t slot, uint32_t index, uint32_t* flags,
                                      uint32_t nameSize, char* name) {
    FORWARD(CSP_ContainerInfo, "CSP_ContainerInfo", N(slot) + "," + N(index) + "," + N(nameSize),
            slot, index, flags, nameSize, name);
}
uint32_t KEYLIB_API CSP_ReadCertByName(uint32_t slot, const char* container, uint32_t kind,
                                       uint32_t* length, uint8_t* buffer) {
    FORWARD(CSP_ReadCertByName, "CSP_ReadCertByName",
            N(slot) + "," + Text(container) + "," + N(kind) + "," + N(length ? *length : 0), slot,
            container, kind, length, buffer);
}
uint32_t KEYLIB_API CSP_DeleteContainerByName(uint32_t slot, const char* container) {
    FORWARD(CSP_DeleteContainerByName, "CSP_DeleteContainerByName", N(slot) + "," + Text(container),
            slot, container);
}
uint32_t KEYLIB_API CSP_Reset(uint32_t slot) { FORWARD(CSP_Reset, "CSP_Reset", N(slot), slot); }
uint32_t KEYLIB_API CSP_LoadCertToIE(uint32_t slot, uint32_t flags) {
    FORWARD(CSP_LoadCertToIE, "CSP_LoadCertToIE", N(slot) + "," + N(flags), slot, flags);
}
uint32_t KEYLIB_API CSP_UnloadIECert(void) { FORWARD(CSP_UnloadIECert, "CSP_UnloadIECert", ""); }
uint32_t KEYLIB_API CSP_FileAllID(uint32_t slot, uint16_t* count, uint16_t* ids) {
    FORWARD(CSP_FileAllID, "CSP_FileAllID", N(slot), slot, count, ids);
}
uint32_t KEYLIB_API CSP_FileRead(uint32_t slot, uint16_t id, uint32_t offset, uint32_t length,
                                 uint8_t* buffer) {
    FORWARD(CSP_FileRead, "CSP_FileRead", N(slot) + "," + N(id) + "," + N(offset) + "," + N(length),
            slot, id, offset, length, buffer);
}
uint32_t KEYLIB_API CSP_GetInstanceTag(uint32_t reserved1, uint32_t reserved2) {
    FORWARD(CSP_GetInstanceTag, MAKEINTRESOURCEA(1), N(reserved1) + "," + N(reserved2), reserved1,
            reserved2);
}
uint32_t KEYLIB_API CSP_SetMainWindow(void* mainWindow) {
    FORWARD(CSP_SetMainWindow, MAKEINTRESOURCEA(2), "", mainWindow);
}

}  // extern "C"
