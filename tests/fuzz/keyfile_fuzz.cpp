// Fuzzes the key file parser: any bytes must be either refused or read into a record that is
// valid and writes back to exactly the same bytes. Each input is also tried with its length
// and checksum fields made right, so that the fuzzer gets past the checksum into the fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "keylib/dll/logic/Crc32.h"
#include "keylib/dll/logic/KeyFile.h"

namespace {

void check(const std::vector<uint8_t>& bytes) {
    keylib::KeyRecord record;
    if (keylib::parseKeyFile(bytes.data(), bytes.size(), record) != keylib::ParseResult::Ok) {
        return;
    }
    if (!keylib::validateRecord(record) || keylib::serializeKeyFile(record) != bytes) {
        std::abort();
    }
}

void reseal(std::vector<uint8_t>& bytes) {
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    const uint32_t crc = keylib::crc32(bytes.data() + keylib::kKeyFileHeaderSize,
                                       bytes.size() - keylib::kKeyFileHeaderSize);
    for (int i = 0; i < 4; ++i) {
        bytes[8 + i] = static_cast<uint8_t>(size >> (8 * i));
        bytes[keylib::kKeyFileChecksumOffset + i] = static_cast<uint8_t>(crc >> (8 * i));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    check(bytes);
    if (bytes.size() >= keylib::kKeyFileHeaderSize) {
        reseal(bytes);
        check(bytes);
    }
    return 0;
}
