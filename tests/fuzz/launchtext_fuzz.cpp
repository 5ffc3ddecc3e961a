// The launch text read from a key: whatever file list and file bytes the key
// library hands back, the text is terminated, at most 255 characters, read
// within the 260 bytes asked for, and empty unless it was whole.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>

#include "device/logic/LaunchText.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

// A library that answers within the buffers it is given, with the fuzzer's bytes.
struct FuzzedFiles : keytool::KeyFiles {
    explicit FuzzedFiles(FuzzedDataProvider& bytes) : input(bytes) {}
    std::uint32_t AllIds(std::uint32_t, std::uint16_t* count, std::uint16_t* ids) override {
        *count = input.ConsumeIntegral<std::uint16_t>();
        const std::string listed = input.ConsumeBytesAsString(2 * keytool::kMaxKeyFiles);
        std::memcpy(ids, listed.data(), listed.size());
        return input.ConsumeIntegral<std::uint8_t>() == 0 ? 0 : 0x6A82;
    }
    std::uint32_t Read(std::uint32_t, std::uint16_t, std::uint32_t offset, std::uint32_t length,
                       std::uint8_t* buffer) override {
        fuzz::Check(offset == 0 && length == keytool::kLaunchReadSize, "reads the first 260");
        const bool fails = input.ConsumeIntegral<std::uint8_t>() == 1;
        file = input.ConsumeBytesAsString(length);
        std::memcpy(buffer, file.data(), file.size());
        return fails ? 0x6A82 : 0;
    }
    std::string file;
    FuzzedDataProvider& input;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    FuzzedFiles files(input);
    char text[keytool::kLaunchTextSize];
    std::memset(text, 'x', sizeof text);
    std::size_t length = 99;
    const int answer = keytool::ReadLaunchText(files, 1, text, &length);
    fuzz::Check(answer == 0 || answer == 1, "answers 0 or 1");
    fuzz::Check(length < keytool::kLaunchTextSize && text[length] == '\0', "terminated, bounded");
    fuzz::Check(std::strlen(text) == length, "the length is the text's");
    if (length > 0) {
        fuzz::Check(files.file.compare(0, length, text) == 0, "the file's own bytes");
        fuzz::Check(files.file.size() <= length || files.file[length] == '\0', "a whole text");
    }
    return 0;
}
