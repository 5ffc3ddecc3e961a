#include "keylib/dll/KeyAccess.h"

namespace keylib {

uint32_t openKey(uint32_t slot, OpenKey& key) {
    if (slot == 0) return KEYLIB_E_BAD_SLOT;
    uint32_t status = key.store.open();
    if (status == KEYLIB_OK) status = key.store.resolveSlot(slot, key.plugging);
    if (status == KEYLIB_OK) status = key.store.readKey(key.plugging.name, key.record);
    return status;
}

}  // namespace keylib
