#include "ukeyctl/KeyLibDirectory.h"

#include "keylib/KeyLib.h"
#include "log/Log.h"

std::uint32_t KeyLibDirectory::SlotList(std::uint32_t* slots, std::uint32_t* count) {
    return LoggedKeyLib("CSP_GetSlotList", 0, CSP_GetSlotList(slots, count));
}

std::uint32_t KeyLibDirectory::SlotStatus(std::uint32_t slot, std::uint32_t* status) {
    return LoggedKeyLib("CSP_GetSlotStatus", slot, CSP_GetSlotStatus(slot, status));
}

std::uint32_t KeyLibDirectory::ReadLabel(std::uint32_t slot, char* buffer) {
    return LoggedKeyLib("CSP_GetUsbKeyLabel", slot, CSP_GetUsbKeyLabel(slot, buffer));
}
