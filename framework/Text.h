// Texts between UTF-16, which every window speaks, and the byte strings of a
// code page: GBK (936) for the portable logic's texts and the key library,
// the system's ANSI code page for passwords.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace fw {

// The code page of the portable logic's texts and of the key library's strings,
// named so that the system's own code page never takes part.
constexpr UINT kGbkCodePage = 936;

std::wstring Widen(std::string_view text, UINT codePage = kGbkCodePage);
// False, with nothing written, when a character has no form in the code page
// (no best-fit look-alikes, no "?").
bool Narrow(std::wstring_view text, UINT codePage, std::string* bytes);
// The bytes the first character of text takes in the code page, and in
// `units` the UTF-16 units it spans; a character without a form counts as one byte.
size_t CharacterBytes(std::wstring_view text, UINT codePage, size_t* units);

}  // namespace fw
