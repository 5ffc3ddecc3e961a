#include "keylib/admin/Report.h"

#include <cstdio>

#include "keylib/dll/logic/KeyStatus.h"

namespace keyadmin {

int fail(const std::string& message) {
    std::fprintf(stderr, "keyadmin: %s\n", message.c_str());
    return 1;
}

std::string describeStatus(uint32_t status) {
    switch (status) {
        case KEYLIB_E_BAD_ARGUMENT:
            return "value out of range";
        case KEYLIB_E_DAMAGED_KEY:
            return "key file is damaged or unreadable";
        case KEYLIB_E_NOT_FOUND:
            return "not on the key";
        case KEYLIB_E_STORE:
            return "key store folder or its lock is not usable";
        case KEYLIB_E_FULL:
            return "no room left (6 containers, 50 files, 256 plugged keys)";
        case KEYLIB_E_SYSTEM:
            return "the system's crypto refused the work";
        default: {
            char text[32];
            std::snprintf(text, sizeof text, "error 0x%08X", static_cast<unsigned>(status));
            return text;
        }
    }
}

}  // namespace keyadmin
