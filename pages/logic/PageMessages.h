// What a key page shows after an operation: nothing, or one modal box of a
// given kind with its text.
#pragma once

#include <cstdint>
#include <string>

namespace keytool {

enum class BoxKind {
    None,     // nothing is shown
    Warning,  // "提示", exclamation icon
    Success,  // "UsbKey提示", information icon
    Failure,  // "UsbKey提示", stop icon
};

struct PageMessage {
    BoxKind kind = BoxKind::None;
    std::string text;
};

// The tries left in an ISO/IEC 7816-4 "63 Cx" status word (bits 4 to 15 read
// 0x63C; higher bits are not looked at), or 0 when the result is no such word
// or says that no try is left.
unsigned TriesLeft(std::uint32_t result);

// "Wrong password, n tries left", as both pages word it.
std::string WrongPasswordText(unsigned triesLeft);

}  // namespace keytool
