#include "filter_tool/ui/PickLanguageForm.h"
#include "filter_tool/ui/PickLanguageLayout.h"
#include "filter_tool/ui/SiftonForm.h"

#include "core/l10n/Localization.h"
#include "filter_tool/tests/WindowTestSupport.h"
#include "ui_toolkit/Toolkit.h"

#include <gtest/gtest.h>

using namespace windowtest;

namespace {

TEST(PickLanguageLayoutTest, ColumnsRowsAndLines) {
    const struct {
        int32_t width;
        int32_t code;
        int32_t name;
    } columns[] = {{0, 0, 0}, {3, 0, 3}, {100, 25, 75}, {303, 75, 228}, {321, 80, 241}};
    for (const auto& c : columns) {
        const LanguageColumns got = languageColumns(c.width);
        EXPECT_EQ(c.code, got.code) << c.width;
        EXPECT_EQ(c.name, got.name) << c.width;
    }
    EXPECT_EQ(17, languageRowHeight(13));
    EXPECT_EQ(4, languageRowHeight(0)); // the text could not be measured
    // (text + 4 * background) / 5 per channel.
    EXPECT_EQ(0x00CCCCCCu, languageGridLineColor(0x00000000, 0x00FFFFFF));
    EXPECT_EQ(0x00332211u, languageGridLineColor(0x00FFAA55, 0x00000000));
}

class PickLanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        winui::programBuild = winui::ProgramBuild::Tool;
        form = new SiftonForm();
        ShowWindow(form->hwnd, SW_SHOWNORMAL);
        SetForegroundWindow(form->hwnd);
        pumpPending();
        picker = form->picker;
        grid = picker->grid;
    }
    void TearDown() override {
        delete form;
        winui::modalForms.clear();
        dropQuit();
    }

    void open() {
        SendMessageW(form->pickButton->hwnd, BM_CLICK, 0, 0);
        pumpPending();
        ASSERT_TRUE(IsWindowVisible(picker->hwnd));
        ASSERT_EQ(picker, winui::topModalForm());
    }

    // The middle of a row's code cell while the top row is 0.
    LPARAM rowPoint(int32_t row) const {
        const int32_t y = row * grid->measuredRowHeight + grid->measuredRowHeight / 2;
        return MAKELPARAM(10, y);
    }

    SiftonForm* form = nullptr;
    PickLanguageForm* picker = nullptr;
    PickLanguageGrid* grid = nullptr;
};

TEST_F(PickLanguageTest, PickerListsTheLanguagesInAQuarterAndThreeQuarters) {
    EXPECT_FALSE(IsWindowVisible(picker->hwnd));
    EXPECT_EQ(winui::Rect(0, 0, 337, 284), picker->clientRect());
    EXPECT_EQ(Localization::instance().getString(L"ChooseLanguage"), picker->text());
    EXPECT_EQ(L"OK", picker->okButton->text());
    EXPECT_EQ(Localization::instance().getString(L"Cancel"), picker->cancelButton->text());
    EXPECT_EQ(winui::Rect(91, 248, 166, 273), picker->okButton->bounds());
    EXPECT_EQ(winui::Rect(171, 248, 246, 273), picker->cancelButton->bounds());
    EXPECT_EQ(winui::Rect(8, 8, 329, 233), grid->bounds());

    EXPECT_EQ(38, grid->rowCount());
    EXPECT_EQ(2, grid->columnCount());
    const int32_t width = grid->clientRect().width();
    EXPECT_EQ(width * 25 / 100, grid->columnWidth(0));
    EXPECT_EQ(width - width * 25 / 100, grid->columnWidth(1));
    EXPECT_GT(grid->rowHeight(0), 4);
    EXPECT_EQ(L"", grid->selectedShortName());
}

TEST_F(PickLanguageTest, DoubleClickPicksAtOnceAndCancelLeavesTheLanguage) {
    open();
    // de is the fourth row.
    SendMessageW(grid->hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, rowPoint(3));
    pumpPending();
    EXPECT_FALSE(IsWindowVisible(picker->hwnd));
    EXPECT_EQ(nullptr, winui::topModalForm());
    EXPECT_EQ(L"de", form->languageEdit->text());
    EXPECT_EQ(form->languageEdit->hwnd, GetFocus());

    // A click selects; Cancel forgets it.
    open();
    SendMessageW(grid->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, rowPoint(9));
    SendMessageW(grid->hwnd, WM_LBUTTONUP, 0, rowPoint(9));
    EXPECT_EQ(9, grid->selectedRow);
    EXPECT_EQ(L"en-US", grid->selectedShortName());
    SendMessageW(picker->cancelButton->hwnd, BM_CLICK, 0, 0);
    pumpPending();
    EXPECT_FALSE(IsWindowVisible(picker->hwnd));
    EXPECT_EQ(L"de", form->languageEdit->text());
    EXPECT_EQ(form->languageEdit->hwnd, GetFocus());

    // OK takes the selected row.
    open();
    SendMessageW(picker->okButton->hwnd, BM_CLICK, 0, 0);
    pumpPending();
    EXPECT_EQ(L"en-US", form->languageEdit->text());
}

// WM_MOUSEWHEEL's wParam for so many notches (negative: towards the user).
WPARAM wheelNotches(int notches) {
    return MAKEWPARAM(0, static_cast<WORD>(static_cast<SHORT>(notches * WHEEL_DELTA)));
}

TEST_F(PickLanguageTest, WheelMovesTheTopRow) {
    open();
    SendMessageW(picker->hwnd, WM_MOUSEWHEEL, wheelNotches(-2), 0);
    EXPECT_EQ(2, grid->topRow);
    SendMessageW(picker->hwnd, WM_MOUSEWHEEL, wheelNotches(1), 0);
    EXPECT_EQ(1, grid->topRow);
    SendMessageW(picker->hwnd, WM_MOUSEWHEEL, wheelNotches(5), 0);
    EXPECT_EQ(0, grid->topRow);
}

// The picker is made once; its caption's close button must not destroy it, or the next "..."
// would stack a dead window and the main window could not take the focus back.
TEST_F(PickLanguageTest, ClosingThePickerCancelsAndKeepsItForTheNextPick) {
    form->languageEdit->setText(L"fr");
    open();
    SendMessageW(picker->hwnd, WM_CLOSE, 0, 0);
    pumpPending();
    ASSERT_TRUE(IsWindow(picker->hwnd));
    EXPECT_FALSE(IsWindowVisible(picker->hwnd));
    EXPECT_EQ(nullptr, winui::topModalForm());
    EXPECT_EQ(L"fr", form->languageEdit->text());
    EXPECT_EQ(form->languageEdit->hwnd, GetFocus());

    open();
    SendMessageW(grid->hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, rowPoint(2));
    pumpPending();
    EXPECT_EQ(L"da", form->languageEdit->text());
    EXPECT_FALSE(quitPosted());
}

} // namespace
