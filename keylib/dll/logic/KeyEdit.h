// Reading and changing a KeyRecord the way the library's exports and the admin tool do.
// Results are KeyLib statuses (KeyStatus.h); the record is left unchanged on failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keylib/dll/logic/KeyRecord.h"

namespace keylib {

// Index of the container of that name, or -1.
int findContainer(const KeyRecord& record, const std::string& name);
// Flag bits a caller sees: 0x1|0x4 for a certificate of kind 1, 0x2|0x8 for kind 2.
uint32_t containerFlags(const Container& container);
uint32_t countContainers(const KeyRecord& record);

// Puts a DER certificate of kind 1 or 2 into the container of that name, creating the
// container at the first empty position when there is none.
uint32_t putCertificate(KeyRecord& record, const std::string& container, uint32_t kind,
                        const std::vector<uint8_t>& der);
uint32_t removeContainer(KeyRecord& record, const std::string& container);

const KeyFileEntry* findFile(const KeyRecord& record, uint16_t id);
// Replaces the file of that id, or adds it when the key has room.
uint32_t putFile(KeyRecord& record, uint16_t id, const std::vector<uint8_t>& data);
uint32_t removeFile(KeyRecord& record, uint16_t id);

// Copies a NUL-terminated text into capacity bytes.
uint32_t copyText(const std::string& text, uint32_t capacity, char* out);
// Copies the certificate of a kind; *length is the capacity on entry and the DER length (or
// the length needed when the capacity is too small) on return.
uint32_t copyCertificate(const Container& container, uint32_t kind, uint32_t* length,
                         uint8_t* buffer);
// Copies at most length bytes of data from offset on, and a NUL after them when it fits.
uint32_t copyFileRange(const std::vector<uint8_t>& data, uint32_t offset, uint32_t length,
                       uint8_t* buffer);

}  // namespace keylib
