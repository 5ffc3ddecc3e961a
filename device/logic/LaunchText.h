// The text stored in a key's launch file, opened with the shell on insertion.
#pragma once

#include <cstddef>
#include <cstdint>

namespace keytool {

constexpr std::uint16_t kLaunchFileId = 0xEF11;
constexpr std::size_t kLaunchTextSize = 256;  // 255 characters and the terminator
constexpr std::size_t kLaunchReadSize = 260;
constexpr std::size_t kMaxKeyFiles = 50;

class KeyFiles {
public:
    virtual ~KeyFiles() = default;
    // ids has room for kMaxKeyFiles entries.
    virtual std::uint32_t AllIds(std::uint32_t slot, std::uint16_t* count, std::uint16_t* ids) = 0;
    virtual std::uint32_t Read(std::uint32_t slot, std::uint16_t id, std::uint32_t offset,
                               std::uint32_t length, std::uint8_t* buffer) = 0;
};

// 1 when the key could be asked, 0 when a library call failed. The length is 0
// when the key has no launch file or its text does not fit in 255 characters
// (longer, or unterminated within the bytes read); text is always terminated.
int ReadLaunchText(KeyFiles& files, std::uint32_t slot, char (&text)[kLaunchTextSize],
                   std::size_t* length);

}  // namespace keytool
