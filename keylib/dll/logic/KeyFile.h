// The key file: a versioned, length-checked binary image of a KeyRecord.
//
// Layout (little endian): "QKEY", u16 version 1, u16 flags (bit 0: initial password),
// u32 total length, u32 CRC-32 of every byte after this field; then u32 status, u8 max tries,
// u8 tries left, u8 label length + label, salt, u32 iterations, hash; six containers of
// u8 name length + name, u32 length + DER of kind 1, u32 length + DER of kind 2; u8 file count
// and per file u16 id, u32 length + bytes. Nothing may follow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "keylib/dll/logic/KeyRecord.h"

namespace keylib {

enum class ParseResult {
    Ok,
    Truncated,  // shorter than its header or its fields claim
    BadMagic,
    BadVersion,
    BadLength,  // the stored total differs from the file's size
    BadChecksum,
    BadField,  // a field breaks the rules of validateRecord
    TrailingBytes,
};

constexpr uint16_t kKeyFileVersion = 1;
constexpr size_t kKeyFileHeaderSize = 16;
constexpr size_t kKeyFileChecksumOffset = 12;

ParseResult parseKeyFile(const uint8_t* data, size_t size, KeyRecord& out);
// The record must satisfy validateRecord.
std::vector<uint8_t> serializeKeyFile(const KeyRecord& record);
bool validateRecord(const KeyRecord& record);

}  // namespace keylib
