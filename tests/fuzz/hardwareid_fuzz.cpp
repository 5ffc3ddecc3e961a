// The failed-device check on the hardware ids the system reports: property
// texts of any bytes, terminated or not, are read only inside the 260-byte
// buffer, and each device is repaired at most once per string of its list.
#include <cstring>
#include <vector>

#include "device/logic/KeyDeviceRepair.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

using namespace keytool;

// Failed devices whose properties are the fuzzer's bytes, written within the buffer.
class FuzzedDevices : public DeviceList, public MessageSink {
public:
    explicit FuzzedDevices(fuzz::FuzzInput& input) : m_input(input) {}
    bool Open() override { return true; }
    bool SelectDevice(std::uint32_t index) override { return index < 8 && m_input.TakeFlag(); }
    bool GetNodeStatus(std::uint32_t& status, std::uint32_t& problem) override {
        status = 0;
        problem = 28;
        return true;
    }
    bool HasClassImage() override { return true; }
    bool ReadProperty(DeviceProperty, char* buffer, std::size_t size) override {
        const std::string bytes = m_input.TakeBytes(m_input.Take<std::uint16_t>() % (size + 1));
        std::memcpy(buffer, bytes.data(), bytes.size());
        return m_input.Take<std::uint8_t>() != 0;
    }
    void Show(const char*) override { ++shown; }
    std::size_t shown = 0;

private:
    fuzz::FuzzInput& m_input;
};

// A registry without keys: the walk finds nothing to open.
class EmptyRegistry : public Registry, public RepairReport {
public:
    bool GrantEveryoneAccess(const std::string&, SavedAccess&) override { return false; }
    bool RestoreAccess(const std::string&, const SavedAccess&) override { return true; }
    RegKey OpenKey(const std::string&) override { return 0; }
    SubKeyName EnumSubKey(RegKey, std::uint32_t, std::string&) override {
        return SubKeyName::kNone;
    }
    std::uint32_t CountSubKeys(RegKey) override { return 0; }
    bool DeleteKey(const std::string&) override { return false; }
    void CloseKey(RegKey) override {}
    void RestoreFailed(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const bool isList = input.TakeFlag();
    const std::string head = input.TakeBytes(input.Take<std::uint16_t>());
    const std::vector<char> text(head.begin(), head.end());  // exactly its size
    const std::size_t matches = CountKeyIdMatches(text.data(), text.size(), isList);
    // Each match is the id and the NUL or end after it.
    fuzz::Check(matches * sizeof kKeyHardwareId <= text.size() + 1, "matches fit the text");
    fuzz::Check(isList || matches <= 1, "a plain text is one string");

    FuzzedDevices devices(input);
    EmptyRegistry registry;
    CheckKeyDevice(devices, registry, devices, registry);
    fuzz::Check(devices.shown <= 8 * (kDeviceTextSize / sizeof kKeyHardwareId + 1),
                "at most one repair per string of each list");
    return 0;
}
