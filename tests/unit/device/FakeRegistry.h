// An in-memory registry: keys by full path, each with an access list, some
// unopenable or undeletable; grants, restores and deletions are logged in order.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "device/logic/KeyDeviceRepairRegistry.h"

namespace keytool::testing {

struct FakeKey {
    std::string access = "owner-only";
    bool opens = true;
    bool deletes = true;
};

class FakeRegistry : public Registry {
public:
    std::map<std::string, FakeKey> keys;
    std::vector<std::string> log;
    std::map<RegKey, std::string> open;
    int enumBudget = 1000;  // a walk asking for more names is taken to be endless

    std::vector<std::string> ChildrenOf(const std::string& path) const {
        std::vector<std::string> names;
        for (const auto& entry : keys) {
            const std::string& p = entry.first;
            if (p.size() > path.size() + 1 && p.compare(0, path.size() + 1, path + '\\') == 0 &&
                p.find('\\', path.size() + 1) == std::string::npos) {
                names.push_back(p.substr(path.size() + 1));
            }
        }
        return names;
    }

    bool GrantEveryoneAccess(const std::string& path, SavedAccess& original) override {
        if (!keys.count(path)) return false;
        original.assign(keys[path].access.begin(), keys[path].access.end());
        keys[path].access = "everyone";
        log.push_back("grant " + path);
        return true;
    }
    void RestoreAccess(const std::string& path, const SavedAccess& original) override {
        keys.at(path).access.assign(original.begin(), original.end());
        log.push_back("restore " + path);
    }
    RegKey OpenKey(const std::string& path) override {
        if (!keys.count(path) || !keys[path].opens) return 0;
        const RegKey key = open.empty() ? 1 : open.rbegin()->first + 1;
        open[key] = path;
        return key;
    }
    SubKeyName EnumSubKey(RegKey key, std::uint32_t index, std::string& name) override {
        if (--enumBudget < 0) ADD_FAILURE() << "the walk does not end";
        const std::vector<std::string> names = ChildrenOf(open.at(key));
        if (enumBudget < 0 || index >= names.size()) return SubKeyName::kNone;
        if (names[index].size() >= kRegPathSize) return SubKeyName::kTooLong;
        name = names[index];
        return SubKeyName::kNamed;
    }
    std::uint32_t CountSubKeys(RegKey key) override {
        return static_cast<std::uint32_t>(ChildrenOf(open.at(key)).size());
    }
    bool DeleteKey(const std::string& path) override {
        if (!keys.count(path) || !keys[path].deletes || !ChildrenOf(path).empty()) return false;
        keys.erase(path);
        log.push_back("delete " + path);
        return true;
    }
    void CloseKey(RegKey key) override { EXPECT_EQ(open.erase(key), 1u) << "closed twice"; }
};

}  // namespace keytool::testing
