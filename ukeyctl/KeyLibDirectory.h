// The slot list, labels and statuses from the key library's exports.
#pragma once

#include "ukeyctl/logic/KeyInventory.h"

class KeyLibDirectory : public ukeyctl::KeyDirectory {
public:
    std::uint32_t SlotList(std::uint32_t* slots, std::uint32_t* count) override;
    std::uint32_t SlotStatus(std::uint32_t slot, std::uint32_t* status) override;
    std::uint32_t ReadLabel(std::uint32_t slot, char* buffer) override;
};
