// Sifton's window takes the keyboard as it opens: the focus is on its first control, and Tab
// moves on from there without a click first.

#include "filter_tool/ui/SiftonForm.h"

#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Toolkit.h"
#include "ui_toolkit/tests/RealInput.h"

#include <gtest/gtest.h>

namespace {

TEST(SiftonFocusTest, TheWindowStartsWithTheFocusOnItsFirstControlAndTabMovesOn) {
    winui::programBuild = winui::ProgramBuild::Tool;
    SiftonForm* form = new SiftonForm();
    ShowWindow(form->hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(form->hwnd);
    realinput::pumpFor(200);
    EXPECT_EQ(GetFocus(), form->pathEdit->hwnd);
    realinput::pressKey(VK_TAB);
    EXPECT_NE(GetFocus(), form->pathEdit->hwnd);
    EXPECT_TRUE(IsChild(form->hwnd, GetFocus()));
    EXPECT_TRUE(realinput::screenshot(form->hwnd, L"sifton_start_focus.png"));
    delete form;
    winui::modalForms.clear();
    realinput::pumpFor(50);
}

} // namespace
