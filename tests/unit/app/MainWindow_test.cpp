// The main window's rules: where pages and banner artwork go, tray presses, device changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <vector>

#include "app/logic/BannerArt.h"
#include "app/logic/MainWindowRules.h"

namespace keytool {

void PrintTo(const Rect& r, std::ostream* out) {
    *out << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

namespace {

TEST(Layout, PagesSitInsideTheFrameBelowTheTabs) {
    // Client and display area as the tab control reports them at 96 and 144 dpi.
    EXPECT_EQ(PageArea({0, 0, 425, 238}, {4, 23, 421, 234}), (Rect{1, 20, 424, 237}));
    EXPECT_EQ(PageArea({0, 0, 608, 357}, {4, 30, 604, 353}), (Rect{1, 27, 607, 356}));
    // A control that pads by 2 only: the page still starts one pixel into the frame.
    EXPECT_EQ(PageArea({0, 0, 100, 80}, {2, 21, 98, 78}), (Rect{1, 20, 99, 79}));
}

TEST(Layout, ArtworkIsTheSmallestThatCoversElseTheLargest) {
    const Size sizes[] = {{448, 136}, {672, 204}, {896, 272}};
    EXPECT_EQ(ChooseArtwork(sizes, 3, {448, 136}), 0u);
    EXPECT_EQ(ChooseArtwork(sizes, 3, {449, 100}), 1u);  // each direction counts
    EXPECT_EQ(ChooseArtwork(sizes, 3, {400, 137}), 1u);
    EXPECT_EQ(ChooseArtwork(sizes, 3, {2000, 600}), 2u);
    const Size unordered[] = {{896, 272}, {448, 136}, {672, 204}};
    EXPECT_EQ(ChooseArtwork(unordered, 3, {500, 150}), 2u);
    EXPECT_EQ(ChooseArtwork(unordered, 3, {5000, 150}), 0u);
}

TEST(Layout, ArtworkCoversTheTargetKeepingItsProportions) {
    const struct {
        Size artwork, target;
        Rect placed;
    } cases[] = {
        {{448, 136}, {448, 136}, {0, 0, 448, 136}},   // same size
        {{672, 204}, {640, 195}, {0, 0, 643, 195}},   // height decides, rounded up
        {{672, 204}, {640, 190}, {0, -2, 640, 193}},  // width decides, centred
        {{324, 98}, {330, 98}, {0, -1, 330, 99}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CoverRect(c.artwork, c.target), c.placed)
            << c.target.width << "x" << c.target.height;
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

TEST(TrayPress, TogglesTheWindowButNeverHidesItUnderARunningDialog) {
    EXPECT_EQ(OnTrayLeftPress(true, false), TrayPressAction::Hide);
    EXPECT_EQ(OnTrayLeftPress(false, false), TrayPressAction::ShowAndForeground);
    EXPECT_EQ(OnTrayLeftPress(true, true), TrayPressAction::ShowWithDialogInFront);
    EXPECT_EQ(OnTrayLeftPress(false, true), TrayPressAction::ShowWithDialogInFront);
}

TEST(AfterDeviceChange, APulledKeysTriesGoSoAKeyReusingItsSlotStartsAfresh) {
    TriesLeftTable tries;
    const std::uint32_t five[] = {5};
    tries.Note(5, 0x63C1);
    EXPECT_FALSE(AfterDeviceChange(7, 1, 0, five, 0, tries));
    EXPECT_TRUE(AfterDeviceChange(7, 0, 1, five, 1, tries));  // another key in slot 5
    EXPECT_FALSE(tries.OnLastTry(5));
    EXPECT_FALSE(AfterDeviceChange(0, 0, 1, five, 1, tries)) << "start-up checks on its own";
}

}  // namespace
}  // namespace keytool
