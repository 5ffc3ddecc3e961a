#include "device/logic/LaunchText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace keytool {
namespace {

// Files of one key; content is written as stored, without adding a terminator.
class FakeFiles : public KeyFiles {
public:
    std::vector<std::uint16_t> ids;
    std::uint16_t reportedCount = 0xFFFF;  // default: ids.size()
    std::string content;
    std::uint32_t idsResult = 0;
    std::uint32_t readResult = 0;
    std::uint32_t readLength = 0;

    std::uint32_t AllIds(std::uint32_t, std::uint16_t* count, std::uint16_t* out) override {
        std::copy_n(ids.begin(), std::min<std::size_t>(ids.size(), kMaxKeyFiles), out);
        *count = reportedCount == 0xFFFF ? static_cast<std::uint16_t>(ids.size()) : reportedCount;
        return idsResult;
    }
    std::uint32_t Read(std::uint32_t, std::uint16_t, std::uint32_t, std::uint32_t length,
                       std::uint8_t* buffer) override {
        readLength = length;
        std::memcpy(buffer, content.data(), std::min<std::size_t>(content.size(), length));
        return readResult;
    }
};

TEST(LaunchText, ReadsTheStoredTextUpToItsTerminator) {
    FakeFiles files;
    files.ids = {0x0001, kLaunchFileId};
    files.content = std::string("https://ebank.qelmora.com/\0junk", 31);
    char text[kLaunchTextSize];
    std::size_t length = 99;
    EXPECT_EQ(ReadLaunchText(files, 1, text, &length), 1);
    EXPECT_STREQ(text, "https://ebank.qelmora.com/");
    EXPECT_EQ(length, 26u);
    EXPECT_EQ(files.readLength, kLaunchReadSize);
}

TEST(LaunchText, KeyWithoutTheLaunchFileGivesNothingToOpen) {
    FakeFiles files;
    files.ids = {0x0001, 0x0002};
    char text[kLaunchTextSize];
    std::size_t length = 99;
    EXPECT_EQ(ReadLaunchText(files, 1, text, &length), 1);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(files.readLength, 0u);
}

TEST(LaunchText, LibraryFailuresAnswerZero) {
    FakeFiles files;
    files.ids = {kLaunchFileId};
    files.idsResult = 1;
    char text[kLaunchTextSize];
    std::size_t length = 0;
    EXPECT_EQ(ReadLaunchText(files, 1, text, &length), 0);

    files.idsResult = 0;
    files.readResult = 1;
    EXPECT_EQ(ReadLaunchText(files, 1, text, &length), 0);
    EXPECT_EQ(length, 0u);
}

TEST(LaunchText, OnlyTheFirstFiftyIdsAreLookedAt) {
    FakeFiles files;
    files.ids.assign(kMaxKeyFiles, 0x0001);
    files.reportedCount = 60;  // a library claiming more than the table holds
    files.content = std::string("x\0", 2);
    char text[kLaunchTextSize];
    std::size_t length = 0;
    EXPECT_EQ(ReadLaunchText(files, 1, text, &length), 1);
    EXPECT_EQ(length, 0u);
}

TEST(LaunchText, TextsThatDoNotFitAreNotOpenedAndNeverOverrun) {
    FakeFiles files;
    files.ids = {kLaunchFileId};
    char text[kLaunchTextSize];
    std::size_t length = 0;

    files.content = std::string(255, 'a') + '\0';
    EXPECT_EQ(ReadLaunchText(files, 1, text, &length), 1);
    EXPECT_EQ(length, 255u);
    EXPECT_EQ(std::string(text), std::string(255, 'a'));

    files.content = std::string(256, 'b') + '\0';
    EXPECT_EQ(ReadLaunchText(files, 1, text, &length), 1);
    EXPECT_EQ(length, 0u);
    EXPECT_STREQ(text, "");

    files.content = std::string(400, 'c');  // no terminator in the 260 bytes read
    EXPECT_EQ(ReadLaunchText(files, 1, text, &length), 1);
    EXPECT_EQ(length, 0u);
}

}  // namespace
}  // namespace keytool
