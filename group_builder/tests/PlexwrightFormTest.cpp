#include "group_builder/EntryColors.h"
#include "group_builder/forms/GraphicButton.h"
#include "group_builder/forms/PickTMColorForm.h"
#include "group_builder/tests/PlexwrightFormFixture.h"
#include "ui_toolkit/ColorRect.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/WindowCapture.h"

#include <windows.h>

#include <algorithm>
#include <set>

using plexwrighttest::MessageBoxAnswerer;
using plexwrighttest::pumpMessages;

namespace {

winui::Rect windowRect(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return winui::Rect(r.left, r.top, r.right, r.bottom);
}

} // namespace

class PlexwrightFormTest : public PlexwrightFormFixture {};

TEST_F(PlexwrightFormTest, ControlsFollowTheWindowEdgesAndTheWindowKeepsAMinimumSize) {
    EXPECT_EQ(form->clientRect(), winui::Rect(0, 0, 563, 352));
    EXPECT_EQ(form->text(), L"Plexwright");
    struct Place {
        const char* what;
        winui::Control* control;
        winui::Rect start;
        winui::Rect grown; // after the window grew by 100 x 60
    };
    const Place places[] = {
        {"grid", form->grid, {8, 8, 555, 308}, {8, 8, 655, 368}},
        {"new group", form->newGroupButton, {8, 316, 169, 343}, {8, 376, 169, 403}},
        {"open", form->openButton, {172, 316, 289, 343}, {172, 376, 289, 403}},
        {"save as", form->saveAsButton, {292, 316, 411, 343}, {292, 376, 411, 403}},
        {"add", form->addButton, {420, 316, 451, 343}, {520, 376, 551, 403}},
        {"remove", form->removeButton, {454, 316, 485, 343}, {554, 376, 585, 403}},
        {"up", form->upButton, {488, 316, 519, 343}, {588, 376, 619, 403}},
        {"down", form->downButton, {522, 316, 553, 343}, {622, 376, 653, 403}},
    };
    for (const Place& p : places)
        EXPECT_EQ(p.control->bounds(), p.start) << p.what;

    const winui::Rect frame = windowRect(form->hwnd);
    SetWindowPos(form->hwnd, nullptr, 0, 0, frame.width() + 100, frame.height() + 60, SWP_NOMOVE | SWP_NOZORDER);
    pumpMessages();
    for (const Place& p : places)
        EXPECT_EQ(p.control->bounds(), p.grown) << p.what;

    SetWindowPos(form->hwnd, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
    pumpMessages();
    const winui::Rect smallest = windowRect(form->hwnd);
    EXPECT_EQ(smallest.width(), 574);
    EXPECT_EQ(smallest.height(), 250);
    // Even then the image buttons stay clear of the text buttons.
    EXPECT_GE(form->addButton->bounds().left, form->saveAsButton->bounds().right);
}

TEST_F(PlexwrightFormTest, ArrowHomeAndEndMoveTheSelection) {
    openRows(L"abcde");
    struct Case {
        int from;
        int key;
        int to;
    };
    const Case cases[] = {
        {2, VK_UP, 1},   {0, VK_UP, 0},     {2, VK_DOWN, 3}, {4, VK_DOWN, 4},
        {3, VK_HOME, 0}, {0, VK_HOME, 0},   {1, VK_END, 4},  {4, VK_END, 4},
    };
    for (const Case& c : cases) {
        form->grid->selectRow(c.from);
        // Whichever control has the focus, the window's shortcuts see the key first.
        pressKey(form->openButton, c.key);
        EXPECT_EQ(form->grid->selectedRow(), c.to) << c.from << " key " << c.key;
    }
    EXPECT_FALSE(form->changed);
}

TEST_F(PlexwrightFormTest, DoubleClickEditsThatRowAndOkReplacesIt) {
    openRows(L"abc", {0x111111, 0x222222, 0x333333});
    doubleClickRow(1);
    ASSERT_TRUE(dialogShown());
    EXPECT_EQ(form->itemForm->filePath(), folder.file(L"b.tmx"));
    EXPECT_EQ(form->itemForm->shortName(), L"B");
    EXPECT_EQ(form->itemForm->color(), 0x222222u);
    EXPECT_EQ(form->grid->selectedRow(), 1);
    // The window behind waits: nothing there can change the list meanwhile.
    EXPECT_FALSE(IsWindowEnabled(form->hwnd));

    // Clicks on the window behind reach nothing: not the grid, not Remove.
    const int h = form->grid->rowHeight(0);
    plexwrighttest::realClick(form->grid->hwnd, 20, 2 * h + h / 2);
    plexwrighttest::realClick(form->removeButton->hwnd, 15, 13);
    EXPECT_EQ(form->grid->selectedRow(), 1);
    EXPECT_EQ(names(), L"ABC");
    EXPECT_TRUE(dialogShown());

    // Were the selection to move anyway, the dialog still edits the row it was opened for.
    form->grid->selectRow(2);
    form->itemForm->setShortName(L"  Edited ");
    click(form->itemForm->okButton);
    EXPECT_FALSE(dialogShown());
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    EXPECT_EQ(names(), L"AEditedC");
    EXPECT_EQ(form->grid->entries()[1].path, folder.file(L"b.tmx"));
    EXPECT_EQ(form->grid->entries()[1].color, 0x222222u);
    EXPECT_TRUE(form->changed);

    // A double click below the last row opens nothing.
    doubleClickRow(7);
    EXPECT_FALSE(dialogShown());
}

TEST_F(PlexwrightFormTest, OkWithoutAFileKeepsTheDialogOpen) {
    click(form->addButton);
    ASSERT_TRUE(dialogShown());
    EXPECT_EQ(form->itemForm->filePath(), L"");
    EXPECT_EQ(form->itemForm->color(), kDefaultEntryColor);
    click(form->itemForm->okButton);
    EXPECT_TRUE(dialogShown());
    pressKey(form->itemForm->shortNameEdit, VK_RETURN);
    EXPECT_TRUE(dialogShown());
    EXPECT_EQ(form->grid->entryCount(), 0);

    // The short name takes 14 characters at most.
    typeText(form->itemForm->shortNameEdit, L"abcdefghijklmnopqrs");
    EXPECT_EQ(form->itemForm->shortName(), L"abcdefghijklmn");

    pressKey(form->itemForm->shortNameEdit, VK_ESCAPE);
    EXPECT_FALSE(dialogShown());
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
    EXPECT_EQ(form->grid->entryCount(), 0);
    EXPECT_FALSE(form->changed);
}

TEST_F(PlexwrightFormTest, AddThroughBrowseAndADuplicateSelectsTheExistingRow) {
    openRows(L"ab");
    chooser.choose(L"  " + folder.file(L"c.tmx"));
    click(form->addButton);
    click(form->itemForm->browseButton);
    ASSERT_EQ(chooser.requests.size(), 1u);
    EXPECT_FALSE(chooser.requests[0].save);
    EXPECT_EQ(chooser.requests[0].pattern, L"*.tmx");
    EXPECT_EQ(chooser.requests[0].extension, L".tmx");
    EXPECT_EQ(chooser.requests[0].description, text(L"TMXfiles"));
    EXPECT_EQ(chooser.requests[0].flags, static_cast<DWORD>(0x1804));
    EXPECT_EQ(form->itemForm->filePath(), folder.file(L"c.tmx"));
    typeText(form->itemForm->shortNameEdit, L"C");
    click(form->itemForm->okButton);
    EXPECT_EQ(names(), L"ABC");
    EXPECT_EQ(form->grid->entries()[2].color, kDefaultEntryColor);
    EXPECT_EQ(form->grid->selectedRow(), 0);

    // The same file in other letters selects its row and adds nothing.
    chooser.choose(folder.file(L"B.TMX"));
    click(form->addButton);
    click(form->itemForm->browseButton);
    click(form->itemForm->okButton);
    EXPECT_EQ(names(), L"ABC");
    EXPECT_EQ(form->grid->selectedRow(), 1);
}

TEST_F(PlexwrightFormTest, ClosingTheDialogOrThePaletteOnlyHidesThem) {
    int cancelled = 0;
    struct Counter {
        int* count;
        void bump() { ++*count; }
    } counter{&cancelled};
    HandlerHolder link;
    link.connect(form->itemForm->cancelled, &counter, &Counter::bump);

    for (int round = 0; round < 2; ++round) {
        click(form->addButton);
        ASSERT_TRUE(dialogShown()) << round;
        // The caption's close box or Alt+F4.
        SendMessageW(form->itemForm->hwnd, WM_CLOSE, 0, 0);
        pumpMessages();
        EXPECT_TRUE(IsWindow(form->itemForm->hwnd)) << round;
        EXPECT_FALSE(dialogShown()) << round;
        EXPECT_TRUE(IsWindowEnabled(form->hwnd)) << round;
        EXPECT_EQ(cancelled, round + 1);
    }

    click(form->addButton);
    PickTMColorForm* palette = form->itemForm->palette.get();
    for (int round = 0; round < 2; ++round) {
        mouseDown(form->itemForm->swatch, 5, 5);
        ASSERT_TRUE(IsWindowVisible(palette->hwnd)) << round;
        SendMessageW(palette->hwnd, WM_CLOSE, 0, 0);
        pumpMessages();
        EXPECT_TRUE(IsWindow(palette->hwnd)) << round;
        EXPECT_FALSE(IsWindowVisible(palette->hwnd)) << round;
        EXPECT_TRUE(dialogShown()) << round;
        EXPECT_EQ(form->itemForm->color(), kDefaultEntryColor);
    }
    pressKey(form->itemForm->shortNameEdit, VK_ESCAPE);
    EXPECT_FALSE(dialogShown());
    EXPECT_TRUE(IsWindowEnabled(form->hwnd));
}

TEST_F(PlexwrightFormTest, PaletteClicksPickACellOrNothing) {
    click(form->addButton);
    PickTMColorForm* palette = form->itemForm->palette.get();
    winui::ColorRect* swatch = form->itemForm->swatch;
    struct Case {
        const char* what;
        int x;
        int y;
        UINT message;
        COLORREF start;
        COLORREF result;
    };
    const COLORREF start = 0x00123456;
    const Case cases[] = {
        {"first cell", 10, 10, WM_LBUTTONDOWN, start, kPaletteColors[0]},
        {"cell 7", 4 + 2 * 39 + 5, 4 + 30 + 5, WM_LBUTTONDOWN, start, kPaletteColors[7]},
        {"top-left margin", 1, 1, WM_LBUTTONDOWN, start, kPaletteColors[0]},
        {"last cell", 190, 110, WM_LBUTTONDOWN, start, kPaletteColors[19]},
        {"right button on a cell", 10, 10, WM_RBUTTONDOWN, start, start},
        {"just above: the swatch again", 10, -1, WM_LBUTTONDOWN, start, start},
        {"just left of the palette", -1, 10, WM_LBUTTONDOWN, start, start},
        {"elsewhere on the screen", 700, 500, WM_LBUTTONDOWN, start, start},
        {"the same colour again", 10, 10, WM_LBUTTONDOWN, kPaletteColors[0], kPaletteColors[0]},
    };
    for (const Case& c : cases) {
        form->itemForm->setColor(c.start);
        mouseDown(swatch, 5, 5);
        ASSERT_TRUE(IsWindowVisible(palette->hwnd)) << c.what;
        EXPECT_EQ(GetCapture(), palette->hwnd) << c.what;
        // It drops down from the swatch's bottom-left corner.
        POINT corner = {0, swatch->clientRect().bottom};
        ClientToScreen(swatch->hwnd, &corner);
        EXPECT_EQ(windowRect(palette->hwnd).left, corner.x) << c.what;
        EXPECT_EQ(windowRect(palette->hwnd).top, corner.y) << c.what;
        EXPECT_EQ(palette->clientRect(), winui::Rect(0, 0, 199, 124)) << c.what;

        mouseDown(palette, c.x, c.y, c.message);
        EXPECT_FALSE(IsWindowVisible(palette->hwnd)) << c.what;
        EXPECT_NE(GetCapture(), palette->hwnd) << c.what;
        EXPECT_EQ(form->itemForm->color(), c.result) << c.what;
        EXPECT_TRUE(dialogShown()) << c.what;
    }
    pressKey(form->itemForm->shortNameEdit, VK_ESCAPE);
}

TEST_F(PlexwrightFormTest, ImageButtonsAreOwnerDrawnWithAndWithoutAStyle) {
    for (winui::Style* style : {winui::getStyle(L"CX"), static_cast<winui::Style*>(nullptr)}) {
        form->setStyle(style);
        for (winui::GraphicButton* button : {form->addButton, form->removeButton, form->upButton, form->downButton}) {
            EXPECT_EQ(GetWindowLongW(button->hwnd, GWL_STYLE) & 0x0F, BS_OWNERDRAW);
            ASSERT_NE(button->image, nullptr);
            EXPECT_FALSE(button->image->isEmpty());
        }
        InvalidateRect(form->hwnd, nullptr, TRUE);
        UpdateWindow(form->hwnd);
        RedrawWindow(form->addButton->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        // Without text the image sits exactly in the middle of the 31 x 27 button, on the face.
        EXPECT_EQ(form->addButton->imageRect, winui::Rect(7, 5, 23, 21));
        EXPECT_EQ(form->addButton->text(), L"");
        winui::Image shot;
        ASSERT_TRUE(winui::captureWindow(form->addButton->hwnd, shot));
        auto pixel = [&](int x, int y) {
            const uint8_t* p = shot.pixels() + y * shot.stride() + x * (shot.bitsPerPixel() / 8);
            return RGB(p[2], p[1], p[0]);
        };
        const COLORREF green = RGB(0x2E, 0x8B, 0x3C); // the middle of the plus
        EXPECT_EQ(pixel(7 + 7, 5 + 7), green) << (style ? "styled" : "native");
        EXPECT_NE(pixel(4, 13), green) << (style ? "styled" : "native");
    }
}

TEST_F(PlexwrightFormTest, NameCellsShowTheEntryColourWithReadableText) {
    const COLORREF palette = kPaletteColors[13];
    openRows(L"abcd", {0x00000000, kDefaultEntryColor, palette, 0xEEEEEEEE});
    form->grid->selectRow(3);
    winui::Image shot;
    ASSERT_TRUE(winui::captureWindow(form->grid->hwnd, shot));
    auto pixel = [&](int x, int y) -> COLORREF {
        const uint8_t* p = shot.pixels() + y * shot.stride() + x * (shot.bitsPerPixel() / 8);
        return RGB(p[2], p[1], p[0]);
    };
    // The colours of a name cell's pixels.
    auto cellColors = [&](int row) {
        std::set<COLORREF> seen;
        const int h = form->grid->rowHeight(0);
        for (int y = row * h; y < (row + 1) * h; ++y) {
            for (int x = form->grid->pathColumnWidth(); x < form->grid->pathColumnWidth() + form->grid->nameColumnWidth(); ++x)
                seen.insert(pixel(x, y));
        }
        return seen;
    };
    // Smoothed text edges mix the two colours; nothing else may show.
    auto between = [](COLORREF c, COLORREF a, COLORREF b) {
        const int shifts[] = {0, 8, 16};
        for (int shift : shifts) {
            const int v = (c >> shift) & 0xFF;
            const int x = (a >> shift) & 0xFF;
            const int y = (b >> shift) & 0xFF;
            if (v < std::min(x, y) || v > std::max(x, y))
                return false;
        }
        return true;
    };
    const winui::Style* style = form->grid->style;
    const COLORREF windowText = style->color(winui::kColorWindowText);
    const COLORREF window = style->color(winui::kColorWindow);
    struct Case {
        int row;
        COLORREF fill;
        COLORREF text;
    };
    const Case cases[] = {
        {0, 0x00000000, 0x00E0E0E0},        // black: light grey text
        {1, kDefaultEntryColor, windowText}, // luma 199: the window text
        {2, palette, windowText},
    };
    for (const Case& c : cases) {
        const std::set<COLORREF> seen = cellColors(c.row);
        EXPECT_TRUE(seen.count(c.fill)) << c.row;
        EXPECT_TRUE(seen.count(c.text)) << c.row;
        for (COLORREF colour : seen)
            EXPECT_TRUE(between(colour, c.fill, c.text)) << c.row << " " << std::hex << colour;
    }
    // A member without a colour shows the window colour; the selected row's name cell has a
    // highlighted frame.
    const std::set<COLORREF> uncoloured = cellColors(3);
    EXPECT_TRUE(uncoloured.count(window));
    EXPECT_TRUE(uncoloured.count(style->color(winui::kColorHighlight)));
}
