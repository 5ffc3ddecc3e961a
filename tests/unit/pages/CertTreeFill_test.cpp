#include "pages/logic/CertTreeFill.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/logic/CertNodes.h"
#include "pages/logic/ContainerTable.h"
#include "tests/unit/pages/CertPageFakes.h"

namespace keytool::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CertTreeFillTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        userEnc = MakeCertificate("User Encrypt");
        userSign = MakeCertificate("User Sign");
        corpSign = MakeCertificate("Corp Sign");
    }

    static inline Bytes userEnc;
    static inline Bytes userSign;
    static inline Bytes corpSign;
    FakePage page;
};

TEST_F(CertTreeFillTest, WithoutKeyOnlyTheNoKeyNodeAndNoCall) {
    page.Fill(0);
    EXPECT_THAT(page.tree.Lines(), ElementsAre("未选中UsbKey!"));
    EXPECT_THAT(page.ui.events, IsEmpty());
    EXPECT_THAT(page.keys.calls, IsEmpty());
    EXPECT_EQ(page.buffers.outstanding, 0);
}

TEST_F(CertTreeFillTest, SixEmptyPositionsUnderExpandedRoot) {
    page.Fill(7);
    EXPECT_THAT(page.tree.Lines(),
                ElementsAre("USBKEY: +", "  容器0  空", "  容器1  空", "  容器2  空", "  容器3  空",
                            "  容器4  空", "  容器5  空"));
    EXPECT_THAT(page.ui.events, IsEmpty());
    EXPECT_THAT(page.keys.calls,
                ElementsAre("ContainerCount(7)", "ContainerInfo(7,0,128)", "ContainerInfo(7,1,128)",
                            "ContainerInfo(7,2,128)", "ContainerInfo(7,3,128)",
                            "ContainerInfo(7,4,128)", "ContainerInfo(7,5,128)"));
    for (const FakeNode& node : page.tree.nodes) EXPECT_EQ(node.data, 0u) << node.text;
}

TEST_F(CertTreeFillTest, BothKindsKindOneFirstWithStateImageAndData) {
    page.keys.Put(0, "Corp", 2, corpSign);
    page.keys.Put(2, "User", 2, userSign);
    page.keys.Put(2, "User", 1, userEnc);
    page.Fill(7);

    EXPECT_THAT(page.tree.Lines(),
                ElementsAre("USBKEY: +", "  容器0  名字＝Corp", "    Corp Sign [1]", "  容器1  空",
                            "  容器2  名字＝User", "    User Encrypt [1]", "    User Sign [1]",
                            "  容器3  空", "  容器4  空", "  容器5  空"));
    EXPECT_EQ(page.tree.nodes[page.tree.Find("Corp Sign") - 1].data, 0x40000001u);
    EXPECT_EQ(page.tree.nodes[page.tree.Find("User Encrypt") - 1].data, 0x80000003u);
    EXPECT_EQ(page.tree.nodes[page.tree.Find("User Sign") - 1].data, 0x40000003u);
    EXPECT_EQ(page.tree.nodes[page.tree.Find("容器2  名字＝User") - 1].data, 0u);
    EXPECT_STREQ(g_ContainerTable[2].szName, "User");
    EXPECT_STREQ(g_ContainerTable[1].szName, "");
    EXPECT_THAT(page.keys.calls, ::testing::Contains("ReadCertByName(7,User,1,409600)"));
    EXPECT_THAT(page.decoder.lengths,
                ElementsAre(corpSign.size(), userEnc.size(), userSign.size()));
    EXPECT_EQ(page.buffers.outstanding, 0);
}

TEST_F(CertTreeFillTest, IncompleteFlagPairsGiveNoCertificateNodes) {
    page.keys.Put(0, "OnlyKind1Flag", 1, userEnc);
    page.keys.positions[0].flags = 0x1;
    page.keys.Put(1, "OnlyKind2Flag", 2, userSign);
    page.keys.positions[1].flags = 0x8;
    page.keys.Put(2, "CrossedBits", 1, userEnc);
    page.keys.positions[2].flags = 0x3;  // both low bits, neither high one
    page.Fill(7);

    EXPECT_THAT(
        page.tree.Lines(),
        ElementsAre("USBKEY: +", "  容器0  名字＝OnlyKind1Flag", "  容器1  名字＝OnlyKind2Flag",
                    "  容器2  名字＝CrossedBits", "  容器3  空", "  容器4  空", "  容器5  空"));
    EXPECT_THAT(page.decoder.lengths, IsEmpty());
}

TEST_F(CertTreeFillTest, ContainerInfoFailingAtPositionThreeKeepsTheFirstThree) {
    page.keys.Put(1, "User", 1, userEnc);
    page.keys.infoFailsAt = 3;
    page.Fill(7);

    EXPECT_THAT(page.ui.events, ElementsAre("warn 读UsbKey错误！"));
    EXPECT_THAT(page.tree.Lines(), ElementsAre("USBKEY: +", "  容器0  空", "  容器1  名字＝User",
                                               "    User Encrypt [1]", "  容器2  空"));
    EXPECT_EQ(page.keys.calls.back(), "ContainerInfo(7,3,128)");
    EXPECT_EQ(page.buffers.outstanding, 0);
}

TEST_F(CertTreeFillTest, ContainerCountFailingWarnsAndStillListsSixPositions) {
    page.keys.countResult = 0xA0420004u;
    page.keys.Put(5, "Last", 2, userSign);
    page.Fill(7);

    EXPECT_THAT(page.ui.events, ElementsAre("warn 读UsbKey错误！"));
    EXPECT_THAT(page.tree.Lines(),
                ElementsAre("USBKEY: +", "  容器0  空", "  容器1  空", "  容器2  空", "  容器3  空",
                            "  容器4  空", "  容器5  名字＝Last", "    User Sign [1]"));
}

TEST_F(CertTreeFillTest, NoMemoryLeavesTheUnexpandedRoot) {
    page.buffers.fails = true;
    page.Fill(7);
    EXPECT_THAT(page.ui.events, ElementsAre("warn 内存不足!"));
    EXPECT_THAT(page.tree.Lines(), ElementsAre("USBKEY:"));
    EXPECT_THAT(page.keys.calls, ElementsAre("ContainerCount(7)"));
}

TEST_F(CertTreeFillTest, CertificateThatCannotBeReadOrDecodedIsLeftOutSilently) {
    page.keys.Put(0, "Unreadable", 1, userEnc);
    page.keys.positions[0].certs.clear();  // flags say yes, the read says not found
    page.keys.Put(1, "Garbage", 1, Bytes{0x30, 0x03, 0x02, 0x01, 0x05});
    page.keys.Put(1, "Garbage", 2, userSign);
    page.Fill(7);

    EXPECT_THAT(page.ui.events, IsEmpty());
    EXPECT_THAT(page.tree.Lines(),
                ElementsAre("USBKEY: +", "  容器0  名字＝Unreadable", "  容器1  名字＝Garbage",
                            "    User Sign [1]", "  容器2  空", "  容器3  空", "  容器4  空",
                            "  容器5  空"));
}

TEST_F(CertTreeFillTest, LengthPastTheBufferIsRefusedBeforeDecoding) {
    page.keys.Put(0, "User", 1, userEnc);
    page.keys.reportedLength = 409601;
    page.Fill(7);
    EXPECT_THAT(page.decoder.lengths, IsEmpty());
    EXPECT_EQ(page.tree.Lines()[1], "  容器0  名字＝User");
    EXPECT_EQ(page.tree.Lines().size(), 7u);
}

TEST_F(CertTreeFillTest, NameWithoutTerminatorEndsAtTheSizeTold) {
    const std::string full(128, 'N');
    page.keys.Put(0, full, 1, userEnc);
    page.keys.positions[1].name = std::string(190, 'M');
    page.keys.ignoresNameSize = true;  // writes all 190 bytes, unterminated at 128
    page.Fill(7);

    EXPECT_EQ(std::string(g_ContainerTable[0].szName), full);
    EXPECT_EQ(std::string(g_ContainerTable[1].szName), std::string(128, 'M'));
    EXPECT_EQ(page.tree.Lines()[1], "  容器0  名字＝" + full);
    EXPECT_EQ(page.tree.Lines()[2], "    User Encrypt [1]");
    EXPECT_THAT(page.keys.calls, ::testing::Contains("ReadCertByName(7," + full + ",1,409600)"));
}

TEST_F(CertTreeFillTest, RefillReplacesTheTreeAndTheTable) {
    page.keys.Put(0, "Old", 1, userEnc);
    page.Fill(7);
    page.keys.positions[0] = FakeContainer{};
    page.keys.Put(4, "New", 2, corpSign);
    page.Fill(8);

    EXPECT_THAT(page.tree.Lines(),
                ElementsAre("USBKEY: +", "  容器0  空", "  容器1  空", "  容器2  空", "  容器3  空",
                            "  容器4  名字＝New", "    Corp Sign [1]", "  容器5  空"));
    EXPECT_STREQ(g_ContainerTable[0].szName, "");
    for (const CONTAINER_ENTRY& entry : g_ContainerTable) EXPECT_EQ(entry.bInUse, 1);
}

}  // namespace
}  // namespace keytool::testing
