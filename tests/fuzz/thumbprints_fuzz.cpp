// The list of certificates the library registered, as the store's file holds
// it: any text reads as a list that writes out as one line per thumbprint and
// reads back the same.
#include "keylib/dll/logic/Thumbprints.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<keylib::Thumbprint> list = keylib::parseThumbprints(text);
    fuzz::Check(list.size() <= size / 40, "a thumbprint from fewer than 40 bytes");
    const std::string written = keylib::formatThumbprints(list);
    fuzz::Check(written.size() == list.size() * 41, "one line of 40 digits per thumbprint");
    fuzz::Check(keylib::parseThumbprints(written) == list, "written list reads back the same");
    return 0;
}
