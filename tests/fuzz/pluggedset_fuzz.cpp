// Fuzzes the plugged-in set's text parser: refused, or read into a set whose text form reads
// back to the same set.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "keylib/dll/logic/PluggedSet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    keylib::PluggedSet set;
    if (!keylib::parsePluggedSet(std::string(reinterpret_cast<const char*>(data), size), set)) {
        return 0;
    }
    const std::string text = keylib::formatPluggedSet(set);
    keylib::PluggedSet again;
    if (!keylib::parsePluggedSet(text, again) || keylib::formatPluggedSet(again) != text ||
        set.keys.size() > keylib::kMaxPlugged) {
        std::abort();
    }
    return 0;
}
