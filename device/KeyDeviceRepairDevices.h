// The repair's device side: the system's device list as the setup and
// configuration-manager functions give it.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include "device/logic/KeyDeviceRepair.h"

// Rebuilt at every check and kept until the next one.
extern HDEVINFO g_hDevInfo;
// Fetched once, at the first check that builds a list, and kept for the process.
extern SP_CLASSIMAGELIST_DATA g_ClassImageList;

// Destroys the previous set and builds g_hDevInfo afresh from the devices of
// every class, present or not. Answers it, or INVALID_HANDLE_VALUE when no
// usable set could be built.
HDEVINFO OpenDeviceList();

class SetupDeviceList : public keytool::DeviceList {
public:
    bool Open() override;
    bool SelectDevice(std::uint32_t index) override;
    bool GetNodeStatus(std::uint32_t& status, std::uint32_t& problem) override;
    bool HasClassImage() override;
    bool ReadProperty(keytool::DeviceProperty property, char* buffer, std::size_t size) override;

private:
    SP_DEVINFO_DATA m_device{};
};
