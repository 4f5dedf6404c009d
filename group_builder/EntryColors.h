#pragma once

#include "ui_toolkit/values/Rect.h"

#include <windows.h>

#include <cstdint>

// The colours of group entries: the one a new entry starts with, the palette the entry dialog
// offers, and the text colour that stays readable on an entry's colour.

// A new entry's colour. On purpose none of the palette's: an entry nobody coloured stays
// recognisable (the palette's grey is 0xC5C5C5).
constexpr COLORREF kDefaultEntryColor = 0x00C6C6C6;

// The palette: 4 rows of 5 cells, 35 x 26 pixels each, 39 pixels apart across and 30 down
// after a 4-pixel margin, so that it fills a 199 x 124 client area.
constexpr int32_t kPaletteRows = 4;
constexpr int32_t kPaletteColumns = 5;
constexpr int32_t kPaletteCellCount = kPaletteRows * kPaletteColumns;
constexpr int32_t kPaletteMargin = 4;
constexpr int32_t kPaletteCellWidth = 35;
constexpr int32_t kPaletteCellHeight = 26;
constexpr int32_t kPaletteStepX = 39;
constexpr int32_t kPaletteStepY = 30;
constexpr int32_t kPaletteClientWidth = 199;
constexpr int32_t kPaletteClientHeight = 124;

// Row by row, COLORREF values (0x00BBGGRR).
extern const COLORREF kPaletteColors[kPaletteCellCount];

// The box of cell index (row * 5 + column) in the palette's client area.
winui::Rect paletteCellRect(int32_t index);

// The cell that a click at (x, y) of a palette client area of that size picks, -1 for none. A
// click outside the client area (the mouse is captured, so it may come from anywhere on the
// screen) picks nothing; inside, the margin above and left of the cells counts to the first row
// and column, the gap after a cell to that cell, and what lies right of or below the last
// cells to none.
int32_t paletteCellAt(int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight);

// (30 red + 59 green + 12 blue) / 100.
int32_t colorLuma(COLORREF color);

// The colour of a short name drawn on its entry's colour: the window text colour on light
// colours (luma 96 or more), light grey 0xE0E0E0 on dark ones.
COLORREF nameTextColor(COLORREF entryColor, COLORREF windowText);
