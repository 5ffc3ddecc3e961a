#include "device/KeyDeviceRepairDevices.h"

#include <cfgmgr32.h>

HDEVINFO g_hDevInfo = INVALID_HANDLE_VALUE;
SP_CLASSIMAGELIST_DATA g_ClassImageList = {};

namespace {

static_assert(keytool::kDnNoShowInDm == DN_NO_SHOW_IN_DM);
static_assert(static_cast<DWORD>(keytool::DeviceProperty::kDeviceDesc) == SPDRP_DEVICEDESC);
static_assert(static_cast<DWORD>(keytool::DeviceProperty::kHardwareId) == SPDRP_HARDWAREID);
static_assert(static_cast<DWORD>(keytool::DeviceProperty::kClass) == SPDRP_CLASS);
static_assert(static_cast<DWORD>(keytool::DeviceProperty::kClassGuid) == SPDRP_CLASSGUID);

// With DIGCF_ALLCLASSES this class does not narrow the set; the call wants one.
constexpr GUID kSmartCardReaderClass = {
    0x50DD5230, 0xBA8A, 0x11D1, {0xBF, 0x5D, 0x00, 0x00, 0xF8, 0x05, 0xF5, 0x30}};

}  // namespace

HDEVINFO OpenDeviceList() {
    if (g_hDevInfo != INVALID_HANDLE_VALUE) ::SetupDiDestroyDeviceInfoList(g_hDevInfo);
    g_hDevInfo = ::SetupDiGetClassDevsA(&kSmartCardReaderClass, nullptr, nullptr, DIGCF_ALLCLASSES);
    if (g_hDevInfo == INVALID_HANDLE_VALUE) {
        g_ClassImageList.cbSize = 0;
        return INVALID_HANDLE_VALUE;
    }
    if (g_ClassImageList.cbSize == 0) {
        g_ClassImageList.cbSize = sizeof g_ClassImageList;
        if (!::SetupDiGetClassImageList(&g_ClassImageList)) {
            g_ClassImageList.cbSize = 0;
            ::SetupDiDestroyDeviceInfoList(g_hDevInfo);
            g_hDevInfo = INVALID_HANDLE_VALUE;
        }
    }
    return g_hDevInfo;
}

bool SetupDeviceList::Open() { return OpenDeviceList() != INVALID_HANDLE_VALUE; }

bool SetupDeviceList::SelectDevice(std::uint32_t index) {
    m_device.cbSize = sizeof m_device;
    return ::SetupDiEnumDeviceInfo(g_hDevInfo, index, &m_device) != FALSE;
}

bool SetupDeviceList::GetNodeStatus(std::uint32_t& status, std::uint32_t& problem) {
    ULONG nodeStatus = 0;
    ULONG nodeProblem = 0;
    if (::CM_Get_DevNode_Status(&nodeStatus, &nodeProblem, m_device.DevInst, 0) != CR_SUCCESS) {
        return false;
    }
    status = nodeStatus;
    problem = nodeProblem;
    return true;
}

bool SetupDeviceList::HasClassImage() {
    int image = 0;
    return ::SetupDiGetClassImageIndex(&g_ClassImageList, &m_device.ClassGuid, &image) != FALSE;
}

bool SetupDeviceList::ReadProperty(keytool::DeviceProperty property, char* buffer,
                                   std::size_t size) {
    return ::SetupDiGetDeviceRegistryPropertyA(g_hDevInfo, &m_device, static_cast<DWORD>(property),
                                               nullptr, reinterpret_cast<PBYTE>(buffer),
                                               static_cast<DWORD>(size), nullptr) != FALSE;
}
