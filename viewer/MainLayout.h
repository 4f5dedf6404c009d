#pragma once

#include "core/values/Rect.h"

#include <cstdint>

// Where the main window's four controls stand, for a client area of width x height and a row
// height (the height of "W" in the search field's font + 7). The language list is 400 high so
// that its drop-down has room; the search field ends 8 pixels before the language list when the
// list is shown and 8 pixels before the "Search" button when it is hidden.
struct MainLayout {
    winui::Rect searchField;
    winui::Rect searchButton;
    winui::Rect languageList;
    winui::Rect resultsBox;
};

MainLayout computeMainLayout(int32_t width, int32_t height, int32_t rowHeight, bool listVisible);

// The row height for a measured height of "W" (0 when it could not be measured).
constexpr int32_t mainRowHeight(int32_t textHeight) { return textHeight + 7; }
