#include "keylib/logic/KeyList.h"

#include <algorithm>
#include <cstring>

#include "keylib/logic/SlotTable.h"

namespace keytool {

std::string BoundedLabel(const char* buffer, std::size_t size) {
    if (size == 0) return {};
    const void* end = std::memchr(buffer, '\0', size);
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - buffer) : size - 1;
    return std::string(buffer, length);
}

KeyList BuildKeyList(const std::uint32_t* slots, std::uint32_t count, LabelReader& reader) {
    KeyList list;
    const std::uint32_t listed = std::min(count, kMaxSlots);
    for (std::uint32_t i = 0; i < listed; ++i) {
        char label[kLabelBufferSize] = {};
        if (reader.ReadLabel(slots[i], label) == 0) {
            list.items.push_back({BoundedLabel(label), slots[i]});
        }
    }
    // Keys that are reported count even when no label can be read: the pages
    // stay enabled, but with no readable key no slot is current.
    list.pagesEnabled = count > 0;
    list.currentSlot = list.pagesEnabled && !list.items.empty() ? list.items.front().slot : 0;
    return list;
}

}  // namespace keytool
