// The key library's copies out of a key into the caller's buffers: texts,
// certificates and ranges of key files, with any capacity, offset and length
// the caller gives, never touch a byte past the buffer the caller said it has.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "keylib/dll/logic/KeyEdit.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

// Every output buffer holds exactly the bytes its caller tells (a null one when there are none),
// so a byte past it is caught.
void Texts(FuzzedDataProvider& input) {
    const std::string text = input.ConsumeBytesAsString(input.ConsumeIntegral<std::uint8_t>());
    const std::uint32_t capacity = input.ConsumeIntegral<std::uint8_t>();
    std::vector<std::uint8_t> out(capacity, 0xAA);
    auto* chars = reinterpret_cast<char*>(out.empty() ? nullptr : out.data());
    if (keylib::copyText(text, capacity, chars) != KEYLIB_OK) return;
    fuzz::Check(text.size() < capacity && out[text.size()] == 0, "terminated inside");
    fuzz::Check(
        text.compare(0, text.size(), reinterpret_cast<const char*>(out.data()), text.size()) == 0,
        "the text itself");
}

void Certificates(FuzzedDataProvider& input) {
    keylib::Container container;
    const std::string der = input.ConsumeBytesAsString(input.ConsumeIntegral<std::uint16_t>());
    container.certificates[0].assign(der.begin(), der.end());
    const std::uint32_t kind = input.ConsumeIntegral<std::uint8_t>() % 4;
    const std::uint32_t capacity = input.ConsumeIntegral<std::uint16_t>() % 70000;
    std::vector<std::uint8_t> out(capacity, 0xAA);
    std::uint32_t length = capacity;
    const std::uint32_t status =
        keylib::copyCertificate(container, kind, &length, out.empty() ? nullptr : out.data());
    if (status == KEYLIB_OK) {
        fuzz::Check(kind == 1 && length == der.size() && length <= capacity, "the whole DER");
        const std::vector<std::uint8_t>& stored = container.certificates[0];
        fuzz::Check(std::equal(stored.begin(), stored.end(), out.begin()), "its own bytes");
    } else if (status == KEYLIB_E_BUFFER_TOO_SMALL) {
        fuzz::Check(length == der.size() && der.size() > capacity, "tells the size needed");
    }
}

void FileRanges(FuzzedDataProvider& input) {
    const std::string file = input.ConsumeBytesAsString(input.ConsumeIntegral<std::uint16_t>());
    const std::vector<std::uint8_t> data(file.begin(), file.end());
    const std::uint32_t offset = input.ConsumeIntegral<std::uint16_t>();
    const std::uint32_t length = input.ConsumeIntegral<std::uint32_t>() % 70000;
    std::vector<std::uint8_t> out(length, 0xAA);
    if (keylib::copyFileRange(data, offset, length, out.empty() ? nullptr : out.data()) !=
        KEYLIB_OK) {
        return;
    }
    fuzz::Check(offset <= data.size(), "starts inside the file");
    const std::size_t n = std::min<std::size_t>(length, data.size() - offset);
    fuzz::Check(std::equal(out.begin(), out.begin() + n, data.begin() + offset), "the range");
    fuzz::Check(n == length || out[n] == 0, "terminated when short");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    void (*const copies[])(FuzzedDataProvider&) = {Texts, Certificates, FileRanges};
    copies[input.ConsumeIntegral<std::uint8_t>() % 3](input);
    return 0;
}
