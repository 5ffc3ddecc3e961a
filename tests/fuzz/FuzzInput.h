// The fuzzer's bytes handed out as the values a target needs, front to back;
// once they are used up, zeros and empty slices.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    // An integer; a flag is TakeFlag, as not every byte is a bool.
    template <class T>
    T Take() {
        static_assert(!std::is_same_v<T, bool>);
        T value{};
        const std::size_t n = std::min(sizeof value, m_size - m_at);
        if (n > 0) std::memcpy(&value, m_data + m_at, n);
        m_at += n;
        return value;
    }
    bool TakeFlag() { return (Take<std::uint8_t>() & 1) != 0; }
    // At most `limit` bytes.
    std::string TakeBytes(std::size_t limit) {
        const std::size_t n = std::min(limit, m_size - m_at);
        std::string bytes(reinterpret_cast<const char*>(m_data + m_at), n);
        m_at += n;
        return bytes;
    }
    std::string Rest() { return TakeBytes(m_size - m_at); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// Stops the run when a property does not hold: libFuzzer keeps the input that got here.
inline void Check(bool holds, const char* what) {
    if (holds) return;
    __builtin_printf("property broken: %s\n", what);
    __builtin_trap();
}

// The first `kept` bytes of `text`, whose first `length` bytes are the text itself, end
// between characters of code page 936 and are as many as fit in `limit`.
inline void CheckGbkCut(const std::string& text, std::size_t length, std::size_t kept,
                        std::size_t limit) {
    const auto width = [&](std::size_t at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        return byte >= 0x81 && byte <= 0xFE ? 2u : 1u;
    };
    std::size_t at = 0;
    while (at < kept) at += width(at);
    Check(at == kept, "cut between characters");
    Check(kept == length || kept + width(kept) > std::min(limit, length), "as long as fits");
}

}  // namespace fuzz
