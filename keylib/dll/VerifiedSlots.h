// Which pluggings had their user password verified in this process since their last reset, as a
// card remembers its security status until it is reset or pulled. A verification belongs to the
// key's name and plug id at that slot: a slot number that comes back (a lost plugged-in list,
// a key plugged in again) starts unverified.
#pragma once

#include <cstdint>

#include "keylib/dll/logic/PluggedSet.h"

namespace keylib {

void markVerified(const PluggedKey& plugging);
void forgetVerified(uint32_t slot);
bool isVerified(const PluggedKey& plugging);

}  // namespace keylib
