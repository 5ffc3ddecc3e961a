// The certificate page's tree on a virtual key with real certificates, and
// the buttons narrowed to the selected node.
#include <gtest/gtest.h>

#include <map>

#include "tests/e2e/CertKeyFixture.h"

namespace {

using driver::Enabled;
using e2e::CertKeyTest;

using CertTree = CertKeyTest;

TEST_F(CertTree, CertificateNodesCarryKindAndEntryOthersNothing) {
    // The fixture has seen the tree exactly: texts, state images, expansion.
    std::map<std::string, LPARAM> data;
    for (const e2e::TreeItem& item : reader->Items()) data[item.text] = item.data;
    EXPECT_EQ(data[e2e::kUserEnc], static_cast<LPARAM>(0x80000001u));
    EXPECT_EQ(data[e2e::kUserSign], static_cast<LPARAM>(0x40000001u));
    EXPECT_EQ(data[e2e::kCorpSign], static_cast<LPARAM>(0x40000002u));
    EXPECT_EQ(data["USBKEY:"], 0);
    EXPECT_EQ(data["容器0  名字＝DemoUser"], 0);
    EXPECT_EQ(data["容器2  空"], 0);
    EXPECT_EQ(reader->Selected(), nullptr);
}

TEST_F(CertTree, SelectionEnablesViewAndDeleteOnlyForCertificates) {
    ASSERT_TRUE(SelectItem(e2e::kCorpSign, true));
    EXPECT_TRUE(Enabled(Button(e2e::kDelete)));
    EXPECT_EQ(driver::Text(Button(e2e::kDelete)), "删除证书");

    ASSERT_TRUE(SelectItem("容器1  名字＝DemoCorp", false));
    EXPECT_FALSE(Enabled(Button(e2e::kDelete)));

    ASSERT_TRUE(SelectItem(e2e::kUserEnc, true));
    ASSERT_TRUE(SelectItem("USBKEY:", false));
    EXPECT_FALSE(Enabled(Button(e2e::kDelete)));
    EXPECT_EQ(driver::Text(Button(e2e::kDelete)), "删除证书");

    ASSERT_TRUE(SelectItem(e2e::kUserSign, true));
    ASSERT_TRUE(SelectItem("容器4  空", false));
    EXPECT_FALSE(Enabled(Button(e2e::kDelete)));
    // The page never disables the other two buttons.
    EXPECT_TRUE(Enabled(Button(e2e::kDownload)));
    EXPECT_TRUE(Enabled(Button(e2e::kSysCheck)));
}

TEST_F(CertTree, PulledKeyLeavesTheNoKeyNodeAndPluggedKeyComesBack) {
    ASSERT_EQ(keys.Admin({"pull", "k1"}), 0);
    EXPECT_TRUE(driver::WaitUntil([&] {
        return reader->Lines() == std::vector<std::string>{"未选中UsbKey!"};
    })) << ::testing::PrintToString(reader->Lines());

    ASSERT_EQ(keys.Admin({"plug", "k1"}), 0);
    EXPECT_TRUE(driver::WaitUntil([&] { return reader->Lines() == e2e::kFullTree; }))
        << ::testing::PrintToString(reader->Lines());
}

}  // namespace
