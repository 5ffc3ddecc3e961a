// Exports about the key's containers and their certificates, and the certificates' place in
// the user's certificate store.
#include "keylib/KeyLib.h"
#include "keylib/dll/CertRegistry.h"
#include "keylib/dll/KeyAccess.h"
#include "keylib/dll/VerifiedSlots.h"
#include "keylib/dll/logic/KeyEdit.h"

using namespace keylib;

namespace {

// A container name from a caller, read no further than the longest valid name allows.
bool readContainerName(const char* text, std::string& name) {
    if (text == nullptr) return false;
    for (size_t i = 0; i <= kMaxContainerName && text[i] != '\0'; ++i) name += text[i];
    return !name.empty() && name.size() <= kMaxContainerName;
}

}  // namespace

extern "C" {

uint32_t KEYLIB_API CSP_ContainerCount(uint32_t slot, uint32_t* count) {
    if (count == nullptr) return KEYLIB_E_BAD_ARGUMENT;
    return withKey(slot, [&](OpenKey& key) {
        *count = countContainers(key.record);
        return KEYLIB_OK;
    });
}

uint32_t KEYLIB_API CSP_ContainerInfo(uint32_t slot, uint32_t index, uint32_t* flags,
                                      uint32_t nameSize, char* name) {
    if (flags == nullptr || name == nullptr || index >= KEYLIB_CONTAINERS) {
        return KEYLIB_E_BAD_ARGUMENT;
    }
    return withKey(slot, [&](OpenKey& key) {
        const Container& container = key.record.containers[index];
        const uint32_t copied = copyText(container.name, nameSize, name);
        if (copied == KEYLIB_OK) *flags = containerFlags(container);
        return copied;
    });
}

uint32_t KEYLIB_API CSP_ReadCertByName(uint32_t slot, const char* container, uint32_t kind,
                                       uint32_t* length, uint8_t* buffer) {
    std::string name;
    if (!readContainerName(container, name) || length == nullptr) return KEYLIB_E_BAD_ARGUMENT;
    return withKey(slot, [&](OpenKey& key) {
        const int index = findContainer(key.record, name);
        if (index < 0) return KEYLIB_E_NOT_FOUND;
        return copyCertificate(key.record.containers[index], kind, length, buffer);
    });
}

uint32_t KEYLIB_API CSP_DeleteContainerByName(uint32_t slot, const char* container) {
    std::string name;
    if (!readContainerName(container, name)) return KEYLIB_E_BAD_ARGUMENT;
    return withKey(slot, [&](OpenKey& key) {
        if (!isVerified(key.plugging)) return KEYLIB_SW_NOT_VERIFIED;
        const uint32_t removed = removeContainer(key.record, name);
        return removed != KEYLIB_OK ? removed : key.save();
    });
}

uint32_t KEYLIB_API CSP_LoadCertToIE(uint32_t slot, uint32_t flags) {
    if (flags == 0 || (flags & ~3u) != 0) return KEYLIB_E_BAD_ARGUMENT;
    return withKey(
        slot, [&](OpenKey& key) { return registerCertificates(key.store, key.record, flags); });
}

uint32_t KEYLIB_API CSP_UnloadIECert(void) {
    KeyStore store;
    const uint32_t status = store.open();
    return status != KEYLIB_OK ? status : unregisterCertificates(store);
}

}  // extern "C"
