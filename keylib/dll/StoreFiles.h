// Whole-file reads and crash-safe whole-file writes for the key store.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace keylib {

enum class ReadResult { Ok, Missing, Failed };

// Larger files are refused: nothing the store keeps comes near it, so one is damage.
constexpr size_t kMaxStoreFileSize = 8u << 20;

ReadResult readWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes);
// Writes beside the target, flushes, then replaces the target in one rename: a reader sees the
// old content or the new one, never a mixture, even if this process dies half-way.
bool writeFileAtomically(const std::wstring& path, const void* data, size_t size);

}  // namespace keylib
