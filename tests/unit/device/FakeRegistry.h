// An in-memory registry for the device-repair walk: keys by full path, each
// with an access list; keys can be made unopenable or undeletable, and every
// grant, restore and deletion is logged in order.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "device/logic/KeyDeviceRepairRegistry.h"

namespace keytool::testing {

constexpr char kEveryone[] = "everyone";

struct FakeKey {
    std::string access = "owner-only";
    bool opens = true;
    bool deletes = true;
};

class FakeRegistry : public Registry {
public:
    std::map<std::string, FakeKey> keys;
    std::vector<std::string> log;
    // A walk that asks for more names than this is taken to be endless.
    int enumBudget = 1000;

    void Add(const std::string& path) { keys[path]; }
    bool Has(const std::string& path) const { return keys.count(path) != 0; }
    std::vector<std::string> ChildrenOf(const std::string& path) const {
        std::vector<std::string> names;
        const std::string prefix = path + '\\';
        for (const auto& [p, key] : keys) {
            if (p.compare(0, prefix.size(), prefix) != 0) continue;
            const std::string rest = p.substr(prefix.size());
            if (rest.find('\\') == std::string::npos) names.push_back(rest);
        }
        return names;
    }
    std::size_t OpenHandles() const { return open_.size(); }

    bool GrantEveryoneAccess(const std::string& path, SavedAccess& original) override {
        auto it = keys.find(path);
        if (it == keys.end()) return false;
        original.assign(it->second.access.begin(), it->second.access.end());
        it->second.access = kEveryone;
        log.push_back("grant " + path);
        return true;
    }
    void RestoreAccess(const std::string& path, const SavedAccess& original) override {
        keys.at(path).access.assign(original.begin(), original.end());
        log.push_back("restore " + path);
    }
    RegKey OpenKey(const std::string& path) override {
        auto it = keys.find(path);
        if (it == keys.end() || !it->second.opens) return 0;
        open_[++lastHandle_] = path;
        return lastHandle_;
    }
    SubKeyName EnumSubKey(RegKey key, std::uint32_t index, std::string& name) override {
        if (--enumBudget < 0) {
            ADD_FAILURE() << "the walk does not end";
            return SubKeyName::kNone;
        }
        const std::string& path = open_.at(key);
        if (!Has(path)) return SubKeyName::kNone;
        const std::vector<std::string> names = ChildrenOf(path);
        if (index >= names.size()) return SubKeyName::kNone;
        if (names[index].size() >= kRegPathSize) return SubKeyName::kTooLong;
        name = names[index];
        return SubKeyName::kNamed;
    }
    std::uint32_t CountSubKeys(RegKey key) override {
        return static_cast<std::uint32_t>(ChildrenOf(open_.at(key)).size());
    }
    bool DeleteKey(const std::string& path) override {
        auto it = keys.find(path);
        if (it == keys.end() || !it->second.deletes || !ChildrenOf(path).empty()) return false;
        keys.erase(it);
        log.push_back("delete " + path);
        return true;
    }
    void CloseKey(RegKey key) override { EXPECT_EQ(open_.erase(key), 1u) << "closed twice"; }

private:
    std::map<RegKey, std::string> open_;
    RegKey lastHandle_ = 0;
};

}  // namespace keytool::testing
