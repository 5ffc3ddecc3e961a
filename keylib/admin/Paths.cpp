#include "keylib/admin/Paths.h"

#include <windows.h>

namespace keyadmin {

std::wstring widenPath(const std::string& path) {
    const int n =
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), &wide[0], n);
    }
    return wide;
}

}  // namespace keyadmin
