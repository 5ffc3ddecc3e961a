#include "keylib/dll/logic/TryCounter.h"

namespace keylib {

uint32_t lockedStatus(const KeyRecord& record) { return record.triesLeft == 0 ? kSwLocked : 0; }

uint32_t countTry(KeyRecord& record, bool matched) {
    if (matched) {
        record.triesLeft = record.maxTries;
        return 0;
    }
    if (record.triesLeft > 0) --record.triesLeft;
    return kSwWrongPassword | record.triesLeft;
}

}  // namespace keylib
