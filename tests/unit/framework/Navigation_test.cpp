#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "framework/logic/DialogKeys.h"
#include "framework/logic/DialogPlacement.h"
#include "framework/logic/TabOrder.h"

namespace fw {
namespace {

// A window tree given as rows; children keep the order of their rows.
class FakeTree : public TabTree {
public:
    struct Row {
        WindowId window;
        WindowId parent;
        TabWindowState state;
    };
    explicit FakeTree(std::vector<Row> rows) : m_rows(std::move(rows)) {}

    WindowId FirstChild(WindowId window) const override { return ChildAfter(window, 0); }
    WindowId NextSibling(WindowId window) const override {
        return ChildAfter(Parent(window), window);
    }
    WindowId Parent(WindowId window) const override { return Find(window).parent; }
    TabWindowState State(WindowId window) const override { return Find(window).state; }

    void Set(WindowId window, TabWindowState state) {
        for (Row& row : m_rows) {
            if (row.window == window) row.state = state;
        }
    }

private:
    const Row& Find(WindowId window) const {
        for (const Row& row : m_rows) {
            if (row.window == window) return row;
        }
        static const Row none{0, 0, {}};
        return none;
    }
    WindowId ChildAfter(WindowId parent, WindowId after) const {
        bool passed = after == 0;
        for (const Row& row : m_rows) {
            if (row.parent != parent) continue;
            if (passed) return row.window;
            passed = row.window == after;
        }
        return 0;
    }
    std::vector<Row> m_rows;
};

constexpr TabWindowState kStop{true, true, true, false};
constexpr TabWindowState kLabel{true, true, false, false};
constexpr TabWindowState kHidden{false, true, true, true};
constexpr TabWindowState kDisabled{true, false, true, false};
constexpr TabWindowState kStopAndParent{true, true, true, true};
constexpr TabWindowState kParent{true, true, false, true};

// The main window's shape: selector, tab strip holding two pages (the second
// hidden), refresh button; ids in walking order.
enum : WindowId {
    kRoot = 100,
    kLabelText = 1,
    kCombo,
    kTabs,
    kPage1,
    kEdit1,
    kButton1,
    kPage2,
    kEdit2,
    kRefresh,
    kBanner
};
FakeTree MainShape() {
    return FakeTree({{kLabelText, kRoot, kLabel},
                     {kCombo, kRoot, kStop},
                     {kTabs, kRoot, kStopAndParent},
                     {kPage1, kTabs, kParent},
                     {kEdit1, kPage1, kStop},
                     {kButton1, kPage1, kStop},
                     {kPage2, kTabs, kHidden},
                     {kEdit2, kPage2, kStop},
                     {kRefresh, kRoot, kStop},
                     {kBanner, kRoot, kLabel}});
}

std::vector<WindowId> Walk(const TabTree& tree, WindowId from, bool backwards, int steps) {
    std::vector<WindowId> seen;
    seen.reserve(steps);
    for (int i = 0; i < steps; ++i) {
        seen.push_back(from = NextTabStop(tree, kRoot, from, backwards));
    }
    return seen;
}

TEST(TabOrder, OneCycleThroughTabStripAndVisiblePageBothWays) {
    const FakeTree tree = MainShape();
    EXPECT_EQ(Walk(tree, kCombo, false, 5),
              (std::vector<WindowId>{kTabs, kEdit1, kButton1, kRefresh, kCombo}));
    EXPECT_EQ(Walk(tree, kCombo, true, 5),
              (std::vector<WindowId>{kRefresh, kButton1, kEdit1, kTabs, kCombo}));
}

TEST(TabOrder, SwitchedPageAndDisabledControlsChangeTheCycle) {
    FakeTree tree = MainShape();
    tree.Set(kPage1, {false, true, false, true});
    tree.Set(kPage2, kParent);
    tree.Set(kRefresh, kDisabled);
    EXPECT_EQ(Walk(tree, kTabs, false, 3), (std::vector<WindowId>{kEdit2, kCombo, kTabs}));
    // A disabled page keeps its controls out even when they are enabled themselves.
    tree.Set(kPage2, {true, false, false, true});
    EXPECT_EQ(NextTabStop(tree, kRoot, kTabs, false), kCombo);
}

TEST(TabOrder, FocusOutsideTheStopsStartsFromWhereItSits) {
    const FakeTree tree = MainShape();
    EXPECT_EQ(NextTabStop(tree, kRoot, 0, false), kCombo);
    EXPECT_EQ(NextTabStop(tree, kRoot, 0, true), kRefresh);
    EXPECT_EQ(NextTabStop(tree, kRoot, kLabelText, false), kCombo);
    EXPECT_EQ(NextTabStop(tree, kRoot, kPage1, true), kTabs);
    // Focus left in a page that has since been hidden walks on after that page.
    EXPECT_EQ(NextTabStop(tree, kRoot, kEdit2, false), kRefresh);
    EXPECT_EQ(NextTabStop(tree, kRoot, 999, false), kCombo);  // not inside root
}

TEST(TabOrder, LoneStopAndNoStop) {
    FakeTree lone({{kCombo, kRoot, kStop}, {kBanner, kRoot, kLabel}});
    EXPECT_EQ(NextTabStop(lone, kRoot, kCombo, false), kCombo);
    EXPECT_EQ(NextTabStop(lone, kRoot, kCombo, true), kCombo);
    FakeTree none({{kBanner, kRoot, kLabel}, {kRefresh, kRoot, kDisabled}});
    EXPECT_EQ(NextTabStop(none, kRoot, kBanner, false), 0u);
    EXPECT_EQ(NextTabStop(FakeTree({}), kRoot, 0, true), 0u);
}

TEST(DialogKeys, TabMovesFocusAndWithCtrlSwitchesTabs) {
    const struct {
        std::uint32_t key;
        bool ctrl, shift, alt;
        DialogKey action;
    } cases[] = {
        {kVkTab, false, false, false, DialogKey::NextControl},
        {kVkTab, false, true, false, DialogKey::PreviousControl},
        {kVkTab, true, false, false, DialogKey::NextTab},
        {kVkTab, true, true, false, DialogKey::PreviousTab},
        {kVkPageDown, true, false, false, DialogKey::NextTab},
        {kVkPageUp, true, false, false, DialogKey::PreviousTab},
        {kVkPageDown, false, false, false, DialogKey::None},  // the control's own key
        {kVkTab, false, false, true, DialogKey::None},
        {kVkTab, true, false, true, DialogKey::None},
        {0x0D, true, false, false, DialogKey::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifyDialogKey(c.key, c.ctrl, c.shift, c.alt), c.action)
            << c.key << c.ctrl << c.shift << c.alt;
    }
}

TEST(DialogKeys, TabSwitchesWrapAround) {
    EXPECT_EQ(SwitchedTab(DialogKey::NextTab, 0, 3), 1);
    EXPECT_EQ(SwitchedTab(DialogKey::NextTab, 2, 3), 0);
    EXPECT_EQ(SwitchedTab(DialogKey::PreviousTab, 0, 3), 2);
    EXPECT_EQ(SwitchedTab(DialogKey::PreviousTab, 2, 3), 1);
    EXPECT_EQ(SwitchedTab(DialogKey::NextTab, -1, 3), 0);
    EXPECT_EQ(SwitchedTab(DialogKey::PreviousTab, -1, 3), 2);
    EXPECT_EQ(SwitchedTab(DialogKey::NextTab, 0, 0), -1);
    EXPECT_EQ(SwitchedTab(DialogKey::NextControl, 0, 3), -1);
}

TEST(DialogPlacement, CentredOverOwnerOrWorkAreaAndKeptOnIt) {
    const ScreenRect work{0, 0, 1024, 738};
    const ScreenRect owner{100, 50, 500, 450};
    const ScreenPoint over = CenteredPosition(200, 100, &owner, work);
    EXPECT_EQ(over.x, 200);
    EXPECT_EQ(over.y, 200);
    const ScreenPoint alone = CenteredPosition(200, 100, nullptr, work);
    EXPECT_EQ(alone.x, 412);
    EXPECT_EQ(alone.y, 319);
    // An owner near the corner would push the dialog off the work area.
    const ScreenRect corner{-50, 700, 50, 760};
    const ScreenPoint kept = CenteredPosition(200, 100, &corner, work);
    EXPECT_EQ(kept.x, 0);
    EXPECT_EQ(kept.y, 638);
    const ScreenPoint huge = CenteredPosition(2000, 1000, nullptr, {10, 20, 1034, 758});
    EXPECT_EQ(huge.x, 10);
    EXPECT_EQ(huge.y, 20);
}

}  // namespace
}  // namespace fw
