#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/logic/DialogKeys.h"
#include "framework/logic/DialogPlacement.h"
#include "framework/logic/TabOrder.h"

namespace fw {
namespace {

constexpr TabWindowState kStop{true, true, true, false};
constexpr TabWindowState kLabel{true, true, false, false};
constexpr TabWindowState kHidden{false, true, true, true};
constexpr TabWindowState kDisabled{true, false, true, false};
constexpr TabWindowState kParent{true, true, false, true};

// The main window's shape: selector, tab strip holding two pages (the second
// hidden), refresh button; ids in walking order.
constexpr WindowId kRoot = 100, kLabelText = 1, kCombo = 2, kTabs = 3, kPage1 = 4, kEdit1 = 5,
                   kButton1 = 6, kPage2 = 7, kEdit2 = 8, kRefresh = 9, kBanner = 10;

// Windows 1 to n with their parents and states; children keep the order of their ids.
struct FakeTree : TabTree {
    std::vector<WindowId> parents = {kRoot,  kRoot, kRoot,  kTabs, kPage1,
                                     kPage1, kTabs, kPage2, kRoot, kRoot};
    std::vector<TabWindowState> states = {
        kLabel, kStop, {true, true, true, true}, kParent, kStop, kStop, kHidden, kStop,
        kStop,  kLabel};

    WindowId FirstChild(WindowId window) const override { return ChildAfter(window, 0); }
    WindowId NextSibling(WindowId window) const override {
        return ChildAfter(Parent(window), window);
    }
    WindowId Parent(WindowId window) const override {
        return window - 1 < parents.size() ? parents[window - 1] : 0;
    }
    TabWindowState State(WindowId window) const override {
        return window - 1 < states.size() ? states[window - 1] : TabWindowState{};
    }
    WindowId ChildAfter(WindowId parent, WindowId after) const {
        for (WindowId window = after + 1; window <= parents.size(); ++window) {
            if (parents[window - 1] == parent) return window;
        }
        return 0;
    }
};

TEST(TabOrder, OneCycleThroughTabStripAndVisiblePageBothWays) {
    using Ids = std::vector<WindowId>;
    constexpr TabWindowState kHiddenPage{false, true, false, true};
    // What differs from the main shape, where the walk starts, and the stops it meets.
    const struct {
        std::map<WindowId, TabWindowState> changed;
        WindowId from;
        bool backwards;
        Ids stops;
    } rows[] = {
        // Focus outside the stops starts from where it sits.
        {{}, 0, false, {kCombo, kTabs, kEdit1, kButton1, kRefresh, kCombo}},
        {{}, 0, true, {kRefresh, kButton1, kEdit1, kTabs, kCombo, kRefresh}},
        {{{kPage1, kHiddenPage}, {kPage2, kParent}, {kRefresh, kDisabled}},
         kTabs,
         false,
         {kEdit2, kCombo, kTabs}},
        // A disabled page keeps its controls out even when they are enabled themselves.
        {{{kPage1, kHiddenPage}, {kPage2, {true, false, false, true}}}, kTabs, false, {kRefresh}},
        {{}, kLabelText, false, {kCombo}},
        {{}, kPage1, true, {kTabs}},
        {{}, kEdit2, false, {kRefresh}},  // in a page that has since been hidden: after it
        {{}, 999, false, {kCombo}},       // not inside root
        {{{kTabs, kHidden}, {kRefresh, kDisabled}}, kCombo, true, {kCombo, kCombo}},
        {{{kTabs, kHidden}, {kRefresh, kDisabled}, {kCombo, kDisabled}}, kBanner, false, {0}},
    };
    for (const auto& row : rows) {
        FakeTree tree;
        for (const auto& [window, state] : row.changed) tree.states[window - 1] = state;
        Ids seen;
        for (WindowId at = row.from; seen.size() < row.stops.size();) {
            seen.push_back(at = NextTabStop(tree, kRoot, at, row.backwards));
        }
        EXPECT_EQ(seen, row.stops) << row.from << row.backwards;
    }
}

TEST(DialogKeys, TabMovesFocusAndWithCtrlSwitchesTabsWrappingAround) {
    const std::tuple<std::uint32_t, bool, bool, bool, DialogKey> cases[] = {
        {kVkTab, false, false, false, DialogKey::NextControl},
        {kVkTab, false, true, false, DialogKey::PreviousControl},
        {kVkTab, true, false, false, DialogKey::NextTab},
        {kVkTab, true, true, false, DialogKey::PreviousTab},
        {kVkPageDown, true, false, false, DialogKey::NextTab},
        {kVkPageUp, true, false, false, DialogKey::PreviousTab},
        {kVkPageDown, false, false, false, DialogKey::None},  // the control's own key
        {kVkTab, true, false, true, DialogKey::None},
        {0x0D, true, false, false, DialogKey::None},
    };
    for (const auto& [key, ctrl, shift, alt, action] : cases) {
        EXPECT_EQ(ClassifyDialogKey(key, ctrl, shift, alt), action) << key << ctrl << shift << alt;
    }
    // Tab switches wrap around.
    EXPECT_EQ(SwitchedTab(DialogKey::NextTab, 2, 3), 0);
    EXPECT_EQ(SwitchedTab(DialogKey::PreviousTab, 0, 3), 2);
    EXPECT_EQ(SwitchedTab(DialogKey::NextTab, -1, 3), 0);
    EXPECT_EQ(SwitchedTab(DialogKey::PreviousTab, -1, 3), 2);
    EXPECT_EQ(SwitchedTab(DialogKey::NextTab, 0, 0), -1);
    EXPECT_EQ(SwitchedTab(DialogKey::NextControl, 0, 3), -1);
}

TEST(DialogPlacement, CentredOverOwnerOrWorkAreaAndKeptOnIt) {
    const ScreenRect work{0, 0, 1024, 738}, owner{100, 50, 500, 450}, corner{-50, 700, 50, 760};
    const auto at = [](int width, int height, const ScreenRect* owner, const ScreenRect& work) {
        const ScreenPoint point = CenteredPosition(width, height, owner, work);
        return std::make_pair(point.x, point.y);
    };
    EXPECT_EQ(at(200, 100, &owner, work), std::make_pair(200, 200));
    EXPECT_EQ(at(200, 100, nullptr, work), std::make_pair(412, 319));
    EXPECT_EQ(at(200, 100, &corner, work), std::make_pair(0, 638));  // kept on the work area
    EXPECT_EQ(at(2000, 1000, nullptr, {10, 20, 1034, 758}), std::make_pair(10, 20));
}

}  // namespace
}  // namespace fw
