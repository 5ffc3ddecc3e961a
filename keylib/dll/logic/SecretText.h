// A password held in a fixed buffer of its own that is wiped when it is cleared or goes out of
// scope. It never reallocates and cannot be copied, so no stray copy of the text outlives it.
#pragma once

#include <cstddef>

namespace keylib {

class SecretText {
public:
    // More than any valid password, so an overlong entry shows as such instead of being cut to
    // a valid length.
    static constexpr size_t kCapacity = 63;

    SecretText() = default;
    ~SecretText() { clear(); }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    // Takes text up to its terminator, or up to limit bytes (at most kCapacity), reading no
    // further: an unterminated text ends there.
    void assign(const char* text, size_t limit);
    // The text of another secret, which is wiped.
    void take(SecretText& other);
    // Room for kCapacity bytes and a terminator, for a call that fills a buffer; settle() then
    // takes the length up to the terminator.
    char* buffer() { return text_; }
    void settle();
    // Overwrites every byte, through volatile writes the compiler cannot drop.
    void clear();

    const char* data() const { return text_; }
    size_t size() const { return size_; }
    bool equals(const SecretText& other) const;

private:
    char text_[kCapacity + 1] = {};
    size_t size_ = 0;
};

}  // namespace keylib
