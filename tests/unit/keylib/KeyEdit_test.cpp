// Changing and reading a key's containers and files as the exports and the admin tool do.
#include "keylib/dll/logic/KeyEdit.h"

#include <gtest/gtest.h>

#include <cstring>

#include "keylib/dll/logic/KeyStatus.h"

namespace keylib {
namespace {

const std::vector<uint8_t> kDer = {0x30, 0x03, 0x02, 0x01, 0x01};

TEST(KeyEditTest, CertificateGoesIntoTheNamedContainerOrTheFirstEmptyPosition) {
    KeyRecord r;
    r.containers[0].name = "taken";
    ASSERT_EQ(putCertificate(r, "new", 2, kDer), KEYLIB_OK);
    EXPECT_EQ(r.containers[1].name, "new");
    EXPECT_EQ(containerFlags(r.containers[1]), 0xAu);
    ASSERT_EQ(putCertificate(r, "new", 1, kDer), KEYLIB_OK);
    EXPECT_EQ(containerFlags(r.containers[1]), 0xFu);
    EXPECT_EQ(findContainer(r, "new"), 1);
    EXPECT_EQ(countContainers(r), 2u);
    const std::vector<uint8_t> other = {0x30, 0x00};
    ASSERT_EQ(putCertificate(r, "new", 1, other), KEYLIB_OK);
    EXPECT_EQ(r.containers[1].certificates[0], other) << "replaced in place";
    EXPECT_EQ(countContainers(r), 2u);
}

TEST(KeyEditTest, CertificateArgumentsAndRoomAreChecked) {
    KeyRecord r;
    EXPECT_EQ(putCertificate(r, "c", 0, kDer), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(putCertificate(r, "c", 3, kDer), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(putCertificate(r, "", 1, kDer), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(putCertificate(r, "c", 1, {}), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(putCertificate(r, "c", 1, std::vector<uint8_t>(kMaxCertificate + 1)),
              KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(putCertificate(r, "c", 1, std::vector<uint8_t>(kMaxCertificate, 0x30)), KEYLIB_OK);
    for (int i = 1; i < 6; ++i) {
        ASSERT_EQ(putCertificate(r, "c" + std::to_string(i), 1, kDer), KEYLIB_OK);
    }
    EXPECT_EQ(putCertificate(r, "seventh", 1, kDer), KEYLIB_E_FULL);
    EXPECT_EQ(findContainer(r, "seventh"), -1);
}

TEST(KeyEditTest, RemovingAContainerEmptiesItsPosition) {
    KeyRecord r;
    putCertificate(r, "a", 1, kDer);
    putCertificate(r, "b", 2, kDer);
    EXPECT_EQ(removeContainer(r, "a"), KEYLIB_OK);
    EXPECT_TRUE(r.containers[0].empty());
    EXPECT_TRUE(r.containers[0].certificates[0].empty());
    EXPECT_EQ(r.containers[1].name, "b");
    EXPECT_EQ(removeContainer(r, "a"), KEYLIB_E_NOT_FOUND);
    EXPECT_EQ(findContainer(r, ""), -1) << "an empty name never matches an empty position";
}

TEST(KeyEditTest, FilesAreAddedReplacedAndLimitedToFifty) {
    KeyRecord r;
    ASSERT_EQ(putFile(r, 0xEF11, {'a'}), KEYLIB_OK);
    ASSERT_EQ(putFile(r, 0xEF11, {'b', 'c'}), KEYLIB_OK);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(findFile(r, 0xEF11)->data, (std::vector<uint8_t>{'b', 'c'}));
    EXPECT_EQ(putFile(r, 1, std::vector<uint8_t>(kMaxFileSize + 1)), KEYLIB_E_BAD_ARGUMENT);
    for (uint16_t id = 1; id < kMaxFiles; ++id) ASSERT_EQ(putFile(r, id, {}), KEYLIB_OK);
    EXPECT_EQ(putFile(r, 0x9999, {}), KEYLIB_E_FULL);
    EXPECT_EQ(putFile(r, 5, {'x'}), KEYLIB_OK) << "replacing needs no room";
    EXPECT_EQ(removeFile(r, 5), KEYLIB_OK);
    EXPECT_EQ(findFile(r, 5), nullptr);
    EXPECT_EQ(removeFile(r, 5), KEYLIB_E_NOT_FOUND);
}

TEST(KeyEditTest, TextCopyNeedsRoomForTheTerminator) {
    char out[6];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(copyText("hello", 5, out), KEYLIB_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(out[0], 'x');
    EXPECT_EQ(copyText("hello", 6, out), KEYLIB_OK);
    EXPECT_STREQ(out, "hello");
    EXPECT_EQ(copyText("", 0, out), KEYLIB_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(copyText("a", 2, nullptr), KEYLIB_E_BAD_ARGUMENT);
}

TEST(KeyEditTest, CertificateCopyReportsTheLengthNeeded) {
    Container c;
    c.name = "c";
    c.certificates[0] = kDer;
    uint8_t buffer[8];
    std::memset(buffer, 0xEE, sizeof buffer);
    uint32_t length = 4;
    EXPECT_EQ(copyCertificate(c, 1, &length, buffer), KEYLIB_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, kDer.size());
    EXPECT_EQ(buffer[0], 0xEE);
    length = 0;
    EXPECT_EQ(copyCertificate(c, 1, &length, nullptr), KEYLIB_E_BUFFER_TOO_SMALL)
        << "a size query without a buffer";
    length = sizeof buffer;
    EXPECT_EQ(copyCertificate(c, 1, &length, buffer), KEYLIB_OK);
    EXPECT_EQ(length, kDer.size());
    EXPECT_EQ(buffer[kDer.size()], 0xEE);
    EXPECT_EQ(copyCertificate(c, 2, &length, buffer), KEYLIB_E_NOT_FOUND);
    EXPECT_EQ(copyCertificate(c, 1, nullptr, buffer), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(copyCertificate(c, 1, &length, nullptr), KEYLIB_E_BAD_ARGUMENT);
}

TEST(KeyEditTest, FileRangeIsBoundedByTheCallersLength) {
    const std::vector<uint8_t> data = {'a', 'b', 'c'};
    uint8_t out[6];
    std::memset(out, 0xEE, sizeof out);
    EXPECT_EQ(copyFileRange(data, 0, 2, out), KEYLIB_OK);
    EXPECT_EQ(out[1], 'b');
    EXPECT_EQ(out[2], 0xEE) << "no terminator when it would not fit";
    EXPECT_EQ(copyFileRange(data, 1, 5, out), KEYLIB_OK);
    EXPECT_EQ(out[0], 'b');
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 0xEE);
    EXPECT_EQ(copyFileRange(data, 3, 1, out), KEYLIB_OK);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(copyFileRange(data, 4, 1, out), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(copyFileRange(data, 0, 1, nullptr), KEYLIB_E_BAD_ARGUMENT);
}

}  // namespace
}  // namespace keylib
