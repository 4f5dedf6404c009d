#include "group_builder/EntryColors.h"

namespace {

const int32_t kDarkLuma = 96;
const COLORREF kLightText = 0x00E0E0E0;

} // namespace

const COLORREF kPaletteColors[kPaletteCellCount] = {
    0x0001F113, 0x0000EE89, 0x001CE3F8, 0x0017A2FF, 0x000F0FFF, //
    0x00B7F768, 0x00EFEA1F, 0x00FF9F1F, 0x00E33ED7, 0x008524FB, //
    0x00737B22, 0x00EFD287, 0x00C5C5C5, 0x00FF9F9F, 0x001F0D9F, //
    0x00368536, 0x003E6053, 0x008F582C, 0x00274F89, 0x00EB2414, //
};

winui::Rect paletteCellRect(int32_t index) {
    const int32_t left = kPaletteMargin + kPaletteStepX * (index % kPaletteColumns);
    const int32_t top = kPaletteMargin + kPaletteStepY * (index / kPaletteColumns);
    return winui::Rect(left, top, left + kPaletteCellWidth, top + kPaletteCellHeight);
}

int32_t paletteCellAt(int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight) {
    if (x < 0 || y < 0 || x >= clientWidth || y >= clientHeight)
        return -1;
    // Division truncates toward zero, so the margin joins the first row and column.
    const int32_t row = (y - kPaletteMargin) / kPaletteStepY;
    const int32_t column = (x - kPaletteMargin) / kPaletteStepX;
    if (row < 0 || row >= kPaletteRows || column < 0 || column >= kPaletteColumns)
        return -1;
    return row * kPaletteColumns + column;
}

int32_t colorLuma(COLORREF color) {
    const int32_t red = GetRValue(color);
    const int32_t green = GetGValue(color);
    const int32_t blue = GetBValue(color);
    return (30 * red + 59 * green + 12 * blue) / 100;
}

COLORREF nameTextColor(COLORREF entryColor, COLORREF windowText) {
    return colorLuma(entryColor) >= kDarkLuma ? windowText : kLightText;
}
