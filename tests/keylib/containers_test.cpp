// Containers and their certificates: listing, reading by name and deleting.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "keylib/KeyLib.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "tests/keylib/support/StoreFixture.h"

namespace keylibtest {
namespace {

class ContainerTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        one_ = testCertificate("one.der");
        two_ = testCertificate("two.der");
        keylib::KeyRecord record = newRecord("Key");
        record.containers[0].name = "both";
        record.containers[0].certificates = {one_, two_};
        record.containers[3].name = "签名容器";
        record.containers[3].certificates[1] = two_;
        record.containers[5].name = "bare";
        writeKey("k", record);
        slot_ = plug("k");
    }

    std::vector<uint8_t> one_, two_;
    uint32_t slot_ = 0;
};

TEST_F(ContainerTest, CountIsTheNumberOfNamedPositions) {
    uint32_t count = 0;
    EXPECT_EQ(CSP_ContainerCount(slot_, &count), KEYLIB_OK);
    EXPECT_EQ(count, 3u);
}

TEST_F(ContainerTest, InfoGivesNameAndFlagBitsForEachPosition) {
    struct Expected {
        const char* name;
        uint32_t flags;
    };
    const Expected expected[KEYLIB_CONTAINERS] = {{"both", 0xF},     {"", 0}, {"", 0},
                                                  {"签名容器", 0xA}, {"", 0}, {"bare", 0}};
    for (uint32_t i = 0; i < KEYLIB_CONTAINERS; ++i) {
        char name[200];
        std::memset(name, 'x', sizeof name);
        uint32_t flags = 0xDEAD;
        ASSERT_EQ(CSP_ContainerInfo(slot_, i, &flags, 128, name), KEYLIB_OK) << i;
        EXPECT_STREQ(name, expected[i].name) << i;
        EXPECT_EQ(flags, expected[i].flags) << i;
    }
}

TEST_F(ContainerTest, InfoRefusesBadIndexNullsAndShortNameBuffers) {
    char name[128] = {};
    uint32_t flags = 0;
    EXPECT_EQ(CSP_ContainerInfo(slot_, 6, &flags, 128, name), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ContainerInfo(slot_, 0xFFFFFFFF, &flags, 128, name), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ContainerInfo(slot_, 0, nullptr, 128, name), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ContainerInfo(slot_, 0, &flags, 128, nullptr), KEYLIB_E_BAD_ARGUMENT);
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(CSP_ContainerInfo(slot_, 0, &flags, 4, name), KEYLIB_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(name[0], 'x') << "nothing written on failure";
    EXPECT_EQ(CSP_ContainerInfo(slot_, 0, &flags, 5, name), KEYLIB_OK);
    EXPECT_STREQ(name, "both");
}

TEST_F(ContainerTest, CertificatesAreReadByContainerNameAndKind) {
    std::vector<uint8_t> buffer(KEYLIB_CERT_MAX);
    uint32_t length = KEYLIB_CERT_MAX;
    ASSERT_EQ(CSP_ReadCertByName(slot_, "both", 1, &length, buffer.data()), KEYLIB_OK);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + length), one_);
    length = KEYLIB_CERT_MAX;
    ASSERT_EQ(CSP_ReadCertByName(slot_, "签名容器", 2, &length, buffer.data()), KEYLIB_OK);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + length), two_);
}

TEST_F(ContainerTest, TooSmallCapacityAnswersTheLengthNeeded) {
    std::vector<uint8_t> buffer(two_.size() + 1, 0xEE);
    uint32_t length = static_cast<uint32_t>(two_.size() - 1);
    EXPECT_EQ(CSP_ReadCertByName(slot_, "both", 2, &length, buffer.data()),
              KEYLIB_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, two_.size());
    EXPECT_EQ(buffer[0], 0xEE);
    EXPECT_EQ(CSP_ReadCertByName(slot_, "both", 2, &length, buffer.data()), KEYLIB_OK);
    EXPECT_EQ(buffer[two_.size()], 0xEE) << "written past the certificate";
}

TEST_F(ContainerTest, MissingContainersKindsAndBadArgumentsAreRefused) {
    std::vector<uint8_t> buffer(KEYLIB_CERT_MAX);
    uint32_t length = KEYLIB_CERT_MAX;
    EXPECT_EQ(CSP_ReadCertByName(slot_, "nothere", 1, &length, buffer.data()), KEYLIB_E_NOT_FOUND);
    EXPECT_EQ(CSP_ReadCertByName(slot_, "签名容器", 1, &length, buffer.data()), KEYLIB_E_NOT_FOUND);
    EXPECT_EQ(CSP_ReadCertByName(slot_, "bare", 2, &length, buffer.data()), KEYLIB_E_NOT_FOUND);
    EXPECT_EQ(CSP_ReadCertByName(slot_, "both", 3, &length, buffer.data()), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ReadCertByName(slot_, "both", 0, &length, buffer.data()), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ReadCertByName(slot_, nullptr, 1, &length, buffer.data()), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ReadCertByName(slot_, "", 1, &length, buffer.data()), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ReadCertByName(slot_, "both", 1, nullptr, buffer.data()), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ReadCertByName(slot_, "both", 1, &length, nullptr), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_ContainerCount(slot_, nullptr), KEYLIB_E_BAD_ARGUMENT);
}

TEST_F(ContainerTest, DeletionNeedsAVerifiedPasswordAndRemovesTheWholeContainer) {
    EXPECT_EQ(CSP_DeleteContainerByName(slot_, "both"), KEYLIB_SW_NOT_VERIFIED);
    ASSERT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), KEYLIB_OK);
    EXPECT_EQ(CSP_DeleteContainerByName(slot_, "nothere"), KEYLIB_E_NOT_FOUND);
    EXPECT_EQ(CSP_DeleteContainerByName(slot_, nullptr), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_DeleteContainerByName(slot_, "both"), KEYLIB_OK);

    char name[128] = {'x'};
    uint32_t flags = 0xF;
    EXPECT_EQ(CSP_ContainerInfo(slot_, 0, &flags, 128, name), KEYLIB_OK);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(flags, 0u);
    uint32_t count = 0;
    CSP_ContainerCount(slot_, &count);
    EXPECT_EQ(count, 2u);
    uint32_t length = KEYLIB_CERT_MAX;
    std::vector<uint8_t> buffer(KEYLIB_CERT_MAX);
    EXPECT_EQ(CSP_ReadCertByName(slot_, "both", 2, &length, buffer.data()), KEYLIB_E_NOT_FOUND);
}

TEST_F(ContainerTest, ResetForgetsTheVerification) {
    ASSERT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), KEYLIB_OK);
    EXPECT_EQ(CSP_Reset(slot_), KEYLIB_OK);
    EXPECT_EQ(CSP_DeleteContainerByName(slot_, "both"), KEYLIB_SW_NOT_VERIFIED);
}

TEST_F(ContainerTest, RepluggedKeyStartsUnverified) {
    ASSERT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), KEYLIB_OK);
    pull("k");
    const uint32_t again = plug("k");
    EXPECT_EQ(CSP_DeleteContainerByName(again, "both"), KEYLIB_SW_NOT_VERIFIED);
    EXPECT_EQ(CSP_DeleteContainerByName(slot_, "both"), KEYLIB_E_BAD_SLOT);
}

}  // namespace
}  // namespace keylibtest
