// Key labels as the library writes them into the 100-byte buffer, terminated
// or not: a label is never read past its buffer nor past its terminator. (The
// edits' byte limits cut as the copied texts do: see copydata_fuzz.cpp.)
#include <cstring>
#include <vector>

#include "keylib/logic/KeyList.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

class FuzzedLabels : public keytool::LabelReader {
public:
    explicit FuzzedLabels(fuzz::FuzzInput& input) : m_input(input) {}
    std::uint32_t ReadLabel(std::uint32_t, char* buffer) override {
        const std::string label = m_input.TakeBytes(keytool::kLabelBufferSize);
        std::memcpy(buffer, label.data(), label.size());
        return m_input.Take<std::uint8_t>() == 0xEE ? 0x6A82 : 0;
    }

private:
    fuzz::FuzzInput& m_input;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::uint32_t count = input.Take<std::uint16_t>() % 300;
    std::vector<std::uint32_t> slots(count);
    for (std::uint32_t& slot : slots) slot = input.Take<std::uint8_t>();
    FuzzedLabels labels(input);
    const keytool::KeyList list = keytool::BuildKeyList(slots.data(), count, labels);
    fuzz::Check(list.items.size() <= std::min<std::uint32_t>(count, 256), "one item per key");
    for (const keytool::KeyListItem& item : list.items) {
        fuzz::Check(item.label.size() < keytool::kLabelBufferSize, "inside the buffer");
        fuzz::Check(item.label.find('\0') == std::string::npos, "up to the terminator");
    }
    fuzz::Check(list.pagesEnabled == (count > 0), "pages follow the count");
    return 0;
}
