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

}  // namespace
}  // namespace keytool
