#include "tools/gallery/GalleryRows.h"

#include "ui_toolkit/BlendColors.h"
#include "ui_toolkit/Brush.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Style.h"

#include <string>

namespace {

const wchar_t* const kSources[] = {
    L"Press the button to start the engine.",
    L"The file could not be opened.",
    L"Keep the original in a safe place.",
    L"Select the language of the target text.",
    L"All changes are saved automatically.",
};
const wchar_t* const kTargets[] = {
    L"Appuyez sur le bouton pour d\u00e9marrer le moteur.",
    L"Die Datei konnte nicht ge\u00f6ffnet werden.",
    L"Conservate l'originale in un luogo sicuro.",
    L"Seleccione el idioma del texto de destino.",
    L"Alle wijzigingen worden automatisch opgeslagen.",
};
// The last column reaches past any grid width, so that cells cover the whole client area.
constexpr int32_t kWidths[] = {70, 230, 2000};

void fill(winui::Canvas& canvas, const winui::Rect& rect, COLORREF color) {
    const winui::Brush brush(color);
    const RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    FillRect(canvas.dc, &r, brush.handle());
}

} // namespace

COLORREF GalleryRows::color(int32_t index, int systemIndex) const {
    return style_ ? style_->color(index) : GetSysColor(systemIndex);
}

int32_t GalleryRows::rowHeight(int32_t row) {
    ++heightsMeasured;
    return kRowHeight;
}

int32_t GalleryRows::columnWidth(int32_t column) {
    return column >= 0 && column < 3 ? kWidths[column] : 0;
}

void GalleryRows::drawCell(int32_t row, int32_t column, winui::Canvas& canvas, const winui::Rect& cell) {
    ++cellsDrawn;
    const COLORREF window = color(winui::kColorWindow, COLOR_WINDOW);
    const COLORREF text = color(winui::kColorWindowText, COLOR_WINDOWTEXT);
    const COLORREF line = color(winui::kColorButtonShadow, COLOR_BTNSHADOW);
    // Every other row a shade toward the lines, and the rows of tens marked as selected.
    const bool selected = row % 10 == 3;
    const COLORREF back = selected ? color(winui::kColorHighlight, COLOR_HIGHLIGHT)
                          : row % 2 ? winui::blendColors(window, line, 12) : window;
    fill(canvas, cell, back);
    fill(canvas, winui::Rect(cell.left, cell.bottom - 1, cell.right, cell.bottom), line);
    fill(canvas, winui::Rect(cell.right - 1, cell.top, cell.right, cell.bottom), line);

    std::wstring value;
    if (column == 0)
        value = std::to_wstring(static_cast<int64_t>(row) + 1);
    else
        value = (column == 1 ? kSources : kTargets)[row % 5];
    SetBkMode(canvas.dc, TRANSPARENT);
    SetTextColor(canvas.dc, selected ? color(winui::kColorHighlightText, COLOR_HIGHLIGHTTEXT) : text);
    canvas.drawText(value, winui::Rect(cell.left + 4, cell.top, cell.right - 4, cell.bottom - 1),
                    (column == 0 ? DT_RIGHT : DT_LEFT) | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS |
                        DT_NOPREFIX);
}

void GalleryRows::drawEmptyArea(winui::Canvas& canvas, const winui::Rect& area) {
    if (area.bottom > area.top)
        fill(canvas, area, color(winui::kColorWindow, COLOR_WINDOW));
}
