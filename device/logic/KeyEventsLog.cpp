#include "device/logic/KeyEventsLog.h"

#include <cstdio>

#include "device/logic/KeyEvents.h"

namespace keytool {

std::string DescribeKeyEvaluation(const KeyEvaluation& e) {
    char text[160];
    if (e.eventType == kDbtDeviceArrival || e.eventType == kDbtDeviceRemoveComplete) {
        std::snprintf(text, sizeof text, "device change 0x%04X: ignored", unsigned{e.eventType});
    } else if (!e.listed) {
        std::snprintf(text, sizeof text, "device change 0x%04X: %u key(s), as before: no change",
                      unsigned{e.eventType}, unsigned{e.quickCount});
    } else {
        // A full read that finds the old count again still takes the removal path.
        std::snprintf(text, sizeof text,
                      "device change 0x%04X: %u key(s) counted, %u listed, %u before: %s",
                      unsigned{e.eventType}, unsigned{e.quickCount}, unsigned{e.listedCount},
                      unsigned{e.lastCount}, e.lastCount < e.listedCount ? "inserted" : "removed");
    }
    return text;
}

}  // namespace keytool
