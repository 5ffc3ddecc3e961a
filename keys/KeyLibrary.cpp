#include "keys/KeyLibrary.h"

#include "framework/Text.h"
#include "keylib/KeyLib.h"
#include "log/Log.h"

static_assert(keytool::kLabelBufferSize >= KEYLIB_LABEL_BUF);

std::wstring KeyLibrary::FromKeyText(std::string_view bytes) {
    return fw::Widen(bytes, fw::kGbkCodePage);
}

bool KeyLibrary::ToKeyText(std::wstring_view text, std::string* bytes) {
    return fw::Narrow(text, fw::kGbkCodePage, bytes);
}

std::uint32_t KeyLibrary::GetSlotList(std::uint32_t* slots, std::uint32_t* count) {
    return LoggedKeyLib("CSP_GetSlotList", 0, CSP_GetSlotList(slots, count));
}

std::uint32_t KeyLibrary::GetInstanceTag() { return CSP_GetInstanceTag(0, 0); }

void KeyLibrary::SetMainWindow(HWND window) {
    LoggedKeyLib("CSP_SetMainWindow", 0, CSP_SetMainWindow(window));
}

void KeyLibrary::UnloadCerts() { LoggedKeyLib("CSP_UnloadIECert", 0, CSP_UnloadIECert()); }

void KeyLibrary::ChangeInitPassword(std::uint32_t slot) {
    LoggedKeyLib("CSP_ChangeInitPassword", slot, CSP_ChangeInitPassword(slot));
}

std::uint32_t KeyLibrary::GetSlotStatus(std::uint32_t slot, std::uint32_t* status) {
    return LoggedKeyLib("CSP_GetSlotStatus", slot, CSP_GetSlotStatus(slot, status));
}

void KeyLibrary::LoadCerts(std::uint32_t slot) {
    LoggedKeyLib("CSP_LoadCertToIE", slot, CSP_LoadCertToIE(slot, 3));
}

std::uint32_t KeyLibrary::ReadLabel(std::uint32_t slot, char* buffer) {
    return LoggedKeyLib("CSP_GetUsbKeyLabel", slot, CSP_GetUsbKeyLabel(slot, buffer));
}

std::uint32_t KeyLibrary::SetLabel(std::uint32_t slot, const char* label) {
    return LoggedKeyLib("CSP_SetUsbKeyLabel", slot, CSP_SetUsbKeyLabel(slot, label));
}

std::uint32_t KeyLibrary::AllIds(std::uint32_t slot, std::uint16_t* count, std::uint16_t* ids) {
    return LoggedKeyLib("CSP_FileAllID", slot, CSP_FileAllID(slot, count, ids));
}

std::uint32_t KeyLibrary::Read(std::uint32_t slot, std::uint16_t id, std::uint32_t offset,
                               std::uint32_t length, std::uint8_t* buffer) {
    return LoggedKeyLib("CSP_FileRead", slot, CSP_FileRead(slot, id, offset, length, buffer));
}

std::uint32_t KeyLibrary::VerifyPassword(std::uint32_t slot, std::uint32_t kind,
                                         const char* password) {
    return LoggedKeyLib("CSP_VerifyPassword", slot, CSP_VerifyPassword(slot, kind, password));
}

std::uint32_t KeyLibrary::ChangePassword(std::uint32_t slot, std::uint32_t kind,
                                         const char* oldPassword, const char* newPassword) {
    return LoggedKeyLib("CSP_ChangePassword", slot,
                        CSP_ChangePassword(slot, kind, oldPassword, newPassword));
}

std::uint32_t KeyLibrary::ContainerCount(std::uint32_t slot, std::uint32_t* count) {
    return LoggedKeyLib("CSP_ContainerCount", slot, CSP_ContainerCount(slot, count));
}

std::uint32_t KeyLibrary::ContainerInfo(std::uint32_t slot, std::uint32_t index,
                                        std::uint32_t* flags, std::uint32_t nameSize, char* name) {
    return LoggedKeyLib("CSP_ContainerInfo", slot,
                        CSP_ContainerInfo(slot, index, flags, nameSize, name));
}

std::uint32_t KeyLibrary::ReadCertByName(std::uint32_t slot, const char* container,
                                         std::uint32_t kind, std::uint32_t* length,
                                         std::uint8_t* buffer) {
    return LoggedKeyLib("CSP_ReadCertByName", slot,
                        CSP_ReadCertByName(slot, container, kind, length, buffer));
}

std::uint32_t KeyLibrary::Reset(std::uint32_t slot) {
    return LoggedKeyLib("CSP_Reset", slot, CSP_Reset(slot));
}

std::uint32_t KeyLibrary::DeleteContainerByName(std::uint32_t slot, const char* container) {
    return LoggedKeyLib("CSP_DeleteContainerByName", slot,
                        CSP_DeleteContainerByName(slot, container));
}
