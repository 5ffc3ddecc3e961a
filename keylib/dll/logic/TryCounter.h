// ISO/IEC 7816-4 rules for the user password's try counter. As on a card, a try is charged
// (and stored) before the comparison and refunded after a match, so that cutting the work
// short, or a key file that cannot be written, never yields a free guess.
#pragma once

#include <cstdint>

#include "keylib/dll/logic/KeyRecord.h"

namespace keylib {

constexpr uint32_t kSwWrongPassword = 0x63C0;  // low four bits: tries left
constexpr uint32_t kSwLocked = 0x6983;

// 0x6983 when no try is left, else 0: a locked key is not even compared.
uint32_t lockedStatus(const KeyRecord& record);
// Uses up one try; only for a key that is not locked.
void chargeTry(KeyRecord& record);
// After the comparison of a charged try: a match refills the tries and answers 0, a mismatch
// answers 0x63C0 with the tries left in the low four bits.
uint32_t settleTry(KeyRecord& record, bool matched);

}  // namespace keylib
