#include "filter_tool/ui/PickLanguageGrid.h"

#include "filter_tool/ui/PickLanguageLayout.h"
#include "ui_toolkit/Brush.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Pen.h"
#include "ui_toolkit/Style.h"

#include <new>

namespace {

constexpr int32_t kTextInset = 3;

void fill(winui::Canvas& canvas, const winui::Rect& rect, COLORREF color) {
    if (rect.isEmpty())
        return;
    const winui::Brush brush(color);
    const RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    FillRect(canvas.dc, &r, brush.handle());
}

} // namespace

PickLanguageGrid::PickLanguageGrid(winui::Control* parent) : winui::Grid(parent) {
    try {
        entries = loadLanguageList(L"LanguageList");
    } catch (const std::bad_alloc&) {
        entries.clear();
    }
    setProvider(this);
    cellPressedLink_.connect(cellPressed, this, &PickLanguageGrid::onCellPressed);
    cellDoubleClickedLink_.connect(cellDoubleClicked, this, &PickLanguageGrid::onCellDoubleClicked);
    measure();
}

PickLanguageGrid::~PickLanguageGrid() {
    // The grid follows this provider's events; it must let go before they go.
    setProvider(nullptr);
}

std::wstring PickLanguageGrid::selectedShortName() const {
    if (selectedRow < 0 || selectedRow >= static_cast<int32_t>(entries.size()))
        return std::wstring();
    return entries[static_cast<size_t>(selectedRow)].shortName;
}

int32_t PickLanguageGrid::rowCount() {
    return static_cast<int32_t>(entries.size());
}

int32_t PickLanguageGrid::columnCount() {
    return 2;
}

int32_t PickLanguageGrid::rowHeight(int32_t) {
    return measuredRowHeight;
}

int32_t PickLanguageGrid::columnWidth(int32_t column) {
    return column == 0 || column == 1 ? columnWidths[column] : 0;
}

void PickLanguageGrid::onResized() {
    const LanguageColumns widths = languageColumns(clientRect().width());
    columnWidths[0] = widths.code;
    columnWidths[1] = widths.name;
    fireHandlers(columnsChanged);
    measure();
    winui::Grid::onResized();
}

void PickLanguageGrid::onFontChanged() {
    measure();
}

void PickLanguageGrid::measure() {
    int32_t textHeight = 0;
    if (HDC dc = GetDC(hwnd)) {
        {
            // The canvas puts the context's own font back before the context goes.
            winui::Canvas canvas(dc);
            canvas.setFont(font);
            SIZE size = {};
            if (GetTextExtentPoint32W(dc, L"W", 1, &size))
                textHeight = size.cy;
        }
        ReleaseDC(hwnd, dc);
    }
    measuredRowHeight = languageRowHeight(textHeight);
    fireHandlers(rowsChanged);
}

void PickLanguageGrid::onCellPressed() {
    selectedRow = pressedRow;
    InvalidateRect(hwnd, nullptr, FALSE);
}

void PickLanguageGrid::onCellDoubleClicked(int32_t row, int32_t) {
    if (row < 0)
        return;
    selectedRow = row;
    InvalidateRect(hwnd, nullptr, FALSE);
    fireHandlers(rowActivated);
}

COLORREF PickLanguageGrid::windowColor() const {
    return style ? style->color(winui::kColorWindow) : GetSysColor(COLOR_WINDOW);
}

COLORREF PickLanguageGrid::windowTextColor() const {
    return style ? style->color(winui::kColorWindowText) : GetSysColor(COLOR_WINDOWTEXT);
}

COLORREF PickLanguageGrid::highlightColor() const {
    return style ? style->color(winui::kColorHighlight) : GetSysColor(COLOR_HIGHLIGHT);
}

COLORREF PickLanguageGrid::highlightTextColor() const {
    return style ? style->color(winui::kColorHighlightText) : GetSysColor(COLOR_HIGHLIGHTTEXT);
}

void PickLanguageGrid::drawCell(int32_t row, int32_t column, winui::Canvas& canvas,
                                const winui::Rect& cell) {
    if (row < 0 || row >= static_cast<int32_t>(entries.size()))
        return;
    const bool selected = row == selectedRow;
    const COLORREF background = selected ? highlightColor() : windowColor();
    const COLORREF text = selected ? highlightTextColor() : windowTextColor();
    const bool codeColumn = column == 0;

    // The cell without its bottom row of pixels, and without its right column in the code
    // column, which carries the line between the two.
    winui::Rect body = cell;
    body.bottom -= 1;
    if (codeColumn)
        body.right -= 1;
    fill(canvas, body, background);

    canvas.setPen(winui::Pen(PS_SOLID, 1, languageGridLineColor(windowTextColor(), windowColor())));
    canvas.moveTo(cell.left, cell.bottom - 1);
    if (codeColumn) {
        canvas.lineTo(cell.right - 1, cell.bottom - 1);
        canvas.lineTo(cell.right - 1, cell.top - 1);
    } else {
        canvas.lineTo(cell.right, cell.bottom - 1);
    }

    const LanguageEntry& entry = entries[static_cast<size_t>(row)];
    winui::Rect textRect = body;
    textRect.left += kTextInset;
    textRect.right -= kTextInset;
    canvas.setFont(font);
    SetTextColor(canvas.dc, text);
    SetBkColor(canvas.dc, background);
    SetBkMode(canvas.dc, OPAQUE);
    canvas.drawText(codeColumn ? entry.shortName : entry.longName, textRect,
                    DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
}

void PickLanguageGrid::drawEmptyArea(winui::Canvas& canvas, const winui::Rect& area) {
    fill(canvas, area, windowColor());
}
