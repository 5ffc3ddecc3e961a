#include "device/logic/LaunchText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace keytool {
namespace {

// One key's files; the content is written as stored, terminator or not.
struct FakeFiles : KeyFiles {
    std::vector<std::uint16_t> ids;
    std::uint16_t reported;
    std::string content;
    std::uint32_t idsResult = 0, readResult = 0;
    std::uint32_t AllIds(std::uint32_t, std::uint16_t* count, std::uint16_t* out) override {
        std::copy(ids.begin(), ids.end(), out);
        *count = reported;
        return idsResult;
    }
    std::uint32_t Read(std::uint32_t, std::uint16_t, std::uint32_t, std::uint32_t length,
                       std::uint8_t* buffer) override {
        std::memcpy(buffer, content.data(), std::min<std::size_t>(content.size(), length));
        return readResult;
    }
};

TEST(LaunchText, OnlyAWholeStoredTextIsGivenAndNothingOverruns) {
    const std::vector<std::uint16_t> withLaunch{1, kLaunchFileId};
    const struct {
        std::vector<std::uint16_t> ids;
        std::uint16_t reported;
        std::string content;
        std::uint32_t idsResult, readResult;
        int answer;
        std::string text;
    } cases[] = {
        {withLaunch, 2, std::string("https://e.cn/\0junk", 18), 0, 0, 1, "https://e.cn/"},
        {{1, 2}, 2, "x", 0, 0, 1, ""},                              // no launch file
        {withLaunch, 2, "x", 1, 0, 0, ""},                          // ids unreadable
        {withLaunch, 2, "x", 0, 1, 0, ""},                          // file unreadable
        {std::vector<std::uint16_t>(50, 1), 60, "x", 0, 0, 1, ""},  // count beyond the table
        {withLaunch, 2, std::string(255, 'a') + '\0', 0, 0, 1, std::string(255, 'a')},
        {withLaunch, 2, std::string(256, 'b') + '\0', 0, 0, 1, ""},  // too long: not cut
        {withLaunch, 2, std::string(400, 'c'), 0, 0, 1, ""},         // unterminated
    };
    for (const auto& c : cases) {
        FakeFiles files;
        files.ids = c.ids, files.reported = c.reported, files.content = c.content;
        files.idsResult = c.idsResult, files.readResult = c.readResult;
        char text[kLaunchTextSize];
        std::size_t length = 99;
        const int answer = ReadLaunchText(files, 1, text, &length);
        EXPECT_EQ(std::tie(answer, length, text), std::make_tuple(c.answer, c.text.size(), c.text));
    }
}

}  // namespace
}  // namespace keytool
