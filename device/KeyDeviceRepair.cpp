#include "device/KeyDeviceRepair.h"

#include "device/KeyDeviceRepairDevices.h"
#include "device/KeyDeviceRepairRegistry.h"
#include "framework/Text.h"
#include "log/Log.h"

namespace {

class OwnedMessageBox : public keytool::MessageSink {
public:
    explicit OwnedMessageBox(HWND owner) : m_owner(owner) {}
    void Show(const char* text) override {
        LogLine("repair: failed key device's registry entries wiped, asking to plug it in again");
        ::MessageBoxW(m_owner, fw::Widen(text).c_str(), L"提示", MB_OK);
    }

private:
    HWND m_owner;
};

}  // namespace

void CheckKeyDevice(HWND owner) {
    SetupDeviceList devices;
    MachineRegistry registry;
    OwnedMessageBox messages(owner);
    LoggedRepairReport report;
    keytool::CheckKeyDevice(devices, registry, messages, report);
}
