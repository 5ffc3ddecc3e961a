// The store's set of plugged-in keys, kept as a small text file so that any process (the
// library in the key tool, the admin tool, a test) can plug and pull keys:
//   next <slot the next plugged key gets>
//   <slot> <key name> <plug id>   one line per key, in plug order; the id is 16 hex digits
// The plug id is drawn at random at each plugging, so a verification bound to it never carries
// over to another key, or to the same key plugged in again, even when a slot number repeats.
// A line without an id (written before ids existed) reads as id 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace keylib {

constexpr size_t kMaxPlugged = 256;

struct PluggedKey {
    uint32_t slot = 0;
    std::string name;
    uint64_t plugId = 0;

    bool operator==(const PluggedKey& other) const {
        return slot == other.slot && name == other.name && plugId == other.plugId;
    }
};

struct PluggedSet {
    uint32_t nextSlot = 1;
    std::vector<PluggedKey> keys;  // plug order
};

// An empty text is the empty set. Anything malformed (duplicate slot or name, slot 0, a bad
// name, more than 256 keys) fails.
bool parsePluggedSet(const std::string& text, PluggedSet& out);
std::string formatPluggedSet(const PluggedSet& set);

// Reads what can be saved from a damaged text: every well-formed line whose slot and name are
// not taken by an earlier line, up to 256; the counter is kept if readable and always moved past
// every kept slot. Answers the number of lines dropped.
size_t salvagePluggedSet(const std::string& text, PluggedSet& out);

const PluggedKey* findSlot(const PluggedSet& set, uint32_t slot);
const PluggedKey* findName(const PluggedSet& set, const std::string& name);

enum class PlugResult { Plugged, AlreadyPlugged, Full };
// A newly plugged key gets a slot no plugged key holds, never 0, and the given plug id; slots are
// not reused until the counter wraps, so a re-plugged key is a new slot.
PlugResult plugKey(PluggedSet& set, const std::string& name, uint64_t plugId, uint32_t& slot);
bool pullKey(PluggedSet& set, const std::string& name);

}  // namespace keylib
