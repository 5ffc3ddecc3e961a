// Viewing certificates from the certificate page: the temporary file with the
// certificate's bytes handed to the shell, the double-click, a failed read,
// and the download site.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/CertKeyFixture.h"

namespace {

using e2e::CertKeyTest;

class CertView : public CertKeyTest {
protected:
    std::string OpenCall(const std::string& what) const {
        return "ShellExecuteA(open," + what + ",null,5)";
    }
    size_t Count(const std::string& call) const {
        const std::vector<std::string> calls = keys.ShellCalls();
        return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
    }
    bool NoBoxFor(DWORD ms) const {
        driver::MessageBoxInfo box;
        return !driver::WaitMessageBox(process->Id(), &box, {main}, ms);
    }
};

TEST_F(CertView, ButtonAndDoubleClickWriteTheCertificateAndHaveTheShellOpenIt) {
    ASSERT_TRUE(SelectItem(e2e::kUserEnc, true));
    driver::Click(Button(e2e::kView));
    ASSERT_TRUE(driver::WaitUntil([&] { return Count(OpenCall(TempCertFile())) == 1; }))
        << ::testing::PrintToString(keys.ShellCalls());
    EXPECT_EQ(driver::ReadFile(TempCertFile()), userEnc);

    ASSERT_TRUE(SelectItem(e2e::kCorpSign, true));
    ASSERT_TRUE(reader->DoubleClick(reader->Find(e2e::kCorpSign)));
    ASSERT_TRUE(driver::WaitUntil([&] { return Count(OpenCall(TempCertFile())) == 2; }));
    EXPECT_EQ(driver::ReadFile(TempCertFile()), corpSign);
    EXPECT_TRUE(NoBoxFor(500));
}

TEST_F(CertView, DoubleClickOnRootOrContainerReadsNothing) {
    ASSERT_TRUE(SelectItem("USBKEY:", false));
    ASSERT_TRUE(reader->DoubleClick(reader->Find("USBKEY:")));
    driver::Sync(tree);
    EXPECT_TRUE(NoBoxFor(1000));
    EXPECT_EQ(reader->Lines(), e2e::kFullTree);  // the root stays expanded

    const std::string container = "容器1  名字＝DemoCorp";
    ASSERT_TRUE(SelectItem(container, false));
    ASSERT_TRUE(reader->DoubleClick(reader->Find(container)));
    // The tree's own action: the container opens, and nothing is viewed.
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return reader->Item(reader->Find(container)).state & TVIS_EXPANDED; }));
    EXPECT_TRUE(NoBoxFor(500));
    EXPECT_EQ(Count(OpenCall(TempCertFile())), 0u);
    EXPECT_EQ(GetFileAttributesA(TempCertFile().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CertView, CertificateGoneFromTheKeyShowsTheReadFailure) {
    ASSERT_TRUE(SelectItem(e2e::kUserSign, true));
    driver::Click(Button(e2e::kView));
    ASSERT_TRUE(driver::WaitUntil([&] { return Count(OpenCall(TempCertFile())) == 1; }));

    // Removed behind the program's back: the tree still shows it.
    ASSERT_EQ(keys.Admin({"drop-container", "k1", "DemoCorp"}), 0);
    ASSERT_TRUE(SelectItem(e2e::kCorpSign, true));
    driver::Click(Button(e2e::kView));
    const driver::MessageBoxInfo box = NextBox();
    EXPECT_EQ(box.caption, "提示");
    EXPECT_EQ(box.text, "读取证书失败！");
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONWARNING));
    ASSERT_TRUE(driver::Press(box.hwnd, IDOK));
    // The earlier file stays as it was, and nothing more was opened.
    EXPECT_EQ(driver::ReadFile(TempCertFile()), userSign);
    EXPECT_EQ(Count(OpenCall(TempCertFile())), 1u);
}

TEST_F(CertView, DownloadButtonOpensTheBankSite) {
    driver::Click(Button(e2e::kDownload));
    EXPECT_TRUE(driver::WaitUntil([&] {
        return Count(OpenCall("https://ebank.qelmora.com/")) == 1;
    })) << ::testing::PrintToString(keys.ShellCalls());
    EXPECT_TRUE(NoBoxFor(500));
}

}  // namespace
