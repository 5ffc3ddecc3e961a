// A key file that is damaged, truncated, missing or held by another process, and a damaged
// plugged-in set: every export answers an error and nothing is lost or overrun.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "keylib/KeyLib.h"
#include "keylib/dll/StoreFiles.h"
#include "keylib/dll/logic/KeyFile.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "tests/keylib/support/StoreFixture.h"

namespace keylibtest {
namespace {

class DamageTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        keylib::KeyRecord record = newRecord("Key");
        record.containers[0].name = "c";
        record.containers[0].certificates[0] = testCertificate("one.der");
        record.files.push_back({0xEF11, {'x'}});
        writeKey("k", record);
        slot_ = plug("k");
        ASSERT_EQ(keylib::readWholeFile(keyPath("k"), intact_), keylib::ReadResult::Ok);
    }

    void replaceKeyFile(const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(keylib::writeFileAtomically(keyPath("k"), bytes.data(), bytes.size()));
    }

    // Every export that reads the key answers expected; none writes or crashes.
    void expectEveryExportAnswers(uint32_t expected) {
        uint32_t value = 0;
        char text[KEYLIB_LABEL_BUF] = {};
        std::vector<uint8_t> buffer(KEYLIB_CERT_MAX);
        uint32_t length = KEYLIB_CERT_MAX;
        uint16_t ids[KEYLIB_MAX_FILES] = {};
        uint16_t count = 0;
        EXPECT_EQ(CSP_GetSlotStatus(slot_, &value), expected);
        EXPECT_EQ(CSP_GetUsbKeyLabel(slot_, text), expected);
        EXPECT_EQ(CSP_SetUsbKeyLabel(slot_, "New"), expected);
        EXPECT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), expected);
        EXPECT_EQ(CSP_VerifyPassword(slot_, 1, nullptr), expected) << "no prompt for a bad key";
        EXPECT_EQ(CSP_ChangePassword(slot_, 1, kPassword, "brand-new-1"), expected);
        EXPECT_EQ(CSP_ChangeInitPassword(slot_), expected);
        EXPECT_EQ(CSP_ContainerCount(slot_, &value), expected);
        EXPECT_EQ(CSP_ContainerInfo(slot_, 0, &value, 128, text), expected);
        EXPECT_EQ(CSP_ReadCertByName(slot_, "c", 1, &length, buffer.data()), expected);
        EXPECT_EQ(CSP_DeleteContainerByName(slot_, "c"), expected);
        EXPECT_EQ(CSP_Reset(slot_), expected);
        EXPECT_EQ(CSP_LoadCertToIE(slot_, 3), expected);
        EXPECT_EQ(CSP_FileAllID(slot_, &count, ids), expected);
        EXPECT_EQ(CSP_FileRead(slot_, 0xEF11, 0, 1, buffer.data()), expected);
    }

    uint32_t slot_ = 0;
    std::vector<uint8_t> intact_;
};

TEST_F(DamageTest, TruncatedKeyFileIsDamagedAtEveryLength) {
    // A sample of cut points: inside the header, the fixed fields, a certificate, the end.
    for (size_t cut : {size_t(0), size_t(3), size_t(15), size_t(16), size_t(40), size_t(120),
                       intact_.size() / 2, intact_.size() - 1}) {
        SCOPED_TRACE(cut);
        replaceKeyFile(std::vector<uint8_t>(intact_.data(), intact_.data() + cut));
        uint32_t status = 0;
        EXPECT_EQ(CSP_GetSlotStatus(slot_, &status), KEYLIB_E_DAMAGED_KEY);
    }
    expectEveryExportAnswers(KEYLIB_E_DAMAGED_KEY);
}

TEST_F(DamageTest, FlippedByteIsCaught) {
    std::vector<uint8_t> bytes = intact_;
    bytes[bytes.size() / 2] ^= 0x20;
    replaceKeyFile(bytes);
    expectEveryExportAnswers(KEYLIB_E_DAMAGED_KEY);
    replaceKeyFile(intact_);
    uint32_t status = 0;
    EXPECT_EQ(CSP_GetSlotStatus(slot_, &status), KEYLIB_OK) << "a repaired file works again";
}

TEST_F(DamageTest, ForeignContentIsDamaged) {
    const char text[] = "this is not a key at all";
    replaceKeyFile(std::vector<uint8_t>(text, text + sizeof text));
    expectEveryExportAnswers(KEYLIB_E_DAMAGED_KEY);
}

TEST_F(DamageTest, DeletedKeyFileOfAPluggedKeyIsDamaged) {
    ASSERT_TRUE(DeleteFileW(keyPath("k").c_str()));
    expectEveryExportAnswers(KEYLIB_E_DAMAGED_KEY);
    uint32_t count = 0;
    EXPECT_EQ(CSP_GetSlotList(nullptr, &count), KEYLIB_OK);
    EXPECT_EQ(count, 1u) << "still plugged: the tool lists it without a label";
}

TEST_F(DamageTest, KeyFileLockedByAnotherProcessIsRefusedAndStaysIntact) {
    // No sharing at all: what a misbehaving process might do.
    HANDLE held = CreateFileW(keyPath("k").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    expectEveryExportAnswers(KEYLIB_E_STORE);
    CloseHandle(held);

    // Shared for reading only: the key is readable but cannot be replaced.
    held = CreateFileW(keyPath("k").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // Right or wrong, a try that cannot be counted is not compared: no free guesses.
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, "wrong-pass"), KEYLIB_E_STORE);
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), KEYLIB_E_STORE);
    CloseHandle(held);
    std::vector<uint8_t> after;
    ASSERT_EQ(keylib::readWholeFile(keyPath("k"), after), keylib::ReadResult::Ok);
    EXPECT_EQ(after, intact_);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(filePath("*.tmp*").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "the failed write left its temporary file";
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), KEYLIB_OK);
}

TEST_F(DamageTest, DamagedPluggedSetIsAStoreError) {
    const char garbage[] = "next 1\n0 k\n";
    ASSERT_TRUE(keylib::writeFileAtomically(filePath("plugged.txt"), garbage, strlen(garbage)));
    uint32_t count = 77;
    EXPECT_EQ(CSP_GetSlotList(nullptr, &count), KEYLIB_E_STORE);
    EXPECT_EQ(count, 0u);
    expectEveryExportAnswers(KEYLIB_E_STORE);
}

TEST_F(DamageTest, PluggedSetNamingAnUnsafeFileIsRefused) {
    const char escape[] = "next 5\n4 ..\\..\\evil\n";
    ASSERT_TRUE(keylib::writeFileAtomically(filePath("plugged.txt"), escape, strlen(escape)));
    uint32_t status = 0;
    EXPECT_EQ(CSP_GetSlotStatus(4, &status), KEYLIB_E_STORE);
}

}  // namespace
}  // namespace keylibtest
