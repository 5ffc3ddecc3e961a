// Deleting a certificate (with its container) from the certificate page:
// two confirmations, then the key library's own password prompt.
#include <gtest/gtest.h>

#include "tests/e2e/CertKeyFixture.h"

namespace {

using e2e::CertKeyTest;

constexpr char kConfirm[] = "确实要删除证书吗？";
constexpr char kConfirmAgain[] =
    "确实要把证书删除吗？删除证书可能会导致您不能进入网上银行证书版系统！";

const std::vector<std::string> kWithoutUser = {"USBKEY: +",
                                               "  容器0  空",
                                               "  容器1  名字＝DemoCorp",
                                               "    演示企业 签名 [1]",
                                               "  容器2  空",
                                               "  容器3  空",
                                               "  容器4  空",
                                               "  容器5  空"};

class CertDelete : public CertKeyTest {
protected:
    // The calls of the deletion steps, without their slot.
    std::vector<std::string> DeletionCalls() const {
        std::vector<std::string> found;
        for (const std::string& call : keys.Calls()) {
            for (const char* name :
                 {"CSP_Reset(", "CSP_VerifyPassword(", "CSP_DeleteContainerByName("}) {
                if (call.rfind(name, 0) == 0) {
                    const size_t comma = call.find(',');
                    found.push_back(std::string(name) +
                                    (comma == std::string::npos ? ")" : call.substr(comma + 1)));
                }
            }
        }
        return found;
    }

    // Answers both confirmations of a delete of the selected certificate with Yes.
    void ConfirmBoth() const {
        driver::Click(Button(e2e::kDelete));
        for (const char* text : {kConfirm, kConfirmAgain}) {
            const driver::MessageBoxInfo box = NextBox();
            EXPECT_EQ(box.caption, "提示");
            EXPECT_EQ(box.text, text);
            EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONQUESTION));
            ASSERT_TRUE(driver::Press(box.hwnd, IDYES));
        }
    }

    // The key library's password prompt.
    HWND WaitPrompt() const {
        HWND prompt = nullptr;
        driver::WaitUntil([&] {
            for (HWND hwnd : driver::TopLevelWindows(process->Id(), driver::kDialogClass)) {
                if (driver::Visible(hwnd) && driver::Text(hwnd) == "验证UsbKey用户密码") {
                    prompt = hwnd;
                }
            }
            return prompt != nullptr;
        });
        return prompt;
    }
};

TEST_F(CertDelete, PasswordGivenDeletesTheContainerWithBothCertificates) {
    ASSERT_TRUE(SelectItem(e2e::kUserSign, true));
    ConfirmBoth();
    HWND prompt = WaitPrompt();
    ASSERT_NE(prompt, nullptr);
    driver::Type(GetDlgItem(prompt, 1201), e2e::kPassword);
    ASSERT_TRUE(driver::Press(prompt, IDOK));

    EXPECT_TRUE(driver::WaitUntil([&] { return reader->Lines() == kWithoutUser; }))
        << ::testing::PrintToString(reader->Lines());
    // The refill leaves the buttons as they were.
    EXPECT_TRUE(driver::Enabled(Button(e2e::kView)));
    EXPECT_TRUE(driver::Enabled(Button(e2e::kDelete)));
    EXPECT_EQ(DeletionCalls(),
              (std::vector<std::string>{"CSP_Reset()", "CSP_VerifyPassword(1,null)",
                                        "CSP_DeleteContainerByName(\"DemoUser\")"}));
}

TEST_F(CertDelete, CancelledPromptDeletesNothingAndSaysNothing) {
    ASSERT_TRUE(SelectItem(e2e::kCorpSign, true));
    const std::vector<std::string> before = reader->Lines();  // its container opened
    ConfirmBoth();
    HWND prompt = WaitPrompt();
    ASSERT_NE(prompt, nullptr);
    ASSERT_TRUE(driver::Press(prompt, IDCANCEL));

    driver::MessageBoxInfo box;
    EXPECT_FALSE(driver::WaitMessageBox(process->Id(), &box, {main}, 1500)) << box.text;
    EXPECT_EQ(reader->Lines(), before);
    EXPECT_EQ(DeletionCalls(),
              (std::vector<std::string>{"CSP_Reset()", "CSP_VerifyPassword(1,null)"}));
}

}  // namespace
