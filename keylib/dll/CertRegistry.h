// Puts a key's certificates into the current user's personal ("MY") certificate store and
// takes them out again, keeping the list of what it added in the key store.
#pragma once

#include <cstdint>

#include "keylib/dll/KeyStore.h"
#include "keylib/dll/logic/KeyRecord.h"

namespace keylib {

// kinds: bit 0 for the certificates of kind 1, bit 1 for kind 2. A certificate already in the
// store that this library did not add is left as it is and not taken over. The cost does not
// grow with the number of certificates the store holds.
uint32_t registerCertificates(KeyStore& store, const KeyRecord& record, uint32_t kinds);
// Removes every certificate registerCertificates added, in any process, and nothing else.
uint32_t unregisterCertificates(KeyStore& store);

}  // namespace keylib
