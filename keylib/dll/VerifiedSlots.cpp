#include "keylib/dll/VerifiedSlots.h"

#include <windows.h>

#include <set>

namespace keylib {
namespace {

SRWLOCK lock = SRWLOCK_INIT;
std::set<uint32_t>& slots() {
    static std::set<uint32_t> verified;
    return verified;
}

}  // namespace

void markVerified(uint32_t slot) {
    AcquireSRWLockExclusive(&lock);
    slots().insert(slot);
    ReleaseSRWLockExclusive(&lock);
}

void forgetVerified(uint32_t slot) {
    AcquireSRWLockExclusive(&lock);
    slots().erase(slot);
    ReleaseSRWLockExclusive(&lock);
}

bool isVerified(uint32_t slot) {
    AcquireSRWLockShared(&lock);
    const bool verified = slots().count(slot) != 0;
    ReleaseSRWLockShared(&lock);
    return verified;
}

}  // namespace keylib
