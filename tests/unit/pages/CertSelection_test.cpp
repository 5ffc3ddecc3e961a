#include "pages/logic/CertSelection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/pages/CertPageFakes.h"

namespace keytool::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr char kFirst[] = "confirm 确实要删除证书吗？";
constexpr char kSecond[] =
    "confirm 确实要把证书删除吗？删除证书可能会导致您不能进入网上银行证书版系统！";

// A key with two certificates in container "User" (position 1) and one in
// "Corp" (position 3), filled into the tree.
class CertSelectionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        userEnc = MakeCertificate("User Encrypt");
        userSign = MakeCertificate("User Sign");
        corpSign = MakeCertificate("Corp Sign");
    }
    void SetUp() override {
        page.keys.Put(1, "User", 1, userEnc);
        page.keys.Put(1, "User", 2, userSign);
        page.keys.Put(3, "Corp", 2, corpSign);
        page.Fill(7);
        page.keys.calls.clear();
    }
    // The calls and boxes of a delete of the selected node; true: refilled.
    bool Delete(std::uint32_t slot = 7) {
        const bool refill = DeleteSelectedCert(slot, page.parts);
        if (refill) page.Fill(slot);
        return refill;
    }

    static inline Bytes userEnc;
    static inline Bytes userSign;
    static inline Bytes corpSign;
    FakePage page;
};

TEST_F(CertSelectionTest, SelectingNarrowsTheButtonsToTheNode) {
    page.tree.Select("USBKEY:");
    OnCertSelectionChanged(page.parts);
    EXPECT_THAT(page.ui.events, ElementsAre("view off", "delete text 删除证书", "delete off"));

    for (const char* other : {"容器1  名字＝User", "容器0  空"}) {
        page.ui.events.clear();
        page.tree.Select(other);
        OnCertSelectionChanged(page.parts);
        EXPECT_THAT(page.ui.events, ElementsAre("view off", "delete off")) << other;
    }

    for (const char* cert : {"User Encrypt", "User Sign", "Corp Sign"}) {
        page.ui.events.clear();
        page.tree.Select(cert);
        OnCertSelectionChanged(page.parts);
        EXPECT_THAT(page.ui.events, ElementsAre("view on", "delete on", "delete text 删除证书"))
            << cert;
    }
    EXPECT_THAT(page.keys.calls, IsEmpty());
}

TEST_F(CertSelectionTest, NoSelectionWarnsAndBadDataChangesNothing) {
    page.tree.selection = kNoNode;
    OnCertSelectionChanged(page.parts);
    EXPECT_THAT(page.ui.events, ElementsAre("warn 请选择证书！"));

    page.ui.events.clear();
    const TreeNode root = page.tree.Find("USBKEY:");
    page.tree.selection = page.tree.Append(root, "both kinds", 0, 0xC0000002u);
    OnCertSelectionChanged(page.parts);
    page.tree.selection = page.tree.Append(root, "entry out of range", 0, 0x80000009u);
    OnCertSelectionChanged(page.parts);
    page.tree.selection = page.tree.Append(root, "empty entry", 0, 0x80000001u);
    OnCertSelectionChanged(page.parts);
    EXPECT_THAT(page.ui.events, IsEmpty());
}

TEST_F(CertSelectionTest, DeletesTheContainerAfterBothConfirmationsAndRefills) {
    page.tree.Select("User Sign");
    EXPECT_TRUE(Delete());
    EXPECT_THAT(page.ui.events, ElementsAre(kFirst, kSecond));
    EXPECT_THAT(page.keys.calls,
                ElementsAre("Reset(7)", "VerifyPassword(7,1,null)", "DeleteContainerByName(7,User)",
                            "ContainerCount(7)", "ContainerInfo(7,0,128)", "ContainerInfo(7,1,128)",
                            "ContainerInfo(7,2,128)", "ContainerInfo(7,3,128)",
                            "ReadCertByName(7,Corp,2,409600)", "ContainerInfo(7,4,128)",
                            "ContainerInfo(7,5,128)"));
    // Both certificates of the container went with it.
    EXPECT_THAT(page.tree.Lines(), ElementsAre("USBKEY: +", "  容器0  空", "  容器1  空",
                                               "  容器2  空", "  容器3  名字＝Corp",
                                               "    Corp Sign [1]", "  容器4  空", "  容器5  空"));
}

TEST_F(CertSelectionTest, NoAtEitherConfirmationCallsNothing) {
    for (bool first : {false, true}) {
        page.ui.events.clear();
        page.ui.answers = {first, false};
        page.tree.Select("User Encrypt");
        EXPECT_FALSE(DeleteSelectedCert(7, page.parts));
        EXPECT_EQ(page.ui.events.size(), first ? 2u : 1u);
        EXPECT_THAT(page.keys.calls, IsEmpty());
    }
}

TEST_F(CertSelectionTest, FailedOrCancelledVerificationDeletesNothingAndSaysNothing) {
    for (std::uint32_t result : {0x63C4u, 0x6983u, 0x80090020u}) {
        page.keys.calls.clear();
        page.ui.events.clear();
        page.keys.verifyResult = result;
        page.tree.Select("Corp Sign");
        EXPECT_FALSE(DeleteSelectedCert(7, page.parts));
        EXPECT_THAT(page.keys.calls, ElementsAre("Reset(7)", "VerifyPassword(7,1,null)"));
        EXPECT_THAT(page.ui.events, ElementsAre(kFirst, kSecond));
    }
    EXPECT_EQ(page.keys.positions[3].name, "Corp");
}

TEST_F(CertSelectionTest, FailedDeletionWarnsWithoutRefill) {
    page.keys.deleteResult = 0xA0420006u;
    page.tree.Select("Corp Sign");
    EXPECT_FALSE(DeleteSelectedCert(7, page.parts));
    EXPECT_THAT(page.ui.events, ElementsAre(kFirst, kSecond, "warn 证书删除失败！"));
    EXPECT_EQ(page.keys.calls.back(), "DeleteContainerByName(7,Corp)");
}

TEST_F(CertSelectionTest, NodesThatAreNoCertificateAreIgnoredSilently) {
    for (const char* text : {"容器1  名字＝User", "容器0  空"}) {
        page.tree.Select(text);
        EXPECT_FALSE(DeleteSelectedCert(7, page.parts)) << text;
    }
    page.tree.Select("USBKEY:");
    EXPECT_FALSE(DeleteSelectedCert(7, page.parts));
    EXPECT_THAT(page.ui.events, IsEmpty());
    EXPECT_THAT(page.keys.calls, IsEmpty());
}

TEST_F(CertSelectionTest, NoSelectionWarnsAndNoKeyDoesNothingAtAll) {
    page.tree.selection = kNoNode;
    EXPECT_FALSE(DeleteSelectedCert(7, page.parts));
    EXPECT_THAT(page.ui.events, ElementsAre("warn 请选择证书！"));

    page.ui.events.clear();
    page.tree.selection = kNoNode;
    EXPECT_FALSE(DeleteSelectedCert(0, page.parts));
    page.tree.Select("User Sign");
    EXPECT_FALSE(DeleteSelectedCert(0, page.parts));
    EXPECT_THAT(page.ui.events, IsEmpty());
    EXPECT_THAT(page.keys.calls, IsEmpty());
}

TEST_F(CertSelectionTest, NodeVanishedWhileConfirmingDeletesNothingButRefills) {
    page.tree.Select("User Sign");
    int boxes = 0;
    page.ui.whileConfirming = [&] {
        if (++boxes == 2) page.Fill(7);  // the key list was refreshed meanwhile
    };
    page.keys.calls.clear();
    EXPECT_TRUE(DeleteSelectedCert(7, page.parts));
    EXPECT_THAT(page.keys.calls, Not(Contains("Reset(7)")));
    EXPECT_EQ(page.keys.positions[1].name, "User");
}

TEST_F(CertSelectionTest, DeletesTheContainerTheSecondReadingNames) {
    page.tree.Select("User Sign");
    page.ui.whileConfirming = [&] {
        // Meanwhile the tree was rebuilt and the Corp certificate selected.
        page.Fill(7);
        page.tree.Select("Corp Sign");
    };
    page.keys.calls.clear();
    EXPECT_TRUE(DeleteSelectedCert(7, page.parts));
    EXPECT_EQ(page.keys.calls.back(), "DeleteContainerByName(7,Corp)");
}

TEST_F(CertSelectionTest, NameSurvivesARefillDuringThePasswordPrompt) {
    // A library whose prompt lets the interface refill the tree from a key
    // whose positions changed.
    class PromptingKeys : public FakeKeys {
    public:
        std::function<void()> duringPrompt;
        std::uint32_t VerifyPassword(std::uint32_t slot, std::uint32_t kind,
                                     const char* password) override {
            if (duringPrompt) duringPrompt();
            return FakeKeys::VerifyPassword(slot, kind, password);
        }
    } keys;
    keys.Put(1, "User", 1, userEnc);
    FakeTree tree;
    FakeUi ui;
    CertPageParts parts{keys, tree, ui};
    OpenSslDecoder decoder;
    HeapBuffer buffers;
    FillCertTree(7, parts, decoder, buffers);
    tree.Select("User Encrypt");
    keys.duringPrompt = [&] {
        keys.positions[1] = FakeContainer{};
        keys.Put(1, "Other", 1, userEnc);
        FillCertTree(7, parts, decoder, buffers);
    };
    EXPECT_TRUE(DeleteSelectedCert(7, parts));
    EXPECT_EQ(keys.calls.back(), "DeleteContainerByName(7,User)");
}

}  // namespace
}  // namespace keytool::testing
