// Building the key selector from the slot list: one item per key whose label
// can be read, in library order, with no gaps in the slot-per-item table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace keytool {

constexpr std::size_t kLabelBufferSize = 100;

// Reads a key's label into a buffer of kLabelBufferSize bytes; 0 on success.
class LabelReader {
public:
    virtual ~LabelReader() = default;
    virtual std::uint32_t ReadLabel(std::uint32_t slot, char* buffer) = 0;
};

struct KeyListItem {
    std::string label;
    std::uint32_t slot;
};

struct KeyList {
    std::vector<KeyListItem> items;
    std::uint32_t currentSlot = 0;  // 0 = no key
    bool pagesEnabled = false;
};

// A label as the library wrote it, never read past the buffer: one without a
// terminator inside the buffer is cut at kLabelBufferSize - 1 bytes.
std::string BoundedLabel(const char* buffer, std::size_t size = kLabelBufferSize);

// count is what the library reported; at most kMaxSlots entries of slots are read.
KeyList BuildKeyList(const std::uint32_t* slots, std::uint32_t count, LabelReader& reader);

}  // namespace keytool
