#include "group_builder/EntryColors.h"

#include <gtest/gtest.h>

TEST(EntryColorsTest, PaletteClicks) {
    struct Case {
        const char* what;
        int x;
        int y;
        int cell;
    };
    const Case cases[] = {
        {"first cell", 10, 10, 0},
        {"top-left corner of the client area (margin)", 0, 0, 0},
        {"left margin of row 2", 2, 70, 10},
        {"top margin of column 3", 130, 1, 3},
        {"last pixel of cell 0", 38, 29, 0},
        {"gap right of cell 0 counts to it", 42, 10, 0},
        {"first pixel of cell 1", 43, 10, 1},
        {"gap below row 0 counts to it", 10, 33, 0},
        {"first pixel of row 1", 10, 34, 5},
        {"last cell", 4 + 4 * 39 + 34, 4 + 3 * 30 + 25, 19},
        // The margins right and below belong to the gap after the last cells.
        {"right margin", 197, 50, 9},
        {"bottom margin", 50, 122, 16},
        {"last pixel of the client area", 198, 123, 19},
        // Outside the client area: with the mouse captured, clicks anywhere arrive here.
        {"just left of the palette", -1, 10, -1},
        {"just above the palette (the swatch)", 10, -1, -1},
        {"far above and left", -100, -30, -1},
        {"just right of the palette", 199, 10, -1},
        {"just below the palette", 10, 124, -1},
        {"far beyond", 5000, 5000, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(paletteCellAt(c.x, c.y, kPaletteClientWidth, kPaletteClientHeight), c.cell) << c.what;
}

TEST(EntryColorsTest, CellsFillTheClientAreaWithTheirMargins) {
    EXPECT_EQ(paletteCellRect(0), winui::Rect(4, 4, 39, 30));
    EXPECT_EQ(paletteCellRect(7), winui::Rect(82, 34, 117, 60));
    const winui::Rect last = paletteCellRect(kPaletteCellCount - 1);
    EXPECT_EQ(last, winui::Rect(160, 94, 195, 120));
    EXPECT_EQ(last.right + kPaletteMargin, kPaletteClientWidth);
    EXPECT_EQ(last.bottom + kPaletteMargin, kPaletteClientHeight);
    for (int i = 0; i < kPaletteCellCount; ++i) {
        const winui::Rect r = paletteCellRect(i);
        EXPECT_EQ(paletteCellAt(r.left, r.top, kPaletteClientWidth, kPaletteClientHeight), i);
        EXPECT_EQ(paletteCellAt(r.right - 1, r.bottom - 1, kPaletteClientWidth, kPaletteClientHeight), i);
        // A new entry's colour is none of the palette's, so an untouched entry stands out.
        EXPECT_NE(kPaletteColors[i], kDefaultEntryColor);
    }
    EXPECT_EQ(kPaletteColors[12], 0x00C5C5C5u);
}

TEST(EntryColorsTest, NameTextStaysReadableOnTheEntryColour) {
    const COLORREF windowText = 0x00123456;
    struct Case {
        COLORREF fill;
        int luma;
        COLORREF text;
    };
    const Case cases[] = {
        {0x00000000, 0, 0x00E0E0E0},        // black
        {0x00C6C6C6, 199, windowText},      // the default colour
        {0x00E0E0E0, 226, windowText},
        {0x000000FF, 76, 0x00E0E0E0},       // pure red: 30 * 255 / 100
        {0x0000FF00, 150, windowText},      // pure green
        {0x00FF0000, 30, 0x00E0E0E0},       // pure blue: weight 12, not 11
        {0x00606060, 96, windowText},       // the darkest grey that still takes the window text
        {0x005F5F5F, 95, 0x00E0E0E0},
        {0x00605F5F, 96, windowText},       // light only with blue weighed 12 (11 gives 95)
        {0x00EB2414, 55, 0x00E0E0E0},       // the palette's last (dark blue)
        {0xEEEEEEEE, 240, windowText},      // a member without a colour
    };
    for (const Case& c : cases) {
        EXPECT_EQ(colorLuma(c.fill), c.luma) << std::hex << c.fill;
        EXPECT_EQ(nameTextColor(c.fill, windowText), c.text) << std::hex << c.fill;
    }
}
