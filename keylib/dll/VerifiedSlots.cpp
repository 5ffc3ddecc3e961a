#include "keylib/dll/VerifiedSlots.h"

#include <windows.h>

#include <map>

namespace keylib {
namespace {

SRWLOCK lock = SRWLOCK_INIT;
std::map<uint32_t, PluggedKey>& verified() {
    static std::map<uint32_t, PluggedKey> pluggings;
    return pluggings;
}

}  // namespace

void markVerified(const PluggedKey& plugging) {
    AcquireSRWLockExclusive(&lock);
    verified()[plugging.slot] = plugging;
    ReleaseSRWLockExclusive(&lock);
}

void forgetVerified(uint32_t slot) {
    AcquireSRWLockExclusive(&lock);
    verified().erase(slot);
    ReleaseSRWLockExclusive(&lock);
}

bool isVerified(const PluggedKey& plugging) {
    AcquireSRWLockShared(&lock);
    const auto found = verified().find(plugging.slot);
    const bool same = found != verified().end() && found->second == plugging;
    ReleaseSRWLockShared(&lock);
    return same;
}

}  // namespace keylib
