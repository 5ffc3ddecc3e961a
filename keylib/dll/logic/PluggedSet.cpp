#include "keylib/dll/logic/PluggedSet.h"

#include <cstdio>

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

bool parsePlugId(const std::string& text, uint64_t& value) {
    if (text.size() != 16) return false;
    value = 0;
    for (char c : text) {
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            return false;
        }
        value = (value << 4) | static_cast<uint64_t>(digit);
    }
    return true;
}

// The words of a line separated by single blanks; a trailing CR (from an editor) is dropped.
std::vector<std::string> words(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> result;
    size_t start = 0;
    for (;;) {
        const size_t blank = line.find(' ', start);
        result.push_back(line.substr(start, blank - start));
        if (blank == std::string::npos) return result;
        start = blank + 1;
    }
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    size_t at = 0;
    std::string line;
    while (nextLine(text, at, line)) result.push_back(line);
    return result;
}

bool isBlank(const std::string& line) { return line.empty() || line == "\r"; }

bool parseCounter(const std::string& line, uint32_t& next) {
    const std::vector<std::string> w = words(line);
    return w.size() == 2 && w[0] == "next" && parseSlot(w[1], next);
}

bool parseKey(const std::string& line, PluggedKey& key) {
    const std::vector<std::string> w = words(line);
    if (w.size() != 2 && w.size() != 3) return false;
    key.name = w[1];
    key.plugId = 0;
    return parseSlot(w[0], key.slot) && isValidKeyName(key.name) &&
           (w.size() == 2 || parsePlugId(w[2], key.plugId));
}

bool fits(const PluggedSet& set, const PluggedKey& key) {
    return set.keys.size() < kMaxPlugged && findSlot(set, key.slot) == nullptr &&
           findName(set, key.name) == nullptr;
}

}  // namespace

bool parsePluggedSet(const std::string& text, PluggedSet& out) {
    PluggedSet result;
    const std::vector<std::string> all = lines(text);
    if (!all.empty() && !parseCounter(all[0], result.nextSlot)) return false;
    for (size_t i = 1; i < all.size(); ++i) {
        if (isBlank(all[i])) continue;
        PluggedKey key;
        if (!parseKey(all[i], key) || !fits(result, key)) return false;
        result.keys.push_back(key);
    }
    out = result;
    return true;
}

std::string formatPluggedSet(const PluggedSet& set) {
    std::string text = "next " + std::to_string(set.nextSlot) + "\n";
    for (const PluggedKey& key : set.keys) {
        char id[17];
        std::snprintf(id, sizeof id, "%016llx", static_cast<unsigned long long>(key.plugId));
        text += std::to_string(key.slot) + ' ' + key.name + ' ' + id + '\n';
    }
    return text;
}

size_t salvagePluggedSet(const std::string& text, PluggedSet& out) {
    PluggedSet result;
    size_t dropped = 0;
    for (const std::string& line : lines(text)) {
        PluggedKey key;
        uint32_t next = 0;
        if (isBlank(line)) continue;
        if (parseCounter(line, next)) {
            if (next > result.nextSlot) result.nextSlot = next;
        } else if (parseKey(line, key) && fits(result, key)) {
            result.keys.push_back(key);
        } else {
            ++dropped;
        }
    }
    for (const PluggedKey& key : result.keys) {
        if (key.slot >= result.nextSlot) {
            result.nextSlot = key.slot == 0xFFFFFFFFu ? 1 : key.slot + 1;
        }
    }
    out = result;
    return dropped;
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

PlugResult plugKey(PluggedSet& set, const std::string& name, uint64_t plugId, uint32_t& slot) {
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
    set.keys.push_back(PluggedKey{slot, name, plugId});
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
