// Texts other processes send with WM_COPYDATA, copied into the balloon's
// fixed field: never read past what was sent nor written past the field,
// always terminated, cut only between characters of code page 936, and as
// long as fits.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <vector>

#include "app/logic/TrayTexts.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::size_t destSize = input.ConsumeIntegral<std::uint16_t>() % 600;
    const bool nullSource = input.ConsumeIntegral<std::uint8_t>() == 0xFF;
    const std::string sent = input.ConsumeRemainingBytesAsString();
    // Exactly as large as given, so that any byte past either end is caught.
    const std::vector<char> source(sent.begin(), sent.end());
    std::vector<char> dest(destSize, 'x');

    const std::size_t copied = keytool::CopyBoundedText(
        dest.data(), destSize, nullSource ? nullptr : source.data(), source.size());
    if (destSize == 0) {
        fuzz::Check(copied == 0, "nothing fits an empty field");
        return 0;
    }
    const std::size_t text = nullSource                             ? 0
                             : sent.find('\0') == std::string::npos ? sent.size()
                                                                    : sent.find('\0');
    fuzz::Check(copied < destSize && dest[copied] == '\0', "terminated inside the field");
    fuzz::Check(copied <= text, "nothing past the sent text's end");
    fuzz::Check(std::equal(dest.begin(), dest.begin() + copied, sent.begin()), "a prefix");
    // Cut between characters of code page 936, as long as fits.
    const auto width = [&](std::size_t at) {
        const auto byte = static_cast<unsigned char>(sent[at]);
        return byte >= 0x81 && byte <= 0xFE ? 2u : 1u;
    };
    std::size_t at = 0;
    while (at < copied) at += width(at);
    fuzz::Check(at == copied, "cut between characters");
    fuzz::Check(copied == text || copied + width(copied) > std::min(destSize - 1, text),
                "as long as fits");
    return 0;
}
