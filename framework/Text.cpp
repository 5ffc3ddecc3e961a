#include "framework/Text.h"

namespace fw {

std::wstring Widen(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

bool Narrow(std::wstring_view text, UINT codePage, std::string* bytes) {
    if (text.empty()) {
        bytes->clear();
        return true;
    }
    const int size = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int length = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), size,
                                             nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return false;
    std::string narrow(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), size, narrow.data(), length,
                          nullptr, &usedDefault);
    if (usedDefault) return false;
    *bytes = std::move(narrow);
    return true;
}

size_t CharacterBytes(std::wstring_view text, UINT codePage, size_t* units) {
    *units = text.size() >= 2 && IS_HIGH_SURROGATE(text[0]) && IS_LOW_SURROGATE(text[1]) ? 2 : 1;
    char bytes[8];
    const int length = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(*units),
                                             bytes, sizeof bytes, nullptr, nullptr);
    return length > 0 ? static_cast<size_t>(length) : 1;
}

}  // namespace fw
