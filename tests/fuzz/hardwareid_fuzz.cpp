// The hardware ids the system reports for a failed device: texts and lists of
// any bytes, terminated or not, are read only inside their buffer, and each
// string matches at most once.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "device/logic/KeyDeviceRepair.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace keytool;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool isList = input.ConsumeBool();
    const std::string head = input.ConsumeBytesAsString(input.ConsumeIntegral<std::uint16_t>());
    const std::vector<char> text(head.begin(), head.end());  // exactly its size
    const std::size_t matches = CountKeyIdMatches(text.data(), text.size(), isList);
    // Each match is the id and the NUL or end after it.
    fuzz::Check(matches * sizeof kKeyHardwareId <= text.size() + 1, "matches fit the text");
    fuzz::Check(isList || matches <= 1, "a plain text is one string");
    return 0;
}
