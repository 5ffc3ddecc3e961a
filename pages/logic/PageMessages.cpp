#include "pages/logic/PageMessages.h"

#include <cstdio>

namespace keytool {

unsigned TriesLeft(std::uint32_t result) {
    return (result & 0xFFF0u) == 0x63C0u ? result & 0xFu : 0u;
}

std::string WrongPasswordText(unsigned triesLeft) {
    char text[64];
    std::snprintf(text, sizeof text, "用户密码不正确！还有%d次可试机会。",
                  static_cast<int>(triesLeft));
    return text;
}

}  // namespace keytool
