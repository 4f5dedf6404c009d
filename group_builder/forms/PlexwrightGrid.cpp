#include "group_builder/forms/PlexwrightGrid.h"

#include "group_builder/EntryColors.h"
#include "group_builder/forms/GroupFileLoading.h"
#include "tmx_engine/TmxFileGroupParser.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Style.h"

#include <algorithm>

namespace {

// The name column is as wide as the widest short name, at least this, plus a margin.
const int kNameColumnMinimum = 48;
const int kNameColumnMargin = 8;
// Cell text keeps this distance from the cell's left and right edges.
const int kTextInset = 2;
// Rows are this much taller than the font's line, the text centred in them: some fonts draw
// the underscore below their line, and a path is not to lose its underscores.
const int kRowPadding = 4;

const UINT kPathFormat = DT_PATH_ELLIPSIS | DT_NOPREFIX | DT_VCENTER | DT_SINGLELINE;
const UINT kNameFormat = DT_END_ELLIPSIS | DT_NOPREFIX | DT_VCENTER | DT_CENTER | DT_SINGLELINE;

winui::Rect inset(const winui::Rect& cell) {
    return winui::Rect(cell.left + kTextInset, cell.top, cell.right - kTextInset, cell.bottom);
}

void fill(winui::Canvas& canvas, const winui::Rect& rect, COLORREF color) {
    const winui::Brush brush(color);
    const RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    FillRect(canvas.dc, &r, brush.handle());
}

} // namespace

PlexwrightGrid::PlexwrightGrid(winui::Control* parent) : winui::Grid(parent) {
    setProvider(this);
    cellPressedLink_.connect(cellPressed, this, &PlexwrightGrid::onCellPressed);
    cellDoubleClickedLink_.connect(cellDoubleClicked, this, &PlexwrightGrid::onCellDoubleClicked);
    measure();
}

PlexwrightGrid::~PlexwrightGrid() {
    setProvider(nullptr);
}

int32_t PlexwrightGrid::rowCount() {
    return list_.count();
}

int32_t PlexwrightGrid::columnWidth(int32_t column) {
    return column == PathColumn ? pathColumnWidth_ : nameColumnWidth_;
}

void PlexwrightGrid::onResized() {
    measure();
    winui::Grid::onResized();
}

void PlexwrightGrid::onFontChanged() {
    measure();
}

void PlexwrightGrid::measure() {
    int height = 0;
    int widest = kNameColumnMinimum;
    if (hwnd) {
        HDC dc = GetDC(hwnd);
        if (dc) {
            winui::Canvas canvas(dc);
            canvas.setFont(font);
            SIZE size = {0, 0};
            if (GetTextExtentPoint32W(canvas.dc, L"W", 1, &size) && size.cy > 0)
                height = size.cy + kRowPadding;
            for (const GroupEntry& entry : list_.entries()) {
                if (entry.shortName.empty())
                    continue;
                SIZE name = {0, 0};
                if (GetTextExtentPoint32W(canvas.dc, entry.shortName.c_str(),
                                          static_cast<int>(entry.shortName.size()), &name))
                    widest = std::max(widest, static_cast<int>(name.cx));
            }
        }
        if (dc)
            ReleaseDC(hwnd, dc);
    }
    rowHeight_ = height;
    nameColumnWidth_ = widest + kNameColumnMargin;
    pathColumnWidth_ = std::max(0, clientRect().width() - nameColumnWidth_);
    fireHandlers(columnsChanged);
    fireHandlers(rowsChanged);
}

bool PlexwrightGrid::addEntry(const std::wstring& path, const std::wstring& shortName, COLORREF color) {
    int row = -1;
    switch (list_.add(path, shortName, color, row)) {
    case GroupEntryList::AddResult::Added:
        measure();
        ensureRowVisible(row);
        return true;
    case GroupEntryList::AddResult::Existing:
        fireHandlers(contentChanged);
        ensureRowVisible(row);
        return false;
    case GroupEntryList::AddResult::Full:
        break;
    }
    return false;
}

void PlexwrightGrid::updateEntry(int row, const std::wstring& path, const std::wstring& shortName,
                                 COLORREF color) {
    if (!list_.update(row, path, shortName, color))
        return;
    // A longer short name widens its column; nothing else moves.
    const int nameWidth = nameColumnWidth_;
    measure();
    if (nameWidth == nameColumnWidth_)
        fireHandlersT1(rowChanged, static_cast<int32_t>(row));
}

void PlexwrightGrid::removeEntry(int row) {
    if (list_.remove(row))
        fireHandlers(rowsChanged);
}

void PlexwrightGrid::moveUp(int row) {
    if (list_.moveUp(row))
        fireHandlers(contentChanged);
}

void PlexwrightGrid::moveDown(int row) {
    if (list_.moveDown(row))
        fireHandlers(contentChanged);
}

void PlexwrightGrid::clear() {
    if (list_.clear())
        measure();
}

void PlexwrightGrid::selectRow(int row) {
    if (list_.select(row))
        fireHandlers(contentChanged);
}

bool PlexwrightGrid::loadGroupFile(const std::wstring& path) {
    std::vector<GroupEntry> loaded;
    if (!loadGroupEntries(path, loaded))
        return false;
    list_.replace(std::move(loaded));
    measure();
    return true;
}

void PlexwrightGrid::onCellPressed() {
    selectRow(pressedRow);
}

void PlexwrightGrid::onCellDoubleClicked(int32_t row, int32_t column) {
    fireHandlersT1(rowActivated, static_cast<int>(row));
}

COLORREF PlexwrightGrid::styleColor(int32_t styleIndex, int systemIndex) const {
    return style ? style->color(styleIndex) : GetSysColor(systemIndex);
}

COLORREF PlexwrightGrid::fillColor(COLORREF entryColor) const {
    if (entryColor == kNoGroupColor)
        return styleColor(winui::kColorWindow, COLOR_WINDOW);
    return entryColor & 0x00FFFFFF;
}

void PlexwrightGrid::drawCell(int32_t row, int32_t column, winui::Canvas& canvas, const winui::Rect& cell) {
    if (!list_.isRow(row))
        return;
    // Nothing of a cell, a glyph reaching below its line included, may paint over its neighbours.
    const int saved = SaveDC(canvas.dc);
    IntersectClipRect(canvas.dc, cell.left, cell.top, cell.right, cell.bottom);
    drawCellContent(list_.entries()[static_cast<std::size_t>(row)], row == list_.selected(), column, canvas, cell);
    RestoreDC(canvas.dc, saved);
}

void PlexwrightGrid::drawCellContent(const GroupEntry& entry, bool selected, int32_t column, winui::Canvas& canvas,
                                     const winui::Rect& cell) {
    const COLORREF highlight = styleColor(winui::kColorHighlight, COLOR_HIGHLIGHT);
    SetBkMode(canvas.dc, OPAQUE);
    if (column == PathColumn) {
        const COLORREF back = selected ? highlight : styleColor(winui::kColorWindow, COLOR_WINDOW);
        const COLORREF fore = selected ? styleColor(winui::kColorHighlightText, COLOR_HIGHLIGHTTEXT)
                                       : styleColor(winui::kColorWindowText, COLOR_WINDOWTEXT);
        fill(canvas, cell, back);
        SetBkColor(canvas.dc, back);
        SetTextColor(canvas.dc, fore);
        canvas.drawText(entry.path, inset(cell), kPathFormat);
        return;
    }
    const COLORREF back = fillColor(entry.color);
    fill(canvas, cell, back);
    SetBkColor(canvas.dc, back);
    SetTextColor(canvas.dc, nameTextColor(back, styleColor(winui::kColorWindowText, COLOR_WINDOWTEXT)));
    canvas.drawText(entry.shortName, inset(cell), kNameFormat);
    // A frame open to the left: the selected row's name cell joins its highlighted path cell.
    const COLORREF line = selected ? highlight : back;
    fill(canvas, winui::Rect(cell.left, cell.top, cell.right, cell.top + 1), line);
    fill(canvas, winui::Rect(cell.right - 1, cell.top, cell.right, cell.bottom), line);
    fill(canvas, winui::Rect(cell.left, cell.bottom - 1, cell.right, cell.bottom), line);
}

void PlexwrightGrid::drawEmptyArea(winui::Canvas& canvas, const winui::Rect& area) {
    if (area.height() > 0 && area.width() > 0)
        fill(canvas, area, styleColor(winui::kColorWindow, COLOR_WINDOW));
}
