// Fuzzes the key file's parser (or with KEYLIB_FUZZ_PLUGGED_SET the plugged-in set's and its
// salvage): any input is refused, or read into a valid value whose written form reads back the
// same (corpus/keyfile/, corpus/pluggedset/: starts).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "keylib/dll/logic/Crc32.h"
#include "keylib/dll/logic/KeyFile.h"
#include "keylib/dll/logic/PluggedSet.h"

namespace {

#ifdef KEYLIB_FUZZ_PLUGGED_SET
// Whatever the text, its salvage is a set that writes out as an intact list.
bool roundTrips(const std::string& text) {
    keylib::PluggedSet set, again;
    keylib::salvagePluggedSet(text, set);
    if (!keylib::parsePluggedSet(keylib::formatPluggedSet(set), again)) return false;
    if (!keylib::parsePluggedSet(text, set)) return true;
    const std::string written = keylib::formatPluggedSet(set);
    return set.keys.size() <= keylib::kMaxPlugged && keylib::parsePluggedSet(written, again) &&
           keylib::formatPluggedSet(again) == written;
}
#else
bool readsBack(const std::string& bytes) {
    keylib::KeyRecord record;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (keylib::parseKeyFile(data, bytes.size(), record) != keylib::ParseResult::Ok) return true;
    const std::vector<uint8_t> written = keylib::serializeKeyFile(record);
    return keylib::validateRecord(record) && std::string(written.begin(), written.end()) == bytes;
}

// Also tried with its length and checksum made right, to get past the checksum into the fields.
bool roundTrips(std::string bytes) {
    if (!readsBack(bytes)) return false;
    if (bytes.size() < keylib::kKeyFileHeaderSize) return true;
    const uint32_t crc = keylib::crc32(reinterpret_cast<uint8_t*>(&bytes[16]), bytes.size() - 16);
    for (int i = 0; i < 4; ++i) {
        bytes[8 + i] = static_cast<char>(bytes.size() >> (8 * i));
        bytes[12 + i] = static_cast<char>(crc >> (8 * i));
    }
    return readsBack(bytes);
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!roundTrips(std::string(reinterpret_cast<const char*>(data), size))) std::abort();
    return 0;
}
