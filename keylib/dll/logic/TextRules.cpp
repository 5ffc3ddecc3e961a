#include "keylib/dll/logic/TextRules.h"

#include "keylib/dll/logic/KeyRecord.h"

namespace keylib {

bool isValidGbkText(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c <= 0x7E) {
            continue;
        }
        if (c < 0x81 || c > 0xFE || i + 1 == text.size()) {
            return false;
        }
        const auto trail = static_cast<unsigned char>(text[++i]);
        if (trail < 0x40 || trail > 0xFE || trail == 0x7F) {
            return false;
        }
    }
    return true;
}

bool isValidLabel(const std::string& label) {
    return label.size() >= kMinLabel && label.size() <= kMaxLabel && isValidGbkText(label);
}

bool isValidPasswordLength(size_t length) {
    return length >= kMinPassword && length <= kMaxPassword;
}

bool isValidContainerName(const std::string& name) {
    return !name.empty() && name.size() <= kMaxContainerName && isValidGbkText(name);
}

bool isValidKeyName(const std::string& name) {
    if (name.empty() || name.size() > 64 || name[0] == '.') {
        return false;
    }
    for (char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
        if (!ok) {
            return false;
        }
    }
    return true;
}

}  // namespace keylib
