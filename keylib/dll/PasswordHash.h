// The user password is kept only as a salted PBKDF2-HMAC-SHA256 hash made by CNG.
#pragma once

#include <cstdint>
#include <string>

#include "keylib/dll/logic/KeyRecord.h"

namespace keylib {

// Iterations given to every new hash; the count is stored with the hash.
constexpr uint32_t kPasswordIterations = 100000;

// Replaces the stored hash with one of password under a fresh random salt; a KeyLib status.
uint32_t setPassword(KeyRecord& record, const std::string& password);
// Compares password with the stored hash in constant time; a KeyLib status.
uint32_t checkPassword(const KeyRecord& record, const std::string& password, bool& matches);

}  // namespace keylib
