// A key library for tests that records every call, in the recording library's
// log format (KEYTOOL_FAKE_LOG), and hands it on to the real library, copied
// beside it as KeyLibReal.dll. Tests get real virtual keys and call sequences.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "keylib/KeyLib.h"

namespace {

HMODULE Real() {
    static HMODULE real = LoadLibraryA("KeyLibReal.dll");
    return real;
}

template <class Fn>
Fn Lookup(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(Real(), name)));
}

void Record(const char* function, const std::string& arguments) {
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("KEYTOOL_FAKE_LOG", path, sizeof path);
    if (length > 0 && length < sizeof path) {
        std::ofstream(path, std::ios::app) << function << "(" << arguments << ")\n";
    }
}

std::string Text(const char* text) { return text ? std::string("\"") + text + "\"" : "null"; }
std::string N(uint32_t v) { return std::to_string(v); }

// Unknown to the real library: the program would see a failure, as with a broken library.
constexpr uint32_t kMissing = 0xA04200FF;

#define FORWARD(name, arguments, ...)           \
    Record(#name, arguments);                   \
    auto real = Lookup<decltype(&name)>(#name); \
    return real ? real(__VA_ARGS__) : kMissing

}  // namespace

extern "C" {

uint32_t KEYLIB_API CSP_GetSlotList(uint32_t* slots, uint32_t* count) {
    FORWARD(CSP_GetSlotList, slots ? "array" : "null", slots, count);
}
uint32_t KEYLIB_API CSP_GetSlotStatus(uint32_t slot, uint32_t* status) {
    FORWARD(CSP_GetSlotStatus, N(slot), slot, status);
}
uint32_t KEYLIB_API CSP_GetUsbKeyLabel(uint32_t slot, char* label) {
    FORWARD(CSP_GetUsbKeyLabel, N(slot), slot, label);
}
uint32_t KEYLIB_API CSP_SetUsbKeyLabel(uint32_t slot, const char* label) {
    FORWARD(CSP_SetUsbKeyLabel, N(slot) + "," + Text(label), slot, label);
}
uint32_t KEYLIB_API CSP_VerifyPassword(uint32_t slot, uint32_t kind, const char* password) {
    FORWARD(CSP_VerifyPassword, N(slot) + "," + N(kind) + "," + Text(password), slot, kind,
            password);
}
uint32_t KEYLIB_API CSP_ChangePassword(uint32_t slot, uint32_t kind, const char* oldPassword,
                                       const char* newPassword) {
    FORWARD(CSP_ChangePassword,
            N(slot) + "," + N(kind) + "," + Text(oldPassword) + "," + Text(newPassword), slot, kind,
            oldPassword, newPassword);
}
uint32_t KEYLIB_API CSP_ChangeInitPassword(uint32_t slot) {
    FORWARD(CSP_ChangeInitPassword, N(slot), slot);
}
uint32_t KEYLIB_API CSP_ContainerCount(uint32_t slot, uint32_t* count) {
    FORWARD(CSP_ContainerCount, N(slot), slot, count);
}
uint32_t KEYLIB_API CSP_ContainerInfo(uint32_t slot, uint32_t index, uint32_t* flags,
                                      uint32_t nameSize, char* name) {
    FORWARD(CSP_ContainerInfo, N(slot) + "," + N(index) + "," + N(nameSize), slot, index, flags,
            nameSize, name);
}
uint32_t KEYLIB_API CSP_ReadCertByName(uint32_t slot, const char* container, uint32_t kind,
                                       uint32_t* length, uint8_t* buffer) {
    FORWARD(CSP_ReadCertByName,
            N(slot) + "," + Text(container) + "," + N(kind) + "," + N(length ? *length : 0), slot,
            container, kind, length, buffer);
}
uint32_t KEYLIB_API CSP_DeleteContainerByName(uint32_t slot, const char* container) {
    FORWARD(CSP_DeleteContainerByName, N(slot) + "," + Text(container), slot, container);
}
uint32_t KEYLIB_API CSP_Reset(uint32_t slot) { FORWARD(CSP_Reset, N(slot), slot); }
uint32_t KEYLIB_API CSP_LoadCertToIE(uint32_t slot, uint32_t flags) {
    FORWARD(CSP_LoadCertToIE, N(slot) + "," + N(flags), slot, flags);
}
uint32_t KEYLIB_API CSP_UnloadIECert(void) { FORWARD(CSP_UnloadIECert, ""); }
uint32_t KEYLIB_API CSP_FileAllID(uint32_t slot, uint16_t* count, uint16_t* ids) {
    FORWARD(CSP_FileAllID, N(slot), slot, count, ids);
}
uint32_t KEYLIB_API CSP_FileRead(uint32_t slot, uint16_t fileId, uint32_t offset, uint32_t length,
                                 uint8_t* buffer) {
    char id[8];
    std::snprintf(id, sizeof id, "0x%X", fileId);
    FORWARD(CSP_FileRead, N(slot) + "," + id + "," + N(offset) + "," + N(length), slot, fileId,
            offset, length, buffer);
}

// The real library exports these two by number only.
uint32_t KEYLIB_API CSP_GetInstanceTag(uint32_t reserved1, uint32_t reserved2) {
    Record("CSP_GetInstanceTag", N(reserved1) + "," + N(reserved2));
    auto real = reinterpret_cast<decltype(&CSP_GetInstanceTag)>(
        reinterpret_cast<void*>(GetProcAddress(Real(), MAKEINTRESOURCEA(1))));
    return real ? real(reserved1, reserved2) : 0;
}
uint32_t KEYLIB_API CSP_SetMainWindow(void* mainWindow) {
    Record("CSP_SetMainWindow", "");
    auto real = reinterpret_cast<decltype(&CSP_SetMainWindow)>(
        reinterpret_cast<void*>(GetProcAddress(Real(), MAKEINTRESOURCEA(2))));
    return real ? real(mainWindow) : kMissing;
}

}  // extern "C"
