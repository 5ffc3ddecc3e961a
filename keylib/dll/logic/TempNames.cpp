#include "keylib/dll/logic/TempNames.h"

namespace keylib {
namespace {

bool isDigits(const std::string& text, size_t from, size_t to) {
    if (from >= to) return false;
    for (size_t i = from; i < to; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

}  // namespace

std::string temporaryName(const std::string& target, uint32_t process, uint32_t thread) {
    return target + ".tmp" + std::to_string(process) + "-" + std::to_string(thread);
}

bool isTemporaryName(const std::string& name) {
    const size_t tmp = name.rfind(".tmp");
    if (tmp == std::string::npos || tmp == 0) return false;
    const size_t dash = name.find('-', tmp);
    return dash != std::string::npos && isDigits(name, tmp + 4, dash) &&
           isDigits(name, dash + 1, name.size());
}

}  // namespace keylib
