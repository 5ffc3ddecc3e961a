// Whole-file reads and crash-safe whole-file writes for the key store.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace keylib {

// NotAFile: a folder or other non-file stands where the file should be; TooLarge: past
// kMaxStoreFileSize.
enum class ReadResult { Ok, Missing, NotAFile, TooLarge, Failed };

// Larger files are refused: nothing the store keeps comes near it, so one is damage.
constexpr size_t kMaxStoreFileSize = 8u << 20;

ReadResult readWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes);
// Writes beside the target, then replaces the target in one rename: a reader sees the old
// content or the new one, never a mixture, even if this process dies half-way. With durable set
// the new content is on the disk before the rename and the rename before the return, for what
// cannot be rebuilt after a system crash.
bool writeFileAtomically(const std::wstring& path, const void* data, size_t size,
                         bool durable = true);
// Deletes what writers killed half-way left in the folder; only safe under the store's lock.
void removeLeftovers(const std::wstring& folder);

}  // namespace keylib
