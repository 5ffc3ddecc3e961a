// The store's set of plugged-in keys, kept as a small text file so that any process (the
// library in the key tool, the admin tool, a test) can plug and pull keys:
//   next <slot the next plugged key gets>
//   <slot> <key name>        one line per key, in plug order
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace keylib {

constexpr size_t kMaxPlugged = 256;

struct PluggedKey {
    uint32_t slot = 0;
    std::string name;
};

struct PluggedSet {
    uint32_t nextSlot = 1;
    std::vector<PluggedKey> keys;  // plug order
};

// An empty text is the empty set. Anything malformed (duplicate slot or name, slot 0, a bad
// name, more than 256 keys) fails.
bool parsePluggedSet(const std::string& text, PluggedSet& out);
std::string formatPluggedSet(const PluggedSet& set);

const PluggedKey* findSlot(const PluggedSet& set, uint32_t slot);
const PluggedKey* findName(const PluggedSet& set, const std::string& name);

enum class PlugResult { Plugged, AlreadyPlugged, Full };
// A newly plugged key gets a slot no plugged key holds, never 0; slots are not reused until
// the counter wraps, so a re-plugged key is a new slot and old verifications do not carry over.
PlugResult plugKey(PluggedSet& set, const std::string& name, uint32_t& slot);
bool pullKey(PluggedSet& set, const std::string& name);

}  // namespace keylib
