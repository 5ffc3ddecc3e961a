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

const std::string kId = kKeyHardwareId;

struct FakeDevice {
    bool statusAnswers = true;
    std::uint32_t status = 0;
    std::uint32_t problem = 28;
    bool hasImage = true;
    std::map<DeviceProperty, std::string> properties;
    std::string asked;  // the questions put to the device, in order
};

FakeDevice Failed(const std::string& ids) {
    FakeDevice device;
    device.properties[DeviceProperty::kHardwareId] = ids;
    return device;
}

class FakeDeviceList : public DeviceList, public MessageSink {
public:
    std::vector<FakeDevice> devices;
    std::vector<std::string> shown;

    bool Open() override { return true; }
    bool SelectDevice(std::uint32_t index) override {
        device_ = index < devices.size() ? &devices[index] : nullptr;
        return device_ != nullptr;
    }
    bool GetNodeStatus(std::uint32_t& status, std::uint32_t& problem) override {
        device_->asked += "status ";
        status = device_->status;
        problem = device_->problem;
        return device_->statusAnswers;
    }
    bool HasClassImage() override {
        device_->asked += "image ";
        return device_->hasImage;
    }
    bool ReadProperty(DeviceProperty property, char* buffer, std::size_t size) override {
        device_->asked += std::to_string(static_cast<int>(property)) + ' ';
        std::fill(buffer, buffer + size, 'x');  // a failed read may scribble too
        const auto it = device_->properties.find(property);
        if (it == device_->properties.end()) return false;
        std::copy(it->second.begin(), it->second.end(), buffer);
        return true;
    }
    void Show(const char* text) override { shown.emplace_back(text); }

private:
    FakeDevice* device_ = nullptr;
};

class CheckKeyDeviceTest : public ::testing::Test {
protected:
    FakeDeviceList devices;
    FakeRegistry registry;

    void SetUp() override {
        for (const char* path : kKeyDevicePaths) {
            registry.keys[path];
            registry.keys[path + "\\5&2f&0&1"s];
        }
    }
    void Check() { CheckKeyDevice(devices, registry, devices); }
    std::vector<std::string> Log(const std::string& kind) const {
        std::vector<std::string> paths;
        for (const auto& entry : registry.log) {
            if (entry.rfind(kind + ' ', 0) == 0) paths.push_back(entry.substr(kind.size() + 1));
        }
        return paths;
    }
};

TEST_F(CheckKeyDeviceTest, LeavesDevicesWithoutAShownProblemAlone) {
    devices.devices.assign(4, Failed(kId + "\0"s));
    devices.devices[0].statusAnswers = false;
    devices.devices[1].status = kDnNoShowInDm | 0x0A;
    devices.devices[2].hasImage = false;
    devices.devices[3].problem = 0;

    Check();

    EXPECT_THAT(registry.log, IsEmpty());
    EXPECT_THAT(devices.shown, IsEmpty());
    EXPECT_EQ(devices.devices[0].asked, "status ");
    EXPECT_EQ(devices.devices[1].asked, "status ");
    EXPECT_EQ(devices.devices[2].asked, "status image ");
    EXPECT_EQ(devices.devices[3].asked, "status image ");
}

TEST_F(CheckKeyDeviceTest, RepairsTheThreeControlSetsForTheExactIdOnly) {
    devices.devices.push_back(Failed("USB\\Vid_d1a1&Pid_2291&Rev_0100\0"s + kId + "\0\0"s));
    devices.devices.push_back(Failed("USB\\VID_D1A1&PID_2291\0usb\\vid_d1a1&pid_2291\0\0"s));

    Check();

    EXPECT_THAT(Log("delete"),
                ElementsAre(kKeyDevicePaths[0] + "\\5&2f&0&1"s, kKeyDevicePaths[1] + "\\5&2f&0&1"s,
                            kKeyDevicePaths[2] + "\\5&2f&0&1"s));
    EXPECT_THAT(devices.shown, ElementsAre("请重新插入UsbKey!"));
}

TEST_F(CheckKeyDeviceTest, RepairsAndAsksAgainForEachFailedKey) {
    devices.devices = {Failed(kId + "\0\0"s), Failed("USB\\Vid_0000\0\0"s), Failed(kId + "\0\0"s)};
    registry.keys.erase(kKeyDevicePaths[1] + "\\5&2f&0&1"s);
    registry.keys.erase(kKeyDevicePaths[1]);

    Check();

    // The control set without the key's entry is passed over without a word.
    EXPECT_THAT(Log("grant"), ElementsAre(kKeyDevicePaths[0], kKeyDevicePaths[2],
                                          kKeyDevicePaths[0], kKeyDevicePaths[2]));
    EXPECT_EQ(Log("delete").size(), 2u);
    EXPECT_THAT(devices.shown, ElementsAre(kReinsertMessage, kReinsertMessage));
}

TEST(CountKeyIdMatches, StaysInsideATextWithoutItsTerminators) {
    // Heap buffers of the exact size, so one byte read past the end is caught.
    const auto count = [](const std::string& bytes, bool isIdList) {
        const std::vector<char> buffer(bytes.begin(), bytes.end());
        return CountKeyIdMatches(buffer.data(), buffer.size(), isIdList);
    };
    const std::string filler(kDeviceTextSize - kId.size() - 1, 'A');

    EXPECT_EQ(count(std::string(kDeviceTextSize, 'U'), true), 0u);
    EXPECT_EQ(count(filler + '\0' + kId, true), 1u);
    EXPECT_EQ(count(filler + '\0' + kId.substr(1), true), 0u);
    EXPECT_EQ(count(kId + '\0' + kId, true), 2u);
    EXPECT_EQ(count(kId + '\0' + kId, false), 1u);
    EXPECT_EQ(count(kId + "\0\0"s + kId, true), 1u);
}

}  // namespace
}  // namespace keytool::testing
