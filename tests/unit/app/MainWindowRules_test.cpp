#include "app/logic/MainWindowRules.h"

#include <gtest/gtest.h>

namespace keytool {
namespace {

TEST(MainWindowRules, EachTabShowsExactlyItsPage) {
    const Page pages[] = {Page::Certificates, Page::Password, Page::Label};
    for (int tab = 0; tab < 3; ++tab) {
        for (int p = 0; p < 3; ++p) {
            EXPECT_EQ(PageShowCommand(pages[p], tab),
                      p == tab ? kShowCommandShow : kShowCommandHide)
                << "tab " << tab << " page " << p;
        }
    }
    // No selection (-1) shows no page.
    for (Page page : pages) EXPECT_EQ(PageShowCommand(page, -1), kShowCommandHide);
}

TEST(MainWindowRules, ShowRequestsAreStrippedUntilPermitted) {
    const std::uint32_t showAndMove = kSwpShowWindow | 0x2 | 0x1;
    EXPECT_EQ(FilterPositionFlags(showAndMove, false), 0x3u);
    EXPECT_EQ(FilterPositionFlags(showAndMove, true), showAndMove);
    EXPECT_EQ(FilterPositionFlags(0x80 /* hide */, false), 0x80u);
}

TEST(MainWindowRules, TrayLeftPressToggles) {
    EXPECT_EQ(OnTrayLeftPress(true), TrayPressAction::Hide);
    EXPECT_EQ(OnTrayLeftPress(false), TrayPressAction::ShowAndForeground);
}

}  // namespace
}  // namespace keytool
