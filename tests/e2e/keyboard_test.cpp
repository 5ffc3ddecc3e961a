// Without a mouse: Tab walks the main window, the tab strip and the visible
// page; Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn and Ctrl+PgUp switch pages.
#include "tests/e2e/PagesDriver.h"

namespace {

class Keyboard : public e2e::PagesTest {
protected:
    void SetUp() override {
        ASSERT_EQ(keys.Admin({"create", "k", "--label", "键盘", "--password", "Start-2026"}), 0);
        ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
        Open("键盘", 0, IDC_CERT_TREE);
        ASSERT_TRUE(driver::WaitUntil([&] { return SetForegroundWindow(main) != FALSE; }));
    }
    HWND Tabs() const { return GetDlgItem(main, IDC_TAB); }
    int Selected() const { return static_cast<int>(SendMessageA(Tabs(), TCM_GETCURSEL, 0, 0)); }
    // The id of the control that has the focus once a pressed key has moved it away.
    int FocusAfter(const std::vector<UINT>& chord) {
        HWND before = driver::FocusOf(main);
        driver::PressChord(main, chord);
        driver::WaitUntil([&] { return driver::FocusOf(main) != before; });
        return GetDlgCtrlID(driver::FocusOf(main));
    }
    // The visible pages among the tab control's children, by a control each holds.
    std::vector<int> VisiblePages() const {
        std::vector<int> shown;
        for (HWND child = GetWindow(Tabs(), GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (!driver::Visible(child)) continue;
            for (int id : {IDC_CERT_TREE, IDC_OLD_PASSWORD, IDC_LABEL}) {
                if (GetDlgItem(child, id)) shown.push_back(id);
            }
        }
        return shown;
    }
};

TEST_F(Keyboard, TabWalksOneCycleThroughTheWindowTheTabStripAndTheVisiblePage) {
    for (int i = 0; i < 12 && GetDlgCtrlID(driver::FocusOf(main)) != IDC_KEYS; ++i) {
        FocusAfter({VK_TAB});
    }
    ASSERT_EQ(GetDlgCtrlID(driver::FocusOf(main)), IDC_KEYS);
    std::vector<int> forward, backward;
    for (int i = 0; i < 8; ++i) forward.push_back(FocusAfter({VK_TAB}));
    for (int i = 0; i < 8; ++i) backward.push_back(FocusAfter({VK_SHIFT, VK_TAB}));
    // Nothing is selected in the tree, so viewing and deleting are not offered.
    EXPECT_EQ(forward, (std::vector<int>{IDC_TAB, IDC_CERT_TREE, IDC_CERT_DOWNLOAD, IDC_SYS_CHECK,
                                         IDC_REFRESH, IDC_KEYS, IDC_TAB, IDC_CERT_TREE}));
    EXPECT_EQ(backward, (std::vector<int>{IDC_TAB, IDC_KEYS, IDC_REFRESH, IDC_SYS_CHECK,
                                          IDC_CERT_DOWNLOAD, IDC_CERT_TREE, IDC_TAB, IDC_KEYS}));
}

TEST_F(Keyboard, CtrlTabAndCtrlPageKeysSwitchPagesAndFocusLeavesAHiddenPage) {
    FocusAfter({VK_TAB});
    while (GetDlgCtrlID(driver::FocusOf(main)) != IDC_CERT_TREE) {
        ASSERT_NE(FocusAfter({VK_TAB}), IDC_KEYS) << "the tree was never reached";
    }
    const struct {
        std::vector<UINT> chord;
        int tab;
        int page;
    } steps[] = {
        {{VK_CONTROL, VK_TAB}, 1, IDC_OLD_PASSWORD},
        {{VK_CONTROL, VK_NEXT}, 2, IDC_LABEL},
        {{VK_CONTROL, VK_TAB}, 0, IDC_CERT_TREE},
        {{VK_CONTROL, VK_SHIFT, VK_TAB}, 2, IDC_LABEL},
        {{VK_CONTROL, VK_PRIOR}, 1, IDC_OLD_PASSWORD},
    };
    for (const auto& step : steps) {
        driver::PressChord(main, step.chord);
        EXPECT_TRUE(driver::WaitUntil([&] { return Selected() == step.tab; })) << step.tab;
        EXPECT_EQ(VisiblePages(), std::vector<int>{step.page});
        // The focus left the certificate page for the tab strip as it was hidden.
        EXPECT_EQ(driver::FocusOf(main), Tabs());
    }
    EXPECT_EQ(FocusAfter({VK_TAB}), IDC_OLD_PASSWORD);
}

}  // namespace
