#include "keylib/dll/PasswordHash.h"

#include <windows.h>
#include <bcrypt.h>

#include "keylib/dll/logic/KeyStatus.h"

namespace keylib {
namespace {

bool derive(const SecretText& password, const PasswordHash& params,
            std::array<uint8_t, kHashSize>& out) {
    BCRYPT_ALG_HANDLE alg = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&alg, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                    BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
        return false;
    }
    auto* secret = reinterpret_cast<PUCHAR>(const_cast<char*>(password.data()));
    auto* salt = const_cast<PUCHAR>(params.salt.data());
    const NTSTATUS status =
        BCryptDeriveKeyPBKDF2(alg, secret, static_cast<ULONG>(password.size()), salt,
                              static_cast<ULONG>(params.salt.size()), params.iterations, out.data(),
                              static_cast<ULONG>(out.size()), 0);
    BCryptCloseAlgorithmProvider(alg, 0);
    return BCRYPT_SUCCESS(status);
}

}  // namespace

uint32_t hashPassword(const SecretText& password, PasswordHash& out) {
    PasswordHash fresh;
    fresh.iterations = kPasswordIterations;
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, fresh.salt.data(),
                                        static_cast<ULONG>(fresh.salt.size()),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG)) ||
        !derive(password, fresh, fresh.hash)) {
        return KEYLIB_E_SYSTEM;
    }
    out = fresh;
    return KEYLIB_OK;
}

uint32_t checkPassword(const PasswordHash& stored, const SecretText& password, bool& matches) {
    std::array<uint8_t, kHashSize> candidate{};
    if (!derive(password, stored, candidate)) return KEYLIB_E_SYSTEM;
    uint8_t difference = 0;
    for (size_t i = 0; i < kHashSize; ++i) difference |= candidate[i] ^ stored.hash[i];
    matches = difference == 0;
    return KEYLIB_OK;
}

bool sameHash(const PasswordHash& a, const PasswordHash& b) {
    return a.salt == b.salt && a.iterations == b.iterations && a.hash == b.hash;
}

}  // namespace keylib
