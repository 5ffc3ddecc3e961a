// Contract of the key library DravikFun_tovex.dll. Every export uses C linkage
// and __stdcall; 0 is success. Password results follow ISO/IEC 7816-4
// (0x63Cx: wrong, x tries left; 0x63C0 / 0x6983: locked).
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef KEYLIB_BUILD
#define KEYLIB_API __stdcall
#else
#define KEYLIB_API __declspec(dllimport) __stdcall
#endif

enum {
    KEYLIB_MAX_SLOTS = 256,
    KEYLIB_LABEL_BUF = 100,
    KEYLIB_MAX_FILES = 50,
    KEYLIB_CERT_MAX = 409600,
    KEYLIB_PASSWORD_USER = 1,
    KEYLIB_CONTAINERS = 6
};

// Status words and results callers look at.
#define KEYLIB_SW_WRONG_PASSWORD 0x63C0u  // low nibble: tries left
#define KEYLIB_SW_LOCKED 0x6983u
#define KEYLIB_CANCELLED 0x80090020u  // user gave up the password prompt
#define KEYLIB_STATUS_NO_LABEL_CHECK 4u

// Container flag bits: a certificate of kind 1 needs 0x1 and 0x4, kind 2 needs 0x2 and 0x8.
#define KEYLIB_FLAG_CERT1 0x5u
#define KEYLIB_FLAG_CERT2 0xAu

// slots: array of KEYLIB_MAX_SLOTS or NULL for the count only.
uint32_t KEYLIB_API CSP_GetSlotList(uint32_t *slots, uint32_t *count);
uint32_t KEYLIB_API CSP_GetSlotStatus(uint32_t slot, uint32_t *status);
// label: KEYLIB_LABEL_BUF bytes, NUL-terminated on success.
uint32_t KEYLIB_API CSP_GetUsbKeyLabel(uint32_t slot, char *label);
uint32_t KEYLIB_API CSP_SetUsbKeyLabel(uint32_t slot, const char *label);
// password NULL: the library prompts the user itself.
uint32_t KEYLIB_API CSP_VerifyPassword(uint32_t slot, uint32_t kind, const char *password);
uint32_t KEYLIB_API CSP_ChangePassword(uint32_t slot, uint32_t kind, const char *oldPassword,
                                       const char *newPassword);
uint32_t KEYLIB_API CSP_ChangeInitPassword(uint32_t slot);
uint32_t KEYLIB_API CSP_ContainerCount(uint32_t slot, uint32_t *count);
uint32_t KEYLIB_API CSP_ContainerInfo(uint32_t slot, uint32_t index, uint32_t *flags,
                                      uint32_t nameSize, char *name);
// length: in the capacity of buffer, out the DER length (or the length needed).
uint32_t KEYLIB_API CSP_ReadCertByName(uint32_t slot, const char *container, uint32_t kind,
                                       uint32_t *length, uint8_t *buffer);
uint32_t KEYLIB_API CSP_DeleteContainerByName(uint32_t slot, const char *container);
uint32_t KEYLIB_API CSP_Reset(uint32_t slot);
uint32_t KEYLIB_API CSP_LoadCertToIE(uint32_t slot, uint32_t flags);
uint32_t KEYLIB_API CSP_UnloadIECert(void);
// ids: array of KEYLIB_MAX_FILES.
uint32_t KEYLIB_API CSP_FileAllID(uint32_t slot, uint16_t *count, uint16_t *ids);
uint32_t KEYLIB_API CSP_FileRead(uint32_t slot, uint16_t fileId, uint32_t offset, uint32_t length,
                                 uint8_t *buffer);
// Exported by ordinal only: 1 and 2.
uint32_t KEYLIB_API CSP_GetInstanceTag(uint32_t reserved1, uint32_t reserved2);
uint32_t KEYLIB_API CSP_SetMainWindow(void *mainWindow);

#ifdef __cplusplus
}
#endif
