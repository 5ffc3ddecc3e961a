// The user password is kept only as a salted PBKDF2-HMAC-SHA256 hash made by CNG.
#pragma once

#include <cstdint>

#include "keylib/dll/logic/KeyRecord.h"
#include "keylib/dll/logic/SecretText.h"

namespace keylib {

// Iterations given to every new hash; the count is stored with the hash.
constexpr uint32_t kPasswordIterations = 100000;

// A hash of password under a fresh random salt; a KeyLib status.
uint32_t hashPassword(const SecretText& password, PasswordHash& out);
// Compares password with a stored hash in constant time; a KeyLib status.
uint32_t checkPassword(const PasswordHash& stored, const SecretText& password, bool& matches);
bool sameHash(const PasswordHash& a, const PasswordHash& b);

}  // namespace keylib
