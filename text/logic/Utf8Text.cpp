#include "text/logic/Utf8Text.h"

#include <cstdint>
#include <cstdio>

namespace keytool {
namespace {

// The length of the character at text[0, length) and its code point; 0 when
// the bytes are no character (cut, overlong, a surrogate or past U+10FFFF).
std::size_t DecodeChar(const unsigned char* text, std::size_t length, std::uint32_t* code) {
    const unsigned char lead = text[0];
    if (lead < 0x80) return *code = lead, 1;
    std::size_t size = 0;
    std::uint32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2, least = 0x80, *code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3, least = 0x800, *code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4, least = 0x10000, *code = lead & 0x07u;
    } else {
        return 0;
    }
    if (size > length) return 0;
    for (std::size_t i = 1; i < size; ++i) {
        if ((text[i] & 0xC0) != 0x80) return 0;
        *code = (*code << 6) | (text[i] & 0x3Fu);
    }
    const bool surrogate = *code >= 0xD800 && *code <= 0xDFFF;
    return *code < least || *code > 0x10FFFF || surrogate ? 0 : size;
}

bool IsControl(std::uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x200E || code == 0x200F ||
           (code >= 0x2028 && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

std::string Escaped(std::uint32_t code) {
    switch (code) {
        case '\n':
            return "\\n";
        case '\r':
            return "\\r";
        case '\t':
            return "\\t";
    }
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04x", static_cast<unsigned>(code));
    return text;
}

}  // namespace

std::size_t Utf8PrefixLength(const char* text, std::size_t length, std::size_t limit) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t used = 0;
    while (used < length) {
        std::uint32_t code = 0;
        const std::size_t size = DecodeChar(bytes + used, length - used, &code);
        const std::size_t width = size == 0 ? 1 : size;
        if (used + width > limit) break;
        used += width;
    }
    return used;
}

std::string PrintableText(const std::string& text, std::size_t maxChars) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::string shown;
    std::size_t chars = 0;
    for (std::size_t at = 0; at < text.size(); ++chars) {
        std::uint32_t code = 0;
        const std::size_t size = DecodeChar(bytes + at, text.size() - at, &code);
        if (chars < maxChars) {
            if (size == 0) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\x%02X", unsigned{bytes[at]});
                shown += escape;
            } else if (IsControl(code)) {
                shown += Escaped(code);
            } else {
                shown.append(text, at, size);
            }
        }
        at += size == 0 ? 1 : size;
    }
    if (chars > maxChars) {
        shown += u8"\u2026 (" + std::to_string(chars) + " characters)";
    }
    return shown;
}

}  // namespace keytool
