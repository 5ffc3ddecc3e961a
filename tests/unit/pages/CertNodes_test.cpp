#include "pages/logic/CertNodes.h"

#include <gtest/gtest.h>

#include <cstring>

#include "pages/logic/ContainerTable.h"

namespace keytool::testing {
namespace {

class CertNodesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearContainerTable();
        for (int e = 0; e < MAX_CONTAINERS; ++e) {
            AllocContainerEntry();
            std::strcpy(g_ContainerTable[e].szName, "C");
        }
    }
};

TEST_F(CertNodesTest, DataRoundTripsForEveryEntryAndKind) {
    for (int e = 0; e < MAX_CONTAINERS; ++e) {
        CertNode node{};
        ASSERT_TRUE(DecodeCertNode(CertNodeData(e, NODE_CERT1), &node));
        EXPECT_EQ(node.entry, e);
        EXPECT_EQ(node.kind, 1u);
        ASSERT_TRUE(DecodeCertNode(CertNodeData(e, NODE_CERT2), &node));
        EXPECT_EQ(node.entry, e);
        EXPECT_EQ(node.kind, 2u);
    }
    EXPECT_EQ(CertNodeData(0, NODE_CERT1), 0x80000001u);
    EXPECT_EQ(CertNodeData(5, NODE_CERT2), 0x40000006u);
}

TEST_F(CertNodesTest, RefusesWhatIsNoCertificate) {
    CertNode node{};
    EXPECT_FALSE(DecodeCertNode(0, &node));                            // root, containers
    EXPECT_FALSE(DecodeCertNode(0x00000001u, &node));                  // no kind
    EXPECT_FALSE(DecodeCertNode(0xC0000001u, &node));                  // both kinds
    EXPECT_FALSE(DecodeCertNode(NODE_CERT1, &node));                   // index bits 0: entry -1
    EXPECT_FALSE(DecodeCertNode(CertNodeData(6, NODE_CERT1), &node));  // past the table
    EXPECT_FALSE(DecodeCertNode(0x80000000u | NODE_INDEX_MASK, &node));
    g_ContainerTable[3].szName[0] = '\0';
    EXPECT_FALSE(DecodeCertNode(CertNodeData(3, NODE_CERT2), &node));
}

TEST(ContainerTable, HandsOutEntriesInOrderUntilFullAndClearResetsAll) {
    ClearContainerTable();
    for (int e = 0; e < MAX_CONTAINERS; ++e) EXPECT_EQ(AllocContainerEntry(), e);
    EXPECT_EQ(AllocContainerEntry(), -1);
    std::strcpy(g_ContainerTable[4].szName, "Name");
    ClearContainerTable();
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(g_ContainerTable);
    for (std::size_t i = 0; i < sizeof g_ContainerTable; ++i) ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(sizeof g_ContainerTable, 1206u);
    EXPECT_EQ(AllocContainerEntry(), 0);
}

}  // namespace
}  // namespace keytool::testing
