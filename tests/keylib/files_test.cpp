// The key's small files: their ids and bounded reads (file 0xEF11 is the launch text).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "keylib/KeyLib.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "tests/keylib/support/StoreFixture.h"

namespace keylibtest {
namespace {

constexpr char kLaunch[] = "https://ebank.qelmora.com/";

class FileTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        keylib::KeyRecord record = newRecord("Key");
        record.files.push_back({0x0001, {1, 2, 3}});
        record.files.push_back({0xEF11, std::vector<uint8_t>(kLaunch, kLaunch + strlen(kLaunch))});
        record.files.push_back({0x5000, std::vector<uint8_t>(1000, 'L')});
        writeKey("k", record);
        slot_ = plug("k");
    }
    uint32_t slot_ = 0;
};

TEST_F(FileTest, AllIdsAreListed) {
    uint16_t ids[KEYLIB_MAX_FILES] = {};
    uint16_t count = 0;
    ASSERT_EQ(CSP_FileAllID(slot_, &count, ids), KEYLIB_OK);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(ids[0], 0x0001);
    EXPECT_EQ(ids[1], 0xEF11);
    EXPECT_EQ(ids[2], 0x5000);
}

TEST_F(FileTest, FiftyFilesFillTheCallersArrayExactly) {
    keylib::KeyRecord record = readKey("k");
    record.files.clear();
    for (uint16_t id = 0; id < KEYLIB_MAX_FILES; ++id) record.files.push_back({id, {}});
    writeKey("k", record);
    uint16_t ids[KEYLIB_MAX_FILES + 1];
    std::memset(ids, 0xAB, sizeof ids);
    uint16_t count = 0;
    ASSERT_EQ(CSP_FileAllID(slot_, &count, ids), KEYLIB_OK);
    EXPECT_EQ(count, KEYLIB_MAX_FILES);
    EXPECT_EQ(ids[KEYLIB_MAX_FILES - 1], KEYLIB_MAX_FILES - 1);
    EXPECT_EQ(ids[KEYLIB_MAX_FILES], 0xABAB);
}

TEST_F(FileTest, LaunchTextReadsAsTheToolReadsIt) {
    uint8_t buffer[260];
    std::memset(buffer, 0, sizeof buffer);
    ASSERT_EQ(CSP_FileRead(slot_, 0xEF11, 0, 260, buffer), KEYLIB_OK);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), kLaunch);
}

TEST_F(FileTest, ShortFileGetsATerminatorWhenThereIsRoom) {
    uint8_t buffer[8];
    std::memset(buffer, 0xEE, sizeof buffer);
    ASSERT_EQ(CSP_FileRead(slot_, 0x0001, 0, 4, buffer), KEYLIB_OK);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(buffer[2], 3);
    EXPECT_EQ(buffer[3], 0);
    EXPECT_EQ(buffer[4], 0xEE) << "written past the caller's length";
}

TEST_F(FileTest, LongFileIsCutAtTheCallersLength) {
    uint8_t buffer[300];
    std::memset(buffer, 0xEE, sizeof buffer);
    ASSERT_EQ(CSP_FileRead(slot_, 0x5000, 0, 260, buffer), KEYLIB_OK);
    EXPECT_EQ(buffer[259], 'L');
    EXPECT_EQ(buffer[260], 0xEE);
}

TEST_F(FileTest, OffsetStartsTheReadInsideTheFile) {
    uint8_t buffer[32] = {};
    ASSERT_EQ(CSP_FileRead(slot_, 0xEF11, 8, sizeof buffer, buffer), KEYLIB_OK);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), kLaunch + 8);
    EXPECT_EQ(CSP_FileRead(slot_, 0xEF11, strlen(kLaunch), 4, buffer), KEYLIB_OK);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(CSP_FileRead(slot_, 0xEF11, strlen(kLaunch) + 1, 4, buffer), KEYLIB_E_BAD_ARGUMENT);
}

TEST_F(FileTest, MissingFilesAndBadArgumentsAreRefused) {
    uint8_t buffer[16] = {};
    uint16_t ids[KEYLIB_MAX_FILES] = {};
    uint16_t count = 0;
    EXPECT_EQ(CSP_FileRead(slot_, 0x1234, 0, 16, buffer), KEYLIB_E_NOT_FOUND);
    EXPECT_EQ(CSP_FileRead(slot_, 0xEF11, 0, 16, nullptr), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_FileRead(0, 0xEF11, 0, 16, buffer), KEYLIB_E_BAD_SLOT);
    EXPECT_EQ(CSP_FileAllID(slot_, nullptr, ids), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_FileAllID(slot_, &count, nullptr), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_FileAllID(slot_ + 1, &count, ids), KEYLIB_E_BAD_SLOT);
}

}  // namespace
}  // namespace keylibtest
