#include "device/logic/KeyDeviceRepair.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "tests/unit/device/FakeRegistry.h"

namespace keytool::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::string_literals;

// Hardware-id lists are written with their NULs spelled out.
std::string Ids(std::initializer_list<std::string> ids) {
    std::string list;
    for (const auto& id : ids) list += id + '\0';
    return list + '\0';
}

struct FakeDevice {
    bool statusAnswers = true;
    std::uint32_t status = 0;
    std::uint32_t problem = 28;
    bool hasImage = true;
    std::map<DeviceProperty, std::string> properties;
    std::vector<std::string> asked;  // the checks the device was put through
};

FakeDevice FailedDevice(const std::string& ids) {
    FakeDevice device;
    device.properties[DeviceProperty::kHardwareId] = ids;
    return device;
}

class FakeDeviceList : public DeviceList {
public:
    std::vector<FakeDevice> devices;
    bool opens = true;

    bool Open() override { return opens; }
    bool SelectDevice(std::uint32_t index) override {
        selected_ = index < devices.size() ? &devices[index] : nullptr;
        return selected_ != nullptr;
    }
    bool GetNodeStatus(std::uint32_t& status, std::uint32_t& problem) override {
        selected_->asked.push_back("status");
        status = selected_->status;
        problem = selected_->problem;
        return selected_->statusAnswers;
    }
    bool HasClassImage() override {
        selected_->asked.push_back("image");
        return selected_->hasImage;
    }
    bool ReadProperty(DeviceProperty property, char* buffer, std::size_t size) override {
        selected_->asked.push_back("property " + std::to_string(static_cast<int>(property)));
        // A failed read may still scribble over the buffer.
        std::fill(buffer, buffer + size, 'x');
        const auto it = selected_->properties.find(property);
        if (it == selected_->properties.end() || it->second.size() > size) return false;
        std::copy(it->second.begin(), it->second.end(), buffer);
        return true;
    }

private:
    FakeDevice* selected_ = nullptr;
};

class RecordedMessages : public MessageSink {
public:
    std::vector<std::string> shown;
    void Show(const char* text) override { shown.emplace_back(text); }
};

class CheckKeyDeviceTest : public ::testing::Test {
protected:
    FakeDeviceList devices;
    FakeRegistry registry;
    RecordedMessages messages;

    void SetUp() override {
        for (const char* path : kKeyDevicePaths) {
            registry.Add(path);
            registry.Add(std::string(path) + "\\5&2f&0&1");
        }
    }
    void Check() { CheckKeyDevice(devices, registry, messages); }
    std::vector<std::string> Deleted() const {
        std::vector<std::string> deleted;
        for (const auto& entry : registry.log) {
            if (entry.rfind("delete ", 0) == 0) deleted.push_back(entry.substr(7));
        }
        return deleted;
    }
};

TEST_F(CheckKeyDeviceTest, LeavesDevicesWithoutAShownProblemAlone) {
    const std::string ids = Ids({kKeyHardwareId});
    devices.devices.assign(4, FailedDevice(ids));
    devices.devices[0].statusAnswers = false;
    devices.devices[1].status = kDnNoShowInDm | 0x0A;
    devices.devices[2].hasImage = false;
    devices.devices[3].problem = 0;

    Check();

    EXPECT_THAT(registry.log, IsEmpty());
    EXPECT_THAT(messages.shown, IsEmpty());
    EXPECT_THAT(devices.devices[0].asked, ElementsAre("status"));
    EXPECT_THAT(devices.devices[1].asked, ElementsAre("status"));
    EXPECT_THAT(devices.devices[2].asked, ElementsAre("status", "image"));
    EXPECT_THAT(devices.devices[3].asked, ElementsAre("status", "image"));
}

TEST_F(CheckKeyDeviceTest, RepairsTheThreeControlSetsOncePerMatchingId) {
    devices.devices.push_back(
        FailedDevice(Ids({"USB\\Vid_d1a1&Pid_2291&Rev_0100", kKeyHardwareId})));

    Check();

    EXPECT_THAT(Deleted(), ElementsAre(std::string(kKeyDevicePaths[0]) + "\\5&2f&0&1",
                                       std::string(kKeyDevicePaths[1]) + "\\5&2f&0&1",
                                       std::string(kKeyDevicePaths[2]) + "\\5&2f&0&1"));
    for (const char* path : kKeyDevicePaths) EXPECT_TRUE(registry.Has(path)) << path;
    EXPECT_THAT(messages.shown, ElementsAre("请重新插入UsbKey!"));
}

TEST_F(CheckKeyDeviceTest, MatchesTheIdOnlyInItsOwnCase) {
    devices.devices.push_back(FailedDevice(Ids({"USB\\VID_D1A1&PID_2291"})));
    devices.devices.push_back(FailedDevice(Ids({"usb\\vid_d1a1&pid_2291", "USB\\Vid_d1a1"})));

    Check();

    EXPECT_THAT(registry.log, IsEmpty());
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(CheckKeyDeviceTest, RepairsAndAsksAgainForEachFailedKey) {
    devices.devices.push_back(FailedDevice(Ids({kKeyHardwareId})));
    devices.devices.push_back(FailedDevice(Ids({"USB\\Vid_0000&Pid_0000"})));
    devices.devices.push_back(FailedDevice(Ids({kKeyHardwareId})));
    registry.keys.erase(std::string(kKeyDevicePaths[1]) + "\\5&2f&0&1");
    registry.keys.erase(kKeyDevicePaths[1]);

    Check();

    // The control set without the key's entry is passed over without a word.
    const auto grants =
        std::count_if(registry.log.begin(), registry.log.end(),
                      [](const std::string& e) { return e.rfind("grant ", 0) == 0; });
    EXPECT_EQ(grants, 4);
    EXPECT_EQ(Deleted().size(), 2u);
    EXPECT_FALSE(registry.Has(kKeyDevicePaths[1]));
    EXPECT_THAT(messages.shown, ElementsAre(kReinsertMessage, kReinsertMessage));
}

TEST_F(CheckKeyDeviceTest, DoesNothingWithoutADeviceList) {
    devices.opens = false;
    devices.devices.push_back(FailedDevice(Ids({kKeyHardwareId})));

    Check();

    EXPECT_THAT(devices.devices[0].asked, IsEmpty());
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST(GetDeviceText, TakesTheFirstReadablePropertyAndOnlyIdsAsAList) {
    FakeDeviceList devices;
    FakeDevice described;
    described.properties[DeviceProperty::kDeviceDesc] =
        "USB Input Device\0"s + Ids({kKeyHardwareId});
    described.properties[DeviceProperty::kClass] = "HIDClass";
    devices.devices = {described, FakeDevice{}};
    DeviceText text;

    ASSERT_TRUE(devices.SelectDevice(0));
    GetDeviceText(devices, text);
    EXPECT_STREQ(text.bytes, "USB Input Device");
    EXPECT_EQ(CountKeyIdMatches(text.bytes, sizeof text.bytes, text.isIdList), 0u);
    EXPECT_THAT(devices.devices[0].asked, ElementsAre("property 1", "property 0"));

    ASSERT_TRUE(devices.SelectDevice(1));
    GetDeviceText(devices, text);
    EXPECT_STREQ(text.bytes, "未知设备!");
    EXPECT_THAT(devices.devices[1].asked,
                ElementsAre("property 1", "property 0", "property 7", "property 8"));
}

TEST(CountKeyIdMatches, StaysInsideATextWithoutItsTerminators) {
    const std::string id = kKeyHardwareId;
    // Heap buffers of the exact size, so reading one byte past the end is caught.
    const auto count = [](const std::string& bytes, bool isIdList) {
        const std::vector<char> buffer(bytes.begin(), bytes.end());
        return CountKeyIdMatches(buffer.data(), buffer.size(), isIdList);
    };

    EXPECT_EQ(count(std::string(kDeviceTextSize, 'U'), true), 0u);
    EXPECT_EQ(count(id, true), 1u);
    EXPECT_EQ(count(id, false), 1u);
    EXPECT_EQ(count(id + '\0' + id, true), 2u);
    EXPECT_EQ(count(id + '\0' + id, false), 1u);
    EXPECT_EQ(count(id + '\0' + id.substr(0, id.size() - 1), true), 1u);
    EXPECT_EQ(count(id + "\0\0"s + id, true), 1u);
}

TEST_F(CheckKeyDeviceTest, ReadsAnUnterminatedIdListOnlyUpToItsEnd) {
    const std::string id = kKeyHardwareId;
    std::string full(kDeviceTextSize - id.size() - 1, 'A');
    full += '\0' + id;
    ASSERT_EQ(full.size(), kDeviceTextSize);
    devices.devices.push_back(FailedDevice(full));
    devices.devices.push_back(FailedDevice(full.substr(0, kDeviceTextSize - 1)));

    Check();

    EXPECT_THAT(messages.shown, ElementsAre(kReinsertMessage));
}

}  // namespace
}  // namespace keytool::testing
