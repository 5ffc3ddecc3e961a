#include <gtest/gtest.h>

#include "app/logic/MainWindowRules.h"

namespace keytool {
namespace {

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
