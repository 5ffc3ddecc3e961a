// Key labels as the library writes them into the 100-byte buffer, terminated
// or not, and foreign names as reports show them: a label is never read past
// its buffer nor past its terminator, a shown name holds no control character.
// (The edits' byte limits cut as the copied texts do: see copydata_fuzz.cpp.)
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "keylib/logic/KeyList.h"
#include "tests/fuzz/FuzzCheck.h"
#include "text/logic/Utf8Text.h"

namespace {

struct FuzzedLabels : keytool::LabelReader {
    explicit FuzzedLabels(FuzzedDataProvider& bytes) : input(bytes) {}
    std::uint32_t ReadLabel(std::uint32_t, char* buffer) override {
        const std::string label = input.ConsumeBytesAsString(keytool::kLabelBufferSize);
        std::memcpy(buffer, label.data(), label.size());
        return input.ConsumeIntegral<std::uint8_t>() == 0xEE ? 0x6A82 : 0;
    }
    FuzzedDataProvider& input;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::uint32_t count = input.ConsumeIntegral<std::uint16_t>() % 300;
    std::vector<std::uint32_t> slots(count);
    for (std::uint32_t& slot : slots) slot = input.ConsumeIntegral<std::uint8_t>();
    FuzzedLabels labels(input);
    const keytool::KeyList list = keytool::BuildKeyList(slots.data(), count, labels);
    fuzz::Check(list.items.size() <= std::min<std::uint32_t>(count, 256), "one item per key");
    for (const keytool::KeyListItem& item : list.items) {
        fuzz::Check(item.label.size() < keytool::kLabelBufferSize, "inside the buffer");
        fuzz::Check(item.label.find('\0') == std::string::npos, "up to the terminator");
    }
    fuzz::Check(list.pagesEnabled == (count > 0), "pages follow the count");

    const std::size_t limit = input.ConsumeIntegral<std::uint8_t>();
    const std::string name = input.ConsumeRemainingBytesAsString();
    fuzz::Check(keytool::Utf8PrefixLength(name.data(), name.size(), limit) <= limit,
                "a UTF-8 cut within the limit");
    const std::string shown = keytool::PrintableText(name, limit);
    fuzz::Check(
        std::none_of(shown.begin(), shown.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }),
        "shown on one line");
    return 0;
}
