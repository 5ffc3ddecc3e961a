// Which slots had their user password verified in this process since their last reset, as a
// card remembers its security status until it is reset or pulled. Slots are never reused
// while the counter runs, so a pulled and re-plugged key starts unverified.
#pragma once

#include <cstdint>

namespace keylib {

void markVerified(uint32_t slot);
void forgetVerified(uint32_t slot);
bool isVerified(uint32_t slot);

}  // namespace keylib
