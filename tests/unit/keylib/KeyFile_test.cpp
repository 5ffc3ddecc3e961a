// The key file format: what is written reads back, and every kind of damage is named.
#include "keylib/dll/logic/KeyFile.h"

#include <gtest/gtest.h>

#include "keylib/dll/logic/Crc32.h"

namespace keylib {
namespace {

KeyRecord sampleRecord() {
    KeyRecord r;
    r.label =
        "\xD1\xDD\xCA\xBE"
        "UsbKey";  // GBK
    r.status = 2;
    r.maxTries = 6;
    r.triesLeft = 4;
    r.initialPassword = true;
    r.password.iterations = 10000;
    for (size_t i = 0; i < kSaltSize; ++i) r.password.salt[i] = static_cast<uint8_t>(i);
    for (size_t i = 0; i < kHashSize; ++i) r.password.hash[i] = static_cast<uint8_t>(0xA0 + i);
    r.containers[0].name = "both";
    r.containers[0].certificates[0] = {0x30, 0x01, 0x00};
    r.containers[0].certificates[1] = {0x30, 0x02, 0x00, 0x00};
    r.containers[4].name = "sign";
    r.containers[4].certificates[1] = {0x30, 0x00};
    r.files.push_back({kLaunchFileId, {'h', 't', 't', 'p'}});
    r.files.push_back({0x0001, {}});
    return r;
}

// Recomputes the stored length and checksum after a deliberate edit of the bytes.
void reseal(std::vector<uint8_t>& bytes) {
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i) bytes[8 + i] = static_cast<uint8_t>(size >> (8 * i));
    const uint32_t crc =
        crc32(bytes.data() + kKeyFileHeaderSize, bytes.size() - kKeyFileHeaderSize);
    for (int i = 0; i < 4; ++i) bytes[12 + i] = static_cast<uint8_t>(crc >> (8 * i));
}

ParseResult parse(const std::vector<uint8_t>& bytes) {
    KeyRecord out;
    return parseKeyFile(bytes.data(), bytes.size(), out);
}

ParseResult parseRecord(const KeyRecord& record) { return parse(serializeKeyFile(record)); }

TEST(KeyFileTest, WrittenRecordReadsBackIdentically) {
    const KeyRecord in = sampleRecord();
    const std::vector<uint8_t> bytes = serializeKeyFile(in);
    KeyRecord out;
    ASSERT_EQ(parseKeyFile(bytes.data(), bytes.size(), out), ParseResult::Ok);
    EXPECT_EQ(out.label, in.label);
    EXPECT_EQ(out.status, in.status);
    EXPECT_EQ(out.maxTries, in.maxTries);
    EXPECT_EQ(out.triesLeft, in.triesLeft);
    EXPECT_TRUE(out.initialPassword);
    EXPECT_EQ(out.password.salt, in.password.salt);
    EXPECT_EQ(out.password.hash, in.password.hash);
    EXPECT_EQ(out.password.iterations, in.password.iterations);
    for (size_t i = 0; i < kContainerCount; ++i) {
        EXPECT_EQ(out.containers[i].name, in.containers[i].name) << i;
        EXPECT_EQ(out.containers[i].certificates, in.containers[i].certificates) << i;
    }
    ASSERT_EQ(out.files.size(), 2u);
    EXPECT_EQ(out.files[0].id, kLaunchFileId);
    EXPECT_EQ(out.files[0].data, in.files[0].data);
    EXPECT_EQ(serializeKeyFile(out), bytes);
}

TEST(KeyFileTest, EveryTruncationIsRefusedWithoutTouchingTheOutput) {
    const std::vector<uint8_t> bytes = serializeKeyFile(sampleRecord());
    for (size_t size = 0; size < bytes.size(); ++size) {
        KeyRecord out;
        out.label = "untouched";
        EXPECT_NE(parseKeyFile(bytes.data(), size, out), ParseResult::Ok) << size;
        EXPECT_EQ(out.label, "untouched");
    }
}

TEST(KeyFileTest, HeaderDamageIsNamed) {
    const std::vector<uint8_t> good = serializeKeyFile(sampleRecord());
    std::vector<uint8_t> bytes = good;
    bytes[0] = 'X';
    EXPECT_EQ(parse(bytes), ParseResult::BadMagic);
    bytes = good;
    bytes[4] = 2;
    EXPECT_EQ(parse(bytes), ParseResult::BadVersion);
    bytes = good;
    bytes.push_back(0);
    EXPECT_EQ(parse(bytes), ParseResult::BadLength);
    bytes = good;
    bytes[40] ^= 1;
    EXPECT_EQ(parse(bytes), ParseResult::BadChecksum);
    bytes = good;
    bytes[6] |= 0x2;  // an unknown flag; the checksum does not cover the header
    EXPECT_EQ(parse(bytes), ParseResult::BadField);
    KeyRecord out;
    EXPECT_EQ(parseKeyFile(nullptr, 100, out), ParseResult::Truncated);
}

TEST(KeyFileTest, TrailingBytesAreRefusedEvenWhenSealed) {
    std::vector<uint8_t> bytes = serializeKeyFile(sampleRecord());
    bytes.push_back(0);
    reseal(bytes);
    EXPECT_EQ(parse(bytes), ParseResult::TrailingBytes);
}

TEST(KeyFileTest, LengthFieldsPointingPastTheEndAreTruncation) {
    KeyRecord r = sampleRecord();
    r.files.clear();
    std::vector<uint8_t> bytes = serializeKeyFile(r);
    // The last field is the file count: claim one file that is not there.
    bytes.back() = 1;
    reseal(bytes);
    EXPECT_EQ(parse(bytes), ParseResult::Truncated);
    // A certificate length of 4 GiB must not be believed.
    bytes = serializeKeyFile(r);
    const size_t firstCertLength = kKeyFileHeaderSize + 4 + 2 + 1 + r.label.size() + kSaltSize + 4 +
                                   kHashSize + 1 + r.containers[0].name.size();
    for (int i = 0; i < 4; ++i) bytes[firstCertLength + i] = 0xFF;
    reseal(bytes);
    EXPECT_EQ(parse(bytes), ParseResult::Truncated);
}

TEST(KeyFileTest, FieldRulesAreEnforcedOnRead) {
    using Edit = void (*)(KeyRecord&);
    const Edit edits[] = {
        [](KeyRecord& r) { r.label = ""; },
        [](KeyRecord& r) { r.label = std::string(16, 'a'); },
        [](KeyRecord& r) { r.triesLeft = 7; },
        [](KeyRecord& r) { r.maxTries = r.triesLeft = 0; },
        [](KeyRecord& r) { r.maxTries = 16; },
        [](KeyRecord& r) { r.password.iterations = kMinIterations - 1; },
        [](KeyRecord& r) { r.password.iterations = kMaxIterations + 1; },
        [](KeyRecord& r) { r.containers[1].name = "both"; },  // duplicate name
        [](KeyRecord& r) {
            r.containers[2].certificates[0] = {0x30, 0x00};
        },  // no container
        [](KeyRecord& r) { r.containers[0].name = "bad\x01name"; },
        [](KeyRecord& r) {
            r.files.push_back({kLaunchFileId, {}});
        },  // duplicate id
    };
    for (size_t i = 0; i < sizeof edits / sizeof edits[0]; ++i) {
        KeyRecord r = sampleRecord();
        edits[i](r);
        EXPECT_EQ(parseRecord(r), ParseResult::BadField) << "edit " << i;
    }
}

TEST(KeyFileTest, LargestAllowedContentIsAccepted) {
    KeyRecord r = sampleRecord();
    r.containers[0].name = std::string(kMaxContainerName, 'n');
    r.containers[0].certificates[0].assign(kMaxCertificate, 0x30);
    r.files.clear();
    for (uint16_t id = 0; id < kMaxFiles; ++id) r.files.push_back({id, {}});
    r.files[0].data.assign(kMaxFileSize, 'f');
    EXPECT_TRUE(validateRecord(r));
    EXPECT_EQ(parseRecord(r), ParseResult::Ok);
    r.files.push_back({0xFFFF, {}});
    EXPECT_FALSE(validateRecord(r));
}

}  // namespace
}  // namespace keylib
