// Conversions between UTF-16, UTF-8 and the key library's code page 936,
// which are the same on every system whatever its ANSI code page.
#pragma once

#include <string>

namespace keytool {

// The key library's code page: labels, container names and file texts.
constexpr unsigned kKeyLibCodePage = 936;

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
std::string Utf8FromGbk(const std::string& text);

}  // namespace keytool
