// Exports about the key's small files (file 0xEF11 holds the launch text).
#include "keylib/KeyLib.h"
#include "keylib/dll/KeyAccess.h"
#include "keylib/dll/logic/KeyEdit.h"

using namespace keylib;

extern "C" {

uint32_t KEYLIB_API CSP_FileAllID(uint32_t slot, uint16_t* count, uint16_t* ids) {
    if (count == nullptr || ids == nullptr) return KEYLIB_E_BAD_ARGUMENT;
    return withKey(slot, [&](OpenKey& key) {
        const std::vector<KeyFileEntry>& files = key.record.files;
        for (size_t i = 0; i < files.size(); ++i) ids[i] = files[i].id;
        *count = static_cast<uint16_t>(files.size());
        return KEYLIB_OK;
    });
}

uint32_t KEYLIB_API CSP_FileRead(uint32_t slot, uint16_t fileId, uint32_t offset, uint32_t length,
                                 uint8_t* buffer) {
    if (buffer == nullptr) return KEYLIB_E_BAD_ARGUMENT;
    return withKey(slot, [&](OpenKey& key) {
        const KeyFileEntry* file = findFile(key.record, fileId);
        return file == nullptr ? KEYLIB_E_NOT_FOUND
                               : copyFileRange(file->data, offset, length, buffer);
    });
}

}  // extern "C"
