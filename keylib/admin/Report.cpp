#include "keylib/admin/Report.h"

#include <cstdio>

#include "keylib/dll/logic/KeyStatus.h"

namespace keyadmin {

const char kUnreadableList[] =
    "the list of plugged-in keys (plugged.txt) is unreadable; keyadmin repair rebuilds it";

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
            return "the key store folder, its lock file or its list of plugged-in keys is not "
                   "usable, or a key file cannot be read or replaced";
        case KEYLIB_E_BUSY:
            return "the key store is busy: another process has held its lock for seconds";
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
