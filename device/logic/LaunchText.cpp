#include "device/logic/LaunchText.h"

#include <algorithm>
#include <cstring>

namespace keytool {

int ReadLaunchText(KeyFiles& files, std::uint32_t slot, char (&text)[kLaunchTextSize],
                   std::size_t* length) {
    std::uint16_t ids[kMaxKeyFiles] = {};
    std::uint8_t buffer[kLaunchReadSize] = {};
    std::uint16_t count = 0;
    text[0] = '\0';
    *length = 0;
    if (files.AllIds(slot, &count, ids) != 0) return 0;

    const std::uint16_t listed = std::min<std::uint16_t>(count, kMaxKeyFiles);
    if (std::find(ids, ids + listed, kLaunchFileId) == ids + listed) return 1;
    if (files.Read(slot, kLaunchFileId, 0, kLaunchReadSize, buffer) != 0) return 0;

    const void* end = std::memchr(buffer, '\0', kLaunchReadSize);
    const std::size_t stored =
        end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - buffer)
            : kLaunchReadSize;
    // A cut command could start something else than the key asks for: a text
    // that does not fit is not opened at all.
    if (stored >= kLaunchTextSize) return 1;
    *length = stored;
    std::memcpy(text, buffer, *length);
    text[*length] = '\0';
    return 1;
}

}  // namespace keytool
