#include "keylib/dll/logic/TryCounter.h"

namespace keylib {

uint32_t lockedStatus(const KeyRecord& record) { return record.triesLeft == 0 ? kSwLocked : 0; }

void chargeTry(KeyRecord& record) {
    if (record.triesLeft > 0) --record.triesLeft;
}

uint32_t settleTry(KeyRecord& record, bool matched) {
    if (matched) {
        record.triesLeft = record.maxTries;
        return 0;
    }
    return kSwWrongPassword | record.triesLeft;
}

}  // namespace keylib
