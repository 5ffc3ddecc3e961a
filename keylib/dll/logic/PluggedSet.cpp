#include "keylib/dll/logic/PluggedSet.h"

#include <set>

#include "keylib/dll/logic/TextLines.h"
#include "keylib/dll/logic/TextRules.h"

namespace keylib {
namespace {

bool parseSlot(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v == 0 || v > 0xFFFFFFFFu) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

// Splits "a b" into exactly two words separated by one blank.
bool splitPair(std::string line, std::string& first, std::string& second) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t blank = line.find(' ');
    if (blank == std::string::npos) return false;
    first = line.substr(0, blank);
    second = line.substr(blank + 1);
    return second.find(' ') == std::string::npos;
}

}  // namespace

bool parsePluggedSet(const std::string& text, PluggedSet& out) {
    PluggedSet result;
    if (text.empty()) {
        out = result;
        return true;
    }
    size_t at = 0;
    std::string line, first, second;
    if (!nextLine(text, at, line) || !splitPair(line, first, second) || first != "next" ||
        !parseSlot(second, result.nextSlot)) {
        return false;
    }
    std::set<uint32_t> slots;
    std::set<std::string> names;
    while (nextLine(text, at, line)) {
        if (line.empty() || line == "\r") continue;
        PluggedKey key;
        if (!splitPair(line, first, key.name) || !parseSlot(first, key.slot) ||
            !isValidKeyName(key.name) || !slots.insert(key.slot).second ||
            !names.insert(key.name).second || result.keys.size() == kMaxPlugged) {
            return false;
        }
        result.keys.push_back(key);
    }
    out = result;
    return true;
}

std::string formatPluggedSet(const PluggedSet& set) {
    std::string out = "next " + std::to_string(set.nextSlot) + '\n';
    for (const PluggedKey& key : set.keys) {
        out += std::to_string(key.slot) + ' ' + key.name + '\n';
    }
    return out;
}

const PluggedKey* findSlot(const PluggedSet& set, uint32_t slot) {
    for (const PluggedKey& key : set.keys) {
        if (key.slot == slot) return &key;
    }
    return nullptr;
}

const PluggedKey* findName(const PluggedSet& set, const std::string& name) {
    for (const PluggedKey& key : set.keys) {
        if (key.name == name) return &key;
    }
    return nullptr;
}

PlugResult plugKey(PluggedSet& set, const std::string& name, uint32_t& slot) {
    if (const PluggedKey* key = findName(set, name)) {
        slot = key->slot;
        return PlugResult::AlreadyPlugged;
    }
    if (set.keys.size() >= kMaxPlugged) return PlugResult::Full;
    uint32_t candidate = set.nextSlot == 0 ? 1 : set.nextSlot;
    while (findSlot(set, candidate) != nullptr) {
        candidate = candidate == 0xFFFFFFFFu ? 1 : candidate + 1;
    }
    slot = candidate;
    set.nextSlot = candidate == 0xFFFFFFFFu ? 1 : candidate + 1;
    set.keys.push_back(PluggedKey{slot, name});
    return PlugResult::Plugged;
}

bool pullKey(PluggedSet& set, const std::string& name) {
    for (auto it = set.keys.begin(); it != set.keys.end(); ++it) {
        if (it->name == name) {
            set.keys.erase(it);
            return true;
        }
    }
    return false;
}

}  // namespace keylib
