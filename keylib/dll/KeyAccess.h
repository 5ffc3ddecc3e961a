// The step every export takes first: lock the store, find the key plugged in at the slot and
// read it. The lock is held until the work on the key is done.
#pragma once

#include <cstdint>
#include <string>

#include "keylib/dll/KeyStore.h"
#include "keylib/dll/logic/KeyRecord.h"
#include "keylib/dll/logic/KeyStatus.h"

namespace keylib {

struct OpenKey {
    KeyStore store;
    PluggedKey plugging;  // slot, key name and plug id
    KeyRecord record;

    uint32_t save() { return store.writeKey(plugging.name, record); }
};

uint32_t openKey(uint32_t slot, OpenKey& key);

// Runs work(OpenKey&) on the key at the slot; answers the first failure or work's result.
template <class Work>
uint32_t withKey(uint32_t slot, Work&& work) {
    OpenKey key;
    const uint32_t status = openKey(slot, key);
    return status != KEYLIB_OK ? status : work(key);
}

}  // namespace keylib
