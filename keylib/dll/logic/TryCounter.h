// ISO/IEC 7816-4 rules for the user password's try counter.
#pragma once

#include <cstdint>

#include "keylib/dll/logic/KeyRecord.h"

namespace keylib {

constexpr uint32_t kSwWrongPassword = 0x63C0;  // low four bits: tries left
constexpr uint32_t kSwLocked = 0x6983;

// 0x6983 when no try is left, else 0: a locked key is not even compared.
uint32_t lockedStatus(const KeyRecord& record);
// Counts one comparison: a match refills the tries and answers 0, a mismatch uses one up and
// answers 0x63C0 with the tries left in the low four bits.
uint32_t countTry(KeyRecord& record, bool matched);

}  // namespace keylib
