// UTF-8 texts: cut between whole characters, and foreign text made safe to
// print on one line of a report.
#pragma once

#include <cstddef>
#include <string>

namespace keytool {

// The length of the longest prefix of text[0, length) that has at most limit
// bytes and does not split a character; a byte that starts no character
// counts as one.
std::size_t Utf8PrefixLength(const char* text, std::size_t length, std::size_t limit);

// The text with control characters (C0, DEL, C1, line separators and the
// direction overrides) written as JSON writes them ("\n", "\u001b") and bytes
// that are no UTF-8 as "\xNN". A text of more than maxChars characters is cut
// there and marked "… (N characters)" with its full length.
std::string PrintableText(const std::string& text, std::size_t maxChars);

}  // namespace keytool
