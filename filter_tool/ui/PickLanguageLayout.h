#pragma once

#include <windows.h>

#include <cstdint>

// The arithmetic of the language picker's grid, apart from its window.

// The code column takes a quarter of the client width, the name column the rest.
struct LanguageColumns {
    int32_t code;
    int32_t name;
};
LanguageColumns languageColumns(int32_t clientWidth);

// A row is the height of a line of text plus 4; 4 when the text could not be measured.
int32_t languageRowHeight(int32_t textHeight);

// The grid lines: the text colour mixed with 80 percent of the background.
COLORREF languageGridLineColor(COLORREF text, COLORREF background);
