// The system check opened from the certificate page. Wine installs no
// smart-card service, so the check answers "not normal".
#include <gtest/gtest.h>

#include "tests/e2e/CertKeyFixture.h"

namespace {

using e2e::CertKeyTest;

constexpr char kTitle[] = "QelmoraUSBKEY检测工具";
constexpr char kNotNormal[] = "智能卡服务不正常......!\r\n运行环境不正常.....!";

class SystemCheck : public CertKeyTest {
protected:
    HWND WaitCheckDialog() const {
        HWND found = nullptr;
        driver::WaitUntil([&] {
            for (HWND hwnd : driver::TopLevelWindows(process->Id(), driver::kDialogClass)) {
                if (driver::Visible(hwnd) && driver::Text(hwnd) == kTitle) found = hwnd;
            }
            return found != nullptr;
        });
        return found;
    }
};

TEST_F(SystemCheck, ReportsTheMissingServiceAndRefreshReplacesTheText) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, GENERIC_READ);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service = OpenServiceA(manager, "SCardSvr", SERVICE_QUERY_STATUS);
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    ASSERT_EQ(service, nullptr) << "this Wine prefix has a smart-card service";

    driver::Click(Button(e2e::kSysCheck));
    HWND check = WaitCheckDialog();
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(driver::WaitUntil([&] { return driver::ItemText(check, 1002) == kNotNormal; }))
        << driver::ItemText(check, 1002);
    EXPECT_EQ(driver::ItemText(check, 1), "刷新");
    EXPECT_EQ(driver::ItemText(check, 2), "退出");

    for (int refresh = 0; refresh < 2; ++refresh) {
        SetDlgItemTextA(check, 1002, "");
        driver::Click(GetDlgItem(check, IDOK));
        EXPECT_TRUE(driver::WaitUntil([&] { return driver::ItemText(check, 1002) == kNotNormal; }))
            << driver::ItemText(check, 1002);
        EXPECT_TRUE(IsWindow(check));
    }

    ASSERT_TRUE(driver::Press(check, IDCANCEL));
    // The page is usable again once the modal check is gone.
    ASSERT_TRUE(SelectItem(e2e::kCorpSign, true));
}

}  // namespace
