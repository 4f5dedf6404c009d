#include "ui_toolkit/ColorDialog.h"

#include "ui_toolkit/tests/ControlProbe.h"

#include <gtest/gtest.h>

namespace {

TEST(ColorDialogTest, BlockIsClearedAndPointsAtItsOwnCustomColours) {
    ControlProbe owner;
    ASSERT_NE(nullptr, owner.hwnd);
    winui::ColorDialog dialog(&owner);
    EXPECT_EQ(sizeof(CHOOSECOLORW), dialog.block.lStructSize);
#if !defined(_WIN64)
    EXPECT_EQ(36u, dialog.block.lStructSize);
#endif
    EXPECT_EQ(owner.hwnd, dialog.block.hwndOwner);
    EXPECT_EQ(dialog.customColors, dialog.block.lpCustColors);
    EXPECT_EQ(0u, dialog.block.rgbResult);
    EXPECT_EQ(0u, dialog.block.Flags);
    EXPECT_EQ(nullptr, dialog.block.lpfnHook);
    for (COLORREF colour : dialog.customColors)
        EXPECT_EQ(0u, colour);

    winui::ColorDialog ownerless(nullptr);
    EXPECT_EQ(GetDesktopWindow(), ownerless.block.hwndOwner);
    EXPECT_EQ(ownerless.customColors, ownerless.block.lpCustColors);
}

} // namespace
