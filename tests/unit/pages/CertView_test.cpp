#include "pages/logic/CertView.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/logic/CertBuffer.h"
#include "tests/unit/pages/CertPageFakes.h"

namespace keytool::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A temporary directory of a chosen path, files kept in memory, and the
// paths handed to the shell.
class FakeFiles : public CertFiles {
public:
    std::string tempDir = "C:\\users\\me\\Temp\\";
    bool tempFails = false;
    bool writeFails = false;
    std::map<std::string, Bytes> files;
    std::vector<std::string> opened;

    std::uint32_t TempPath(std::uint32_t size, char* buffer) override {
        if (tempFails) return 0;
        if (tempDir.size() + 1 > size) return static_cast<std::uint32_t>(tempDir.size() + 1);
        std::memcpy(buffer, tempDir.c_str(), tempDir.size() + 1);
        return static_cast<std::uint32_t>(tempDir.size());
    }
    bool WriteNewFile(const char* path, const std::uint8_t* bytes, std::uint32_t length) override {
        if (writeFails) return false;
        files[path] = Bytes(bytes, bytes + length);
        return true;
    }
    void Open(const char* path) override { opened.emplace_back(path); }
};

class CertViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        userEnc = MakeCertificate("User Encrypt");
        userSign = MakeCertificate("User Sign");
    }
    void SetUp() override {
        page.keys.Put(2, "User", 1, userEnc);
        page.keys.Put(2, "User", 2, userSign);
        page.Fill(7);
        page.keys.calls.clear();
    }
    std::string TempFile() const { return files.tempDir + "~certdemotemp~.cer"; }

    static inline Bytes userEnc;
    static inline Bytes userSign;
    FakePage page;
    FakeFiles files;
};

TEST_F(CertViewTest, ReadGivesNameKindAndTheExactBytes) {
    page.tree.Select("User Sign");
    char name[CONTAINER_NAME_SIZE];
    std::uint32_t kind = 0;
    std::uint32_t length = 0;
    ASSERT_TRUE(ReadSelectedCert(7, page.parts, name, &kind, &length));
    EXPECT_STREQ(name, "User");
    EXPECT_EQ(kind, 2u);
    EXPECT_EQ(Bytes(g_CertBuf, g_CertBuf + length), userSign);
    EXPECT_THAT(page.keys.calls, ElementsAre("ReadCertByName(7,User,2,409600)"));
}

TEST_F(CertViewTest, ViewWritesTheCertificateAndOpensIt) {
    page.tree.Select("User Encrypt");
    ViewSelectedCert(7, page.parts, files);
    EXPECT_EQ(files.files.at(TempFile()), userEnc);
    EXPECT_THAT(files.opened, ElementsAre(TempFile()));
    EXPECT_THAT(page.ui.events, IsEmpty());

    // The second view replaces the first certificate.
    page.tree.Select("User Sign");
    ViewSelectedCert(7, page.parts, files);
    EXPECT_EQ(files.files.size(), 1u);
    EXPECT_EQ(files.files.at(TempFile()), userSign);
    EXPECT_EQ(files.opened.size(), 2u);
}

TEST_F(CertViewTest, RootOrNothingSelectedWarnsOthersAreRefusedSilently) {
    for (const char* text : {"USBKEY:", ""}) {
        page.tree.Select(text);
        ViewSelectedCert(7, page.parts, files);
    }
    EXPECT_THAT(page.ui.events, ElementsAre("warn 请选择证书！", "warn 请选择证书！"));

    page.ui.events.clear();
    for (const char* text : {"容器2  名字＝User", "容器0  空"}) {
        page.tree.Select(text);
        ViewSelectedCert(7, page.parts, files);
    }
    page.tree.selection = page.tree.Append(page.tree.Find("USBKEY:"), "both kinds", 1, 0xC0000003u);
    ViewSelectedCert(7, page.parts, files);
    page.tree.Select("User Sign");
    ViewSelectedCert(0, page.parts, files);

    EXPECT_THAT(page.ui.events, IsEmpty());
    EXPECT_THAT(page.keys.calls, IsEmpty());
    EXPECT_THAT(files.files, IsEmpty());
    EXPECT_THAT(files.opened, IsEmpty());
}

TEST_F(CertViewTest, ReadFailureWarnsAndKeepsTheEarlierFile) {
    page.tree.Select("User Encrypt");
    ViewSelectedCert(7, page.parts, files);
    page.keys.readResult = 0xA0420005u;
    page.tree.Select("User Sign");
    ViewSelectedCert(7, page.parts, files);

    EXPECT_THAT(page.ui.events, ElementsAre("warn 读取证书失败！"));
    EXPECT_EQ(files.files.at(TempFile()), userEnc);
    EXPECT_EQ(files.opened.size(), 1u);
}

TEST_F(CertViewTest, LengthPastTheBufferIsAFailedRead) {
    page.keys.reportedLength = CERT_BUF_SIZE + 1;
    page.tree.Select("User Encrypt");
    ViewSelectedCert(7, page.parts, files);
    EXPECT_THAT(page.ui.events, ElementsAre("warn 读取证书失败！"));
    EXPECT_THAT(files.files, IsEmpty());

    page.ui.events.clear();
    page.keys.reportedLength = CERT_BUF_SIZE;  // the largest certificate a key holds
    ViewSelectedCert(7, page.parts, files);
    EXPECT_THAT(page.ui.events, IsEmpty());
    EXPECT_EQ(files.files.at(TempFile()).size(), CERT_BUF_SIZE);
}

TEST_F(CertViewTest, TemporaryFileProblemsWarnAndWriteNothing) {
    page.tree.Select("User Encrypt");
    files.tempFails = true;
    ViewSelectedCert(7, page.parts, files);
    files.tempFails = false;
    files.tempDir = "C:\\" + std::string(260, 'd') + "\\";  // does not fit at all
    ViewSelectedCert(7, page.parts, files);
    files.tempDir = "C:\\" + std::string(238, 'd') + "\\";  // 242 + 18 + 1: one byte too many
    ViewSelectedCert(7, page.parts, files);
    EXPECT_THAT(files.files, IsEmpty());

    files.writeFails = true;
    files.tempDir = "C:\\" + std::string(237, 'd') + "\\";  // 241 + 18 + 1: fits exactly
    ViewSelectedCert(7, page.parts, files);
    EXPECT_THAT(page.ui.events, ElementsAre("warn 创建临时文件失败", "warn 创建临时文件失败",
                                            "warn 创建临时文件失败", "warn 创建临时文件失败"));
    EXPECT_THAT(files.opened, IsEmpty());

    files.writeFails = false;
    ViewSelectedCert(7, page.parts, files);
    EXPECT_EQ(files.files.begin()->first.size(), 259u);
    EXPECT_EQ(files.opened.size(), 1u);
}

TEST_F(CertViewTest, DoubleClickAnswers) {
    page.tree.Select("USBKEY:");
    EXPECT_EQ(OnCertTreeDoubleClick(7, page.parts, files), 1);
    EXPECT_THAT(page.ui.events, IsEmpty());

    page.tree.Select("容器2  名字＝User");
    EXPECT_EQ(OnCertTreeDoubleClick(7, page.parts, files), 0);
    EXPECT_THAT(page.ui.events, IsEmpty());
    EXPECT_THAT(files.opened, IsEmpty());

    page.tree.selection = kNoNode;
    EXPECT_EQ(OnCertTreeDoubleClick(7, page.parts, files), 0);
    EXPECT_THAT(page.ui.events, ElementsAre("warn 请选择证书！"));

    page.tree.Select("User Sign");
    EXPECT_EQ(OnCertTreeDoubleClick(7, page.parts, files), 0);
    EXPECT_THAT(files.opened, ElementsAre(TempFile()));
}

}  // namespace
}  // namespace keytool::testing
