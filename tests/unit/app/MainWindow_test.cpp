// The main window's rules: the key list, where pages and banner artwork go, tray presses, device
// changes, and the other instances' windows (a second start, the stop helper).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "app/logic/BannerArt.h"
#include "app/logic/InstanceWindows.h"
#include "app/logic/MainWindowRules.h"
#include "keylib/logic/KeyList.h"
#include "keylib/logic/SlotTable.h"
#include "tests/unit/FakeKeyLibrary.h"

namespace keytool {

void PrintTo(const Rect& r, std::ostream* out) {
    *out << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

namespace {

TEST(Layout, PagesSitInsideTheFrameBelowTheTabsUnderArtworkThatCoversThem) {
    // Client and display area as the tab control reports them at 96 and 144 dpi.
    EXPECT_EQ(PageArea({0, 0, 425, 238}, {4, 23, 421, 234}), (Rect{1, 20, 424, 237}));
    EXPECT_EQ(PageArea({0, 0, 608, 357}, {4, 30, 604, 353}), (Rect{1, 27, 607, 356}));
    // A control that pads by 2 only: the page still starts one pixel into the frame.
    EXPECT_EQ(PageArea({0, 0, 100, 80}, {2, 21, 98, 78}), (Rect{1, 20, 99, 79}));
    // Artwork is the smallest that covers, else the largest.
    const Size sizes[] = {{448, 136}, {672, 204}, {896, 272}};
    EXPECT_EQ(ChooseArtwork(sizes, 3, {448, 136}), 0u);
    EXPECT_EQ(ChooseArtwork(sizes, 3, {449, 100}), 1u);  // each direction counts
    EXPECT_EQ(ChooseArtwork(sizes, 3, {400, 137}), 1u);
    EXPECT_EQ(ChooseArtwork(sizes, 3, {2000, 600}), 2u);
    const Size unordered[] = {{896, 272}, {448, 136}, {672, 204}};
    EXPECT_EQ(ChooseArtwork(unordered, 3, {500, 150}), 2u);
    EXPECT_EQ(ChooseArtwork(unordered, 3, {5000, 150}), 0u);
    // The one chosen covers the target keeping its proportions.
    const std::tuple<Size, Size, Rect> cases[] = {
        {{448, 136}, {448, 136}, {0, 0, 448, 136}},   // same size
        {{672, 204}, {640, 195}, {0, 0, 643, 195}},   // height decides, rounded up
        {{672, 204}, {640, 190}, {0, -2, 640, 193}},  // width decides, centred
        {{324, 98}, {330, 98}, {0, -1, 330, 99}},
    };
    for (const auto& [artwork, target, placed] : cases) {
        EXPECT_EQ(CoverRect(artwork, target), placed) << target.width << "x" << target.height;
    }
    EXPECT_EQ(CoverRect({0, 10}, {100, 100}), Rect{});  // no artwork: nothing drawn
}

TEST(Layout, PngSizeReadsOnlyAWellFormedHeader) {
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N',  'G',  0x0D, 0x0A, 0x1A, 0x0A,
                                           0,    0,   0,    13,   'I',  'H',  'D',  'R',
                                           0,    0,   0x01, 0xC0, 0,    0,    0,    0x88};
    const auto size = PngSize(png.data(), png.size());
    ASSERT_TRUE(size);
    EXPECT_EQ(std::make_pair(size->width, size->height), std::make_pair(448, 136));
    EXPECT_FALSE(PngSize(png.data(), png.size() - 1));
    EXPECT_FALSE(PngSize(nullptr, 100));
    // A corrupt signature, width 0, a height beyond 2^31 - 1.
    const std::tuple<int, int, std::uint8_t> bytes[] = {{1, 1, 'Q'}, {18, 2, 0}, {20, 1, 0x80}};
    for (const auto& [at, count, value] : bytes) {
        std::vector<std::uint8_t> bad = png;
        std::fill_n(bad.begin() + at, count, value);
        EXPECT_FALSE(PngSize(bad.data(), bad.size())) << at;
    }
}

TEST(MainWindowRules, TrayPressNeverHidesTheWindowUnderADialogAndPulledKeysTriesGo) {
    EXPECT_EQ(OnTrayLeftPress(true, false), TrayPressAction::Hide);
    EXPECT_EQ(OnTrayLeftPress(false, false), TrayPressAction::ShowAndForeground);
    EXPECT_EQ(OnTrayLeftPress(true, true), TrayPressAction::ShowWithDialogInFront);
    EXPECT_EQ(OnTrayLeftPress(false, true), TrayPressAction::ShowWithDialogInFront);
    // After a device change a pulled key's tries go, so a key reusing its slot starts afresh.
    TriesLeftTable tries;
    const std::uint32_t five[] = {5};
    tries.Note(5, 0x63C1);
    EXPECT_FALSE(AfterDeviceChange(7, 1, 0, five, 0, tries));
    EXPECT_TRUE(AfterDeviceChange(7, 0, 1, five, 1, tries));  // another key in slot 5
    EXPECT_FALSE(tries.OnLastTry(5));
    EXPECT_FALSE(AfterDeviceChange(0, 0, 1, five, 1, tries)) << "start-up checks on its own";
}

constexpr std::uint32_t kTag = 0x72C49254;

struct Window {
    std::uint32_t userData;
    ProcessId owner = 0;  // 0: gone by the time its owner is asked for
    bool answers = true;  // false: the activation request times out
    std::intptr_t answer = 0;
};

// Windows 1..n in z-order; C:\Tool holds the processes in `inFolder`. Records every step.
struct FakeWindows : InstanceWindows {
    std::vector<Window> windows;
    std::vector<ProcessId> hung, inFolder;
    std::string log;
    bool logReads = false;  // the tag and user-data reads too

    WindowId Next(WindowId after) override { return after < windows.size() ? after + 1 : 0; }
    bool IsWindow(WindowId w) override { return w != 0 && w <= windows.size(); }
    std::uint32_t UserData(WindowId w) override {
        return log += logReads ? " data" : "", windows[w - 1].userData;
    }
    std::uint32_t InstanceTag() override { return log += logReads ? " tag" : "", kTag; }
    bool RequestActivation(WindowId w, std::intptr_t* answer) override {
        log += " activate" + std::to_string(w);
        *answer = windows[w - 1].answer;
        return windows[w - 1].answers;
    }
    void PostBalloon(WindowId w, std::uint32_t n) override {
        log += " balloon" + std::to_string(w) + ":" + std::to_string(n);
    }
    ProcessId OwnerOf(WindowId w) override { return windows[w - 1].owner; }
    bool RequestExit(WindowId w) override { return log += " exit" + std::to_string(w), true; }
    std::vector<ProcessId> ProcessesIn(const std::wstring& folder) override {
        return folder == L"C:\\Tool" ? inFolder : std::vector<ProcessId>{};
    }
    bool WaitEnd(ProcessId p) override {
        log += " wait" + std::to_string(p);
        return std::find(hung.begin(), hung.end(), p) == hung.end();
    }
};

TEST(InstanceWindows, OnlyATaggedWindowThatTakesOverOrHangsEndsTheNewcomerAskedWithAFreshTag) {
    const std::tuple<std::vector<Window>, bool, std::string> cases[] = {
        {{}, false, ""},
        {{{0x1111, 0, true, -1}, {0x2222, 0, true, -1}}, false, ""},    // other tags: not asked
        {{{kTag}}, false, " activate1"},                                // answers 0: skipped
        {{{kTag}, {kTag, 0, true, -1}}, true, " activate1 activate2"},  // the next takes over
        {{{kTag, 0, false}, {kTag, 0, true, -1}}, true, " activate1"},  // time-out ends at once
    };
    for (const auto& [list, ends, actions] : cases) {
        FakeWindows windows;
        windows.windows = list;
        EXPECT_EQ(AnotherInstanceAnswers(windows), ends);
        EXPECT_EQ(windows.log, actions);
    }
    // The tag is asked for afresh for every window: before its user data on a second start,
    // after it for a balloon.
    FakeWindows start, balloon;
    start.logReads = balloon.logReads = true;
    start.windows = balloon.windows = {{kTag}, {0x1111}, {kTag}};
    AnotherInstanceAnswers(start);
    EXPECT_EQ(start.log, " tag data activate1 tag data tag data activate3");
    EXPECT_EQ(NotifyInstances(balloon, 19), 0);
    EXPECT_EQ(balloon.log, " data tag balloon1:19 data tag data tag balloon3:19");
}

TEST(InstanceWindows, EveryToolIsAskedFirstThenEachProcessOfTheFolderWaitedForOnce) {
    // Windows, processes hung and in the folder, what is done, and the tools ended and not.
    using Ids = std::vector<ProcessId>;
    const std::tuple<std::vector<Window>, Ids, Ids, std::string, unsigned, unsigned> cases[] = {
        {{}, {}, {}, "", 0, 0},
        {{{0x1111, 7}, {0, 8}}, {}, {}, "", 0, 0},  // other programs' windows are left alone
        {{{kTag, 7}, {0x1111, 8}, {kTag, 9}}, {}, {}, " exit1 exit3 wait7 wait9", 2, 0},
        {{{kTag, 7}, {kTag, 7}}, {}, {}, " exit1 exit2 wait7", 1, 0},             // one process
        {{{kTag, 7}, {kTag, 9}}, {9}, {7, 9}, " exit1 exit2 wait7 wait9", 1, 1},  // one hung
        {{{kTag}}, {}, {}, " exit1", 0, 0},  // a window gone before its owner is known
        {{{kTag, 7}}, {9}, {8, 9}, " exit1 wait7 wait8 wait9", 1, 1},  // ukeyctl after the tool
    };
    for (const auto& [list, hung, inFolder, actions, ended, notEnded] : cases) {
        FakeWindows windows;
        windows.windows = list, windows.hung = hung, windows.inFolder = inFolder;
        const StopResult result = StopRunningTools(windows, L"C:\\Tool");
        EXPECT_EQ(std::tie(windows.log, result.ended, result.notEnded),
                  std::tie(actions, ended, notEnded));
    }
}

TEST(KeyList, ItemsFollowTheLibraryWithoutGapsAndTheFirstReadableKeyIsCurrent) {
    using Labels = std::map<std::uint32_t, std::string>;
    using Items = std::vector<std::string>;
    const std::tuple<std::vector<std::uint32_t>, Labels, Items, std::uint32_t, bool> cases[] = {
        {{}, {}, {}, 0, false},
        {{9, 4}, {{9, "第一"}, {4, "second"}}, {"第一", "second"}, 9, true},
        {{3, 5}, {{5, "B"}}, {"B"}, 5, true},
        {{3, 5}, {}, {}, 0, true},  // keys reported, none readable: pages on, no slot
        {{1}, {{1, std::string(150, 'L')}}, {std::string(99, 'L')}, 1, true},
    };
    for (const auto& [slots, labels, expected, current, enabled] : cases) {
        FakeKeyLibrary keys;
        for (const auto& [slot, label] : labels) keys.keys[slot].label = label;
        const KeyList list =
            BuildKeyList(slots.data(), static_cast<std::uint32_t>(slots.size()), keys);
        Items items;
        for (const auto& item : list.items) items.push_back(item.label);
        EXPECT_EQ(std::tie(items, list.currentSlot, list.pagesEnabled),
                  std::tie(expected, current, enabled));
    }
    // A count beyond the table is read only up to its size.
    FakeKeyLibrary labels;
    std::vector<std::uint32_t> slots(kMaxSlots, 7);
    labels.keys[7].label = "k";
    EXPECT_EQ(BuildKeyList(slots.data(), 1000, labels).items.size(), kMaxSlots);
    EXPECT_EQ(labels.calls, static_cast<int>(kMaxSlots));
}

}  // namespace
}  // namespace keytool
