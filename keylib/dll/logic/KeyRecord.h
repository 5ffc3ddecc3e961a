// What a virtual key holds, as the key file stores it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace keylib {

constexpr size_t kMinLabel = 1;
constexpr size_t kMaxLabel = 15;
constexpr size_t kMinPassword = 8;
constexpr size_t kMaxPassword = 16;
constexpr size_t kMaxContainerName = 127;
constexpr size_t kContainerCount = 6;
constexpr size_t kMaxCertificate = 409600;
constexpr size_t kMaxFiles = 50;
constexpr size_t kMaxFileSize = 65536;
constexpr size_t kSaltSize = 16;
constexpr size_t kHashSize = 32;
// The tries left travel in the low four bits of status word 0x63Cx.
constexpr uint8_t kMaxTries = 15;
// Bounds on the stored PBKDF2 iteration count: a damaged key must not make verification
// either trivial or endless.
constexpr uint32_t kMinIterations = 1000;
constexpr uint32_t kMaxIterations = 1000000;

constexpr uint16_t kLaunchFileId = 0xEF11;

struct Container {
    std::string name;                                  // empty: the position holds no container
    std::array<std::vector<uint8_t>, 2> certificates;  // DER of kind 1 and kind 2

    bool empty() const { return name.empty(); }
};

struct KeyFileEntry {
    uint16_t id = 0;
    std::vector<uint8_t> data;
};

struct PasswordHash {
    std::array<uint8_t, kSaltSize> salt{};
    uint32_t iterations = 0;
    std::array<uint8_t, kHashSize> hash{};
};

struct KeyRecord {
    std::string label;  // GBK bytes
    uint32_t status = 0;
    uint8_t maxTries = 0;
    uint8_t triesLeft = 0;
    bool initialPassword = false;
    PasswordHash password;
    std::array<Container, kContainerCount> containers;
    std::vector<KeyFileEntry> files;  // in the order they were added
};

}  // namespace keylib
