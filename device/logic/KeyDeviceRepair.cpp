#include "device/logic/KeyDeviceRepair.h"

#include <cstring>

namespace keytool {

namespace {

constexpr DeviceProperty kTextProperties[] = {
    DeviceProperty::kHardwareId,
    DeviceProperty::kDeviceDesc,
    DeviceProperty::kClass,
    DeviceProperty::kClassGuid,
};

void SetUnknown(DeviceText& text) {
    std::memcpy(text.bytes, kUnknownDevice, sizeof kUnknownDevice);
    text.isIdList = false;
}

// Only a device Windows shows and marks with a problem can be the failed key.
bool IsFailedDevice(DeviceList& devices) {
    std::uint32_t status = 0;
    std::uint32_t problem = 0;
    if (!devices.GetNodeStatus(status, problem)) return false;
    if (status & kDnNoShowInDm) return false;
    if (!devices.HasClassImage()) return false;
    return problem != 0;
}

bool IsKeyId(const char* string, std::size_t length) {
    return length == sizeof kKeyHardwareId - 1 && std::memcmp(string, kKeyHardwareId, length) == 0;
}

}  // namespace

void GetDeviceText(DeviceList& devices, DeviceText& text) {
    SetUnknown(text);
    for (const DeviceProperty property : kTextProperties) {
        if (devices.ReadProperty(property, text.bytes, sizeof text.bytes)) {
            text.isIdList = property == DeviceProperty::kHardwareId;
            return;
        }
    }
    SetUnknown(text);
}

std::size_t CountKeyIdMatches(const char* text, std::size_t size, bool isIdList) {
    const char* const end = text + size;
    std::size_t matches = 0;
    for (const char* string = text; string < end;) {
        const void* nul = std::memchr(string, '\0', static_cast<std::size_t>(end - string));
        const char* stringEnd = nul ? static_cast<const char*>(nul) : end;
        const auto length = static_cast<std::size_t>(stringEnd - string);
        if (length == 0) break;
        if (IsKeyId(string, length)) ++matches;
        if (!isIdList || stringEnd == end) break;
        string = stringEnd + 1;
    }
    return matches;
}

void CheckKeyDevice(DeviceList& devices, Registry& registry, MessageSink& messages,
                    RepairReport& report) {
    if (!devices.Open()) return;
    DeviceText text;
    for (std::uint32_t index = 0; devices.SelectDevice(index); ++index) {
        if (!IsFailedDevice(devices)) continue;
        GetDeviceText(devices, text);
        const std::size_t matches = CountKeyIdMatches(text.bytes, sizeof text.bytes, text.isIdList);
        for (std::size_t n = 0; n < matches; ++n) {
            for (const char* path : kKeyDevicePaths) DeleteSubKeys(registry, path, report);
            messages.Show(kReinsertMessage);
        }
    }
}

}  // namespace keytool
