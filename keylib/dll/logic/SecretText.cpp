#include "keylib/dll/logic/SecretText.h"

namespace keylib {

void SecretText::assign(const char* text, size_t limit) {
    clear();
    if (text == nullptr) return;
    if (limit > kCapacity) limit = kCapacity;
    while (size_ < limit && text[size_] != '\0') {
        text_[size_] = text[size_];
        ++size_;
    }
}

void SecretText::take(SecretText& other) {
    assign(other.text_, other.size_);
    other.clear();
}

void SecretText::settle() {
    text_[kCapacity] = '\0';
    size_ = 0;
    while (text_[size_] != '\0') ++size_;
}

void SecretText::clear() {
    volatile char* bytes = text_;
    for (size_t i = 0; i < sizeof text_; ++i) bytes[i] = 0;
    size_ = 0;
}

bool SecretText::equals(const SecretText& other) const {
    if (size_ != other.size_) return false;
    for (size_t i = 0; i < size_; ++i) {
        if (text_[i] != other.text_[i]) return false;
    }
    return true;
}

}  // namespace keylib
