// The key library as the program calls it: each export wrapped once, with an
// answer other than 0 logged. The library's strings (labels, container names,
// file contents) are GBK byte strings whatever the system's code page; they
// meet the program's UTF-16 here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "device/logic/KeyEvents.h"
#include "device/logic/LaunchText.h"
#include "keylib/logic/KeyList.h"
#include "pages/logic/CertPageParts.h"

class KeyLibrary : public keytool::CertRegistrar,
                   public keytool::LabelReader,
                   public keytool::KeyFiles,
                   public keytool::CertKeyLibrary {
public:
    // A string of the library as text; bytes that are no GBK show as a stand-in character.
    static std::wstring FromKeyText(std::string_view bytes);
    // The library's form of a text; false when a character has none in GBK.
    static bool ToKeyText(std::wstring_view text, std::string* bytes);

    std::uint32_t GetSlotList(std::uint32_t* slots, std::uint32_t* count);
    std::uint32_t GetInstanceTag();
    void SetMainWindow(HWND window);

    // Certificates in the user's store.
    void UnloadCerts() override;
    void ChangeInitPassword(std::uint32_t slot) override;
    std::uint32_t GetSlotStatus(std::uint32_t slot, std::uint32_t* status) override;
    void LoadCerts(std::uint32_t slot) override;

    // Label: buffer of keytool::kLabelBufferSize bytes.
    std::uint32_t ReadLabel(std::uint32_t slot, char* buffer) override;
    std::uint32_t SetLabel(std::uint32_t slot, const char* label);

    // Files.
    std::uint32_t AllIds(std::uint32_t slot, std::uint16_t* count, std::uint16_t* ids) override;
    std::uint32_t Read(std::uint32_t slot, std::uint16_t id, std::uint32_t offset,
                       std::uint32_t length, std::uint8_t* buffer) override;

    // Passwords, bytes in the system's ANSI code page; null: the library asks the user.
    std::uint32_t VerifyPassword(std::uint32_t slot, std::uint32_t kind,
                                 const char* password) override;
    std::uint32_t ChangePassword(std::uint32_t slot, std::uint32_t kind, const char* oldPassword,
                                 const char* newPassword);

    // Containers and certificates.
    std::uint32_t ContainerCount(std::uint32_t slot, std::uint32_t* count) override;
    std::uint32_t ContainerInfo(std::uint32_t slot, std::uint32_t index, std::uint32_t* flags,
                                std::uint32_t nameSize, char* name) override;
    std::uint32_t ReadCertByName(std::uint32_t slot, const char* container, std::uint32_t kind,
                                 std::uint32_t* length, std::uint8_t* buffer) override;
    std::uint32_t Reset(std::uint32_t slot) override;
    std::uint32_t DeleteContainerByName(std::uint32_t slot, const char* container) override;
};
