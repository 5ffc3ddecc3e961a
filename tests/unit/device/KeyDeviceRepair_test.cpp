#include "device/logic/KeyDeviceRepair.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "device/logic/KeyDeviceRepairRegistry.h"

namespace keytool {
namespace {

using namespace std::string_literals;
using Log = std::vector<std::string>;

// Keys by full path with an access list; some cannot be opened or deleted, some
// grants stop half-way (the list changed, failure answered), some lists cannot
// be put back. Restore failures are reported into `unrestored`.
struct FakeRegistry : Registry, RepairReport {
    struct Key {
        std::string access = "own";
        bool opens = true, deletes = true, grantHalfFails = false, restores = true;
    };
    std::map<std::string, Key> keys;
    std::map<RegKey, std::string> open;
    Log log, unrestored;
    int budget = 1000;  // a walk asking for more names than this never ends

    FakeRegistry(std::initializer_list<std::string> paths = {}) {
        for (const std::string& path : paths) keys[path];
    }

    Log ChildrenOf(const std::string& path) const {
        Log names;
        for (const auto& [p, key] : keys) {
            if (p.rfind(path + '\\', 0) == 0 &&
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
        return !keys[path].grantHalfFails;
    }
    bool RestoreAccess(const std::string& path, const SavedAccess& original) override {
        if (!keys.at(path).restores) return false;
        keys.at(path).access.assign(original.begin(), original.end());
        return true;
    }
    void RestoreFailed(const std::string& path) override { unrestored.push_back(path); }
    RegKey OpenKey(const std::string& path) override {
        if (!keys.count(path) || !keys[path].opens) return 0;
        const RegKey key = open.empty() ? 1 : open.rbegin()->first + 1;
        open[key] = path;
        return key;
    }
    SubKeyName EnumSubKey(RegKey key, std::uint32_t index, std::string& name) override {
        const Log names = ChildrenOf(open.at(key));
        if (--budget < 0 || index >= names.size()) return SubKeyName::kNone;
        name = names[index];
        return SubKeyName::kNamed;
    }
    std::uint32_t CountSubKeys(RegKey key) override {
        return static_cast<std::uint32_t>(ChildrenOf(open.at(key)).size());
    }
    bool DeleteKey(const std::string& path) override {
        if (!keys[path].deletes || !ChildrenOf(path).empty()) return false;
        keys.erase(path);
        log.push_back(path);
        return true;
    }
    void CloseKey(RegKey key) override { open.erase(key); }
};

// Devices as (status answers, DN flags, class image, problem, hardware ids).
struct Device {
    bool answers;
    std::uint32_t status;
    bool image;
    std::uint32_t problem;
    std::string ids;
};
struct FakeDevices : DeviceList, MessageSink {
    std::vector<Device> devices;
    const Device* device = nullptr;
    Log shown;
    bool Open() override { return true; }
    bool SelectDevice(std::uint32_t i) override {
        device = i < devices.size() ? &devices[i] : nullptr;
        return device;
    }
    bool GetNodeStatus(std::uint32_t& status, std::uint32_t& problem) override {
        status = device->status;
        problem = device->problem;
        return device->answers;
    }
    bool HasClassImage() override { return device->image; }
    bool ReadProperty(DeviceProperty property, char* buffer, std::size_t size) override {
        if (property != DeviceProperty::kHardwareId) return false;
        std::fill(buffer, buffer + size, 'x');  // what the ids leave of the buffer is not text
        device->ids.copy(buffer, std::min(size, device->ids.size()));
        return true;
    }
    void Show(const char* text) override { shown.push_back(text); }
};

TEST(KeyDeviceRepair, OnlyShownFailedDevicesWithTheExactIdAreRepairedOnceEach) {
    const std::string id = kKeyHardwareId;
    const std::string ok = id + "\0\0"s;
    const struct {
        std::vector<Device> devices;
        size_t repairs;
    } cases[] = {
        {{{false, 0, true, 28, ok},
          {true, kDnNoShowInDm, true, 28, ok},
          {true, 0, false, 28, ok},
          {true, 0, true, 0, ok}},
         0},  // no answer, hidden, no class image, no problem
        {{{true, 0, true, 28, "USB\\Vid_d1a1&Pid_2291&Rev_0100\0"s + ok}}, 1},  // matched once
        {{{true, 0, true, 28, "USB\\VID_D1A1&PID_2291\0\0"s}}, 0},              // case matters
        {{{true, 0, true, 28, ""}}, 0},  // a buffer without text, unterminated
        {{{true, 0, true, 28, ok}, {true, 0, true, 10, ok}}, 2},
    };
    for (const auto& c : cases) {
        FakeDevices devices;
        devices.devices = c.devices;
        FakeRegistry registry;
        for (const char* path : {kKeyDevicePaths[0], kKeyDevicePaths[2]}) {  // no ControlSet002
            registry.keys[path];
            registry.keys[path + "\\5&2f&0&1"s];
        }
        CheckKeyDevice(devices, registry, devices, registry);
        EXPECT_EQ(devices.shown, Log(c.repairs, kReinsertMessage));
        EXPECT_EQ(registry.log.size(), c.repairs ? 2u : 0u);  // both instance keys, once
    }
}

TEST(KeyDeviceRepair, WalkDeletesBottomUpSkipsWhatStaysAndRestoresAccess) {
    const std::string path = kKeyDevicePaths[0];
    FakeRegistry registry{
        path,         path + "\\1",       path + "\\1\\Params", path + "\\1\\Params\\Irq",
        path + "\\2", path + "\\3",       path + "\\3\\child",  path + "\\4",
        path + "\\5", path + "\\5\\child"};
    registry.keys[path].grantHalfFails = true;  // the list changed, failure answered
    registry.keys[path + "\\2"].opens = false;
    registry.keys[path + "\\3"].deletes = registry.keys[path + "\\5"].deletes = false;
    registry.keys[path + "\\5"].restores = false;

    EXPECT_EQ(DeleteSubKeys(registry, path, registry), 1);
    EXPECT_EQ(registry.log, (Log{path + "\\1\\Params\\Irq", path + "\\1\\Params", path + "\\1",
                                 path + "\\3\\child", path + "\\4", path + "\\5\\child"}));
    EXPECT_EQ(registry.ChildrenOf(path), (Log{"2", "3", "5"}));
    EXPECT_GE(registry.budget, 0);
    EXPECT_EQ(registry.keys[path].access, "own");
    EXPECT_EQ(registry.keys[path + "\\3"].access, "own");  // left behind with its own list
    EXPECT_TRUE(registry.open.empty());
    EXPECT_EQ(registry.unrestored, Log{path + "\\5"});
}

TEST(KeyDeviceRepair, IdListIsReadOnlyInsideItsBuffer) {
    const std::string id = kKeyHardwareId;
    const auto count = [](const std::string& bytes, bool isList) {
        const std::vector<char> exact(bytes.begin(), bytes.end());  // ASan sees one byte more
        return CountKeyIdMatches(exact.data(), exact.size(), isList);
    };
    const std::string filler(kDeviceTextSize - id.size() - 1, 'A');
    EXPECT_EQ(count(filler + '\0' + id, true), 1u);  // no final terminator
    EXPECT_EQ(count(filler + '\0' + id.substr(1), true), 0u);
    EXPECT_EQ(count(id + '\0' + id, false), 1u);    // not a list: one string
    EXPECT_EQ(count(id + "\0\0"s + id, true), 1u);  // the list ends at the empty string
}

}  // namespace
}  // namespace keytool
