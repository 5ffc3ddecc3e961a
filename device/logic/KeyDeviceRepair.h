// The failed-device check run when the key library sees no key: a key that is
// plugged in but failed to start in Windows has its device entries wiped from
// the registry so that Windows installs it afresh, and the user is asked to
// plug it in again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/logic/KeyDeviceRepairRegistry.h"

namespace keytool {

// Compared byte for byte: case matters.
constexpr char kKeyHardwareId[] = "USB\\Vid_d1a1&Pid_2291";

// The key's device entries under HKEY_LOCAL_MACHINE, repaired in this order.
constexpr const char* kKeyDevicePaths[] = {
    "SYSTEM\\ControlSet001\\Enum\\USB\\Vid_d1a1&Pid_2291",
    "SYSTEM\\ControlSet002\\Enum\\USB\\Vid_d1a1&Pid_2291",
    "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_d1a1&Pid_2291",
};

constexpr char kReinsertMessage[] = "请重新插入UsbKey!";
constexpr char kUnknownDevice[] = "未知设备!";

constexpr std::size_t kDeviceTextSize = 260;

// Configuration-manager status bit of a device hidden from the device manager.
constexpr std::uint32_t kDnNoShowInDm = 0x40000000;

// Device registry properties, numbered as the setup functions number them.
enum class DeviceProperty : std::uint32_t {
    kDeviceDesc = 0,
    kHardwareId = 1,
    kClass = 7,
    kClassGuid = 8,
};

// One device's property text. Hardware ids are NUL-terminated strings ended by
// an empty one; any other text is a list of one string.
struct DeviceText {
    char bytes[kDeviceTextSize];
    bool isIdList;
};

// The system's device list, one device selected at a time.
class DeviceList {
public:
    virtual ~DeviceList() = default;
    // Builds the list afresh; false when no usable list could be built.
    virtual bool Open() = 0;
    // False past the last device.
    virtual bool SelectDevice(std::uint32_t index) = 0;
    // False unless the configuration manager answers for the device.
    virtual bool GetNodeStatus(std::uint32_t& status, std::uint32_t& problem) = 0;
    virtual bool HasClassImage() = 0;
    // May leave `buffer` partly written when it fails.
    virtual bool ReadProperty(DeviceProperty property, char* buffer, std::size_t size) = 0;
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Show(const char* text) = 0;
};

// The selected device's first readable property among hardware ids,
// description, class name and class GUID; the unknown-device text otherwise.
void GetDeviceText(DeviceList& devices, DeviceText& text);

// How many strings of the text are exactly the key's hardware id. Nothing past
// `size` bytes is read: a string that runs to the end of the buffer ends there.
std::size_t CountKeyIdMatches(const char* text, std::size_t size, bool isIdList);

void CheckKeyDevice(DeviceList& devices, Registry& registry, MessageSink& messages,
                    RepairReport& report);

}  // namespace keytool
