#include "ui_toolkit/Grid.h"

#include "core/events/HandlerList.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Toolkit.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace winui {

namespace {

constexpr int64_t kMaxPixel = std::numeric_limits<int32_t>::max();
constexpr uint32_t kGridStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_VSCROLL;

void invalidate(HWND window, const Rect* rect) {
    if (!window)
        return;
    if (rect) {
        const RECT r = {rect->left, rect->top, rect->right, rect->bottom};
        InvalidateRect(window, &r, TRUE);
    } else {
        InvalidateRect(window, nullptr, TRUE);
    }
}

bool sameLook(const SCROLLBARINFO& a, const SCROLLBARINFO& b) {
    return a.xyThumbTop == b.xyThumbTop && a.xyThumbBottom == b.xyThumbBottom &&
           EqualRect(&a.rcScrollBar, &b.rcScrollBar) &&
           std::equal(std::begin(a.rgstate), std::end(a.rgstate), std::begin(b.rgstate));
}

// Sets range, page and position, and redraws the bar only when its thumb or state looks
// different: drawing the bar can cost more than painting the rows, and over many rows most
// one-row moves leave the thumb on the same pixel.
void setScrollBar(HWND window, int bar, int32_t last, int32_t position) {
    if (!window)
        return;
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = last;
    info.nPage = 1;
    info.nPos = position;
    const LONG object = bar == SB_VERT ? OBJID_VSCROLL : OBJID_HSCROLL;
    SCROLLBARINFO before = {};
    before.cbSize = sizeof(before);
    SCROLLBARINFO after = before;
    const bool known = GetScrollBarInfo(window, object, &before);
    SetScrollInfo(window, bar, &info, FALSE);
    if (!known || !GetScrollBarInfo(window, object, &after) || !sameLook(before, after))
        SetScrollInfo(window, bar, &info, TRUE);
}

// The thumb position of a tracking request. The message carries only 16 bits of it, which
// wrap past 65,535 rows; the scroll bar holds all 32.
int32_t trackPosition(HWND window, int bar, WPARAM wParam) {
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_TRACKPOS;
    if (window && GetScrollInfo(window, bar, &info))
        return info.nTrackPos;
    return HIWORD(wParam);
}

} // namespace

GridContentProvider* Grid::emptyProvider() {
    static GridContentProvider empty;
    return &empty;
}

Grid::Grid(Control* parentControl) : Control(parentControl) {
    paintFlags = PaintThroughPaint | EraseSwallow;
    connectProvider();
    createWindow(parent ? parent->hwnd : nullptr, childWindowClass, kGridStyle, 0, false, Rect());
}

Grid::~Grid() {
    // A provider that derives from the grid's own class is gone or going; nothing below may
    // reach it.
    disconnectProvider();
    provider = emptyProvider();
}

void Grid::disconnectProvider() {
    columnsChangedLink.disconnectAll();
    rowsChangedLink.disconnectAll();
    contentChangedLink.disconnectAll();
    cellChangedLink.disconnectAll();
    rowChangedLink.disconnectAll();
}

void Grid::connectProvider() {
    columnsChangedLink.connect(provider->columnsChanged, this, &Grid::onColumnsChanged);
    rowsChangedLink.connect(provider->rowsChanged, this, &Grid::onRowsChanged);
    contentChangedLink.connect(provider->contentChanged, this, &Grid::repaintAll);
    cellChangedLink.connect(provider->cellChanged, this, &Grid::repaintCell);
    rowChangedLink.connect(provider->rowChanged, this, &Grid::repaintRow);
}

void Grid::setProvider(GridContentProvider* newProvider) {
    if (!newProvider)
        newProvider = emptyProvider();
    if (newProvider == provider)
        return;
    abandonPress();
    disconnectProvider();
    provider = newProvider;
    connectProvider();
}

int32_t Grid::firstFittingRow(int32_t row) {
    return gridFirstFitting(rows(), clientRect().height(), row);
}

int32_t Grid::firstFittingColumn(int32_t column) {
    return gridFirstFitting(columns(), clientRect().width(), column);
}

GridHit Grid::rowAt(int32_t y) {
    return gridHitTest(rows(), topRow, clientRect().height(), y);
}

GridHit Grid::columnAt(int32_t x) {
    return gridHitTest(columns(), firstColumn, clientRect().width(), x);
}

GridSpan Grid::rowBounds(int32_t row) {
    return gridSpan(rows(), topRow, clientRect().height(), row);
}

GridSpan Grid::columnBounds(int32_t column) {
    return gridSpan(columns(), firstColumn, clientRect().width(), column);
}

Rect Grid::cellRect(int32_t row, int32_t column) {
    const GridSpan r = rowBounds(row);
    const GridSpan c = columnBounds(column);
    if (!r.visible || !c.visible)
        return Rect();
    return Rect(c.start, r.start, c.end, r.end);
}

void Grid::updateVerticalScrollBar() {
    if (scrollBarFlags & GridVerticalBar)
        setScrollBar(hwnd, SB_VERT, lastTopRow, topRow);
}

void Grid::updateHorizontalScrollBar() {
    if (scrollBarFlags & GridHorizontalBar)
        setScrollBar(hwnd, SB_HORZ, lastFirstColumn, firstColumn);
}

void Grid::onResized() {
    const Rect client = clientRect();
    lastFirstColumn = gridLastFirst(columns(), client.width());
    lastTopRow = gridLastFirst(rows(), client.height());
    updateHorizontalScrollBar();
    updateVerticalScrollBar();
}

// What differs between moving the rows and moving the columns.
struct Grid::AxisState {
    GridAxis::Kind kind;
    bool vertical;
    int32_t Grid::*first;
    int32_t Grid::*last;
    HandlerList Grid::*changed;
    void (Grid::*updateBar)();
};

const Grid::AxisState Grid::kRowAxis = {GridAxis::Rows, true, &Grid::topRow, &Grid::lastTopRow,
                                        &Grid::topRowChanged, &Grid::updateVerticalScrollBar};
const Grid::AxisState Grid::kColumnAxis = {GridAxis::Columns, false, &Grid::firstColumn,
                                           &Grid::lastFirstColumn, &Grid::firstColumnChanged,
                                           &Grid::updateHorizontalScrollBar};

void Grid::moveFirst(const AxisState& axis, int32_t value) {
    const Rect client = clientRect();
    const int32_t extent = axis.vertical ? client.height() : client.width();
    const GridMove move = gridMove(GridAxis(*provider, axis.kind), extent, this->*axis.first, value);
    this->*axis.first = value;
    if (move.shift && hwnd) {
        // Only the band that stays in view moves, so that just the strip is left to repaint.
        // Spans along the axis become rectangles across the whole client area.
        auto across = [&](int32_t start, int32_t end) {
            return axis.vertical ? RECT{0, start, client.right, end} : RECT{start, 0, end, client.bottom};
        };
        const RECT band = across(move.clipStart - move.offset, move.clipEnd - move.offset);
        const RECT all = {0, 0, client.right, client.bottom};
        ScrollWindowEx(hwnd, axis.vertical ? 0 : move.offset, axis.vertical ? move.offset : 0, &band, &all,
                       nullptr, nullptr, SW_INVALIDATE);
        const RECT strip = across(move.stripStart, move.stripEnd);
        InvalidateRect(hwnd, &strip, TRUE);
    } else {
        invalidate(hwnd, nullptr);
    }
    (this->*axis.updateBar)();
    fireHandlers(this->*axis.changed);
}

void Grid::scroll(const AxisState& axis, int32_t request, int32_t thumbPosition) {
    const Rect client = clientRect();
    const int32_t current = this->*axis.first;
    const int32_t target = gridScrollTarget(GridAxis(*provider, axis.kind),
                                            axis.vertical ? client.height() : client.width(), current,
                                            this->*axis.last, request, thumbPosition);
    if (request == GridEndScroll)
        (this->*axis.updateBar)();
    if (target != current)
        moveFirst(axis, target);
}

void Grid::recount(const AxisState& axis) {
    const Rect client = clientRect();
    this->*axis.last = gridLastFirst(GridAxis(*provider, axis.kind),
                                     axis.vertical ? client.height() : client.width());
    if (this->*axis.first > this->*axis.last) {
        this->*axis.first = this->*axis.last;
        fireHandlers(this->*axis.changed);
    }
    (this->*axis.updateBar)();
    invalidate(hwnd, nullptr);
}

void Grid::setTopRow(int32_t row) {
    row = std::clamp(row, 0, std::max(lastTopRow, 0));
    if (row != topRow)
        moveFirst(kRowAxis, row);
}

void Grid::scrollVertically(int32_t request, int32_t thumbPosition) {
    scroll(kRowAxis, request, thumbPosition);
}

void Grid::scrollHorizontally(int32_t request, int32_t thumbPosition) {
    scroll(kColumnAxis, request, thumbPosition);
}

void Grid::scrollColumns(int32_t step) {
    const int64_t wanted = static_cast<int64_t>(firstColumn) + step;
    const int32_t column =
        static_cast<int32_t>(std::clamp<int64_t>(wanted, 0, std::max(lastFirstColumn, 0)));
    if (column == firstColumn)
        return;
    firstColumn = column;
    updateHorizontalScrollBar();
    fireHandlers(firstColumnChanged);
    invalidate(hwnd, nullptr);
}

void Grid::ensureRowVisible(int32_t row) {
    if (row < 0 || row >= rows().count() || columns().count() <= 0)
        return;
    const bool rowVisible = rowBounds(row).visible;
    if (columnBounds(0).visible) {
        if (rowVisible)
            return;
        if (row == topRow - 1) {
            setTopRow(topRow - 1);
            return;
        }
        // Only when a row lies at the bottom edge: in the gap below the last row there is
        // no row after it.
        const GridHit bottom = rowAt(clientRect().height() - 1);
        if (bottom.index >= 0 && row == bottom.index + 1) {
            setTopRow(topRow + 1);
            return;
        }
    } else if (rowVisible && firstColumn == 1) {
        scrollColumns(-1);
        return;
    }
    const int32_t oldTop = topRow;
    const int32_t oldFirst = firstColumn;
    firstColumn = 0;
    topRow = std::min(row, std::max(lastTopRow, 0));
    updateHorizontalScrollBar();
    updateVerticalScrollBar();
    invalidate(hwnd, nullptr);
    if (firstColumn != oldFirst)
        fireHandlers(firstColumnChanged);
    if (topRow != oldTop)
        fireHandlers(topRowChanged);
}

void Grid::onColumnsChanged() {
    recount(kColumnAxis);
}

void Grid::onRowsChanged() {
    recount(kRowAxis);
}

void Grid::repaintAll() {
    invalidate(hwnd, nullptr);
}

void Grid::repaintCell(int32_t row, int32_t column) {
    const Rect cell = cellRect(row, column);
    if (!cell.isEmpty())
        invalidate(hwnd, &cell);
}

void Grid::repaintRow(int32_t row) {
    const GridSpan span = rowBounds(row);
    if (span.visible) {
        const Rect band(0, span.start, clientRect().width(), span.end);
        invalidate(hwnd, &band);
    }
}

void Grid::onMessage(Message& message) {
    switch (message.message) {
    case WM_VSCROLL:
    case WM_HSCROLL: {
        const bool vertical = message.message == WM_VSCROLL;
        const int32_t request = LOWORD(message.wParam);
        const int32_t thumb = request == GridThumbTrack
                                  ? trackPosition(hwnd, vertical ? SB_VERT : SB_HORZ, message.wParam)
                                  : HIWORD(message.wParam);
        if (vertical)
            scrollVertically(request, thumb);
        else
            scrollHorizontally(request, thumb);
        message.result = 0;
        message.handled = true;
        break;
    }
    case WM_CAPTURECHANGED:
        // A message box or a switch to another window took the mouse mid-press: no release
        // will come, so the press ends here.
        if (pressCaptured_ && reinterpret_cast<HWND>(message.lParam) != hwnd)
            abandonPress();
        break;
    default:
        break;
    }
}

void Grid::paint(Canvas& canvas, const Rect& update) {
    const Rect client = clientRect();
    GridAxis rowAxis = rows();
    GridAxis columnAxis = columns();
    const int32_t rowCount = rowAxis.count();
    const int32_t columnCount = columnAxis.count();

    int32_t row = topRow;
    int64_t y = 0;
    const GridHit startRow = gridHitTest(rowAxis, topRow, client.height(), update.top);
    bool drawing = true;
    if (startRow.index >= 0) {
        row = startRow.index;
        y = startRow.edge;
    } else {
        // The update area begins below the rows (or they give no room): no row is painted,
        // only where they end is needed for the empty area.
        drawing = false;
    }
    const GridHit startColumn = gridHitTest(columnAxis, firstColumn, client.width(), update.left);
    const int32_t column0 = startColumn.index >= 0 ? startColumn.index : firstColumn;
    const int64_t x0 = startColumn.index >= 0 ? startColumn.edge : 0;

    for (int32_t scanned = 0; row < rowCount; ++row, ++scanned) {
        if (y >= update.bottom || scanned >= kGridScanLimit)
            return;
        const int32_t h = rowAxis.size(row);
        if (drawing) {
            int64_t x = x0;
            for (int32_t column = column0, across = 0;
                 column < columnCount && x < update.right && across < kGridScanLimit;
                 ++column, ++across) {
                const int64_t w = columnAxis.size(column);
                const Rect cell(static_cast<int32_t>(x), static_cast<int32_t>(y),
                                static_cast<int32_t>(std::min<int64_t>(x + w, kMaxPixel)),
                                static_cast<int32_t>(std::min<int64_t>(y + h, kMaxPixel)));
                provider->drawCell(row, column, canvas, cell);
                x += w;
            }
        }
        y += h;
    }
    provider->drawEmptyArea(canvas, Rect(client.left, static_cast<int32_t>(y), client.right,
                                         client.bottom));
}

Rect Grid::cellRectAt(const GridHit& row, const GridHit& column) {
    return Rect(column.edge, row.edge, column.edge + columns().size(column.index),
                row.edge + rows().size(row.index));
}

void Grid::clearPress() {
    pressCaptured_ = false;
    pressedRow = -1;
    pressedColumn = -1;
    mouseX = -1;
    mouseY = -1;
    pressedCellRect = Rect();
}

void Grid::abandonPress() {
    if (!isPressed())
        return;
    clearPress();
    releaseCapture();
}

void Grid::onMouseDown(int32_t x, int32_t y, int32_t button) {
    if (button != 0)
        return;
    mouseX = x;
    mouseY = y;
    const GridHit row = rowAt(y);
    const GridHit column = columnAt(x);
    if (row.index < 0 || column.index < 0) {
        clearPress();
        return;
    }
    pressedRow = row.index;
    pressedColumn = column.index;
    if (hwnd) {
        SetCapture(hwnd);
        pressCaptured_ = true;
    }
    pressedCellRect = cellRectAt(row, column);
    fireHandlers(cellPressed);
}

void Grid::onMouseMove(int32_t x, int32_t y) {
    if (!isPressed())
        return;
    mouseX = x;
    mouseY = y;
    fireHandlers(mouseDragged);
}

void Grid::onMouseUp(int32_t x, int32_t y, int32_t button) {
    if (button != 0 || !isPressed())
        return;
    // Letting go of the capture ourselves is no lost capture.
    pressCaptured_ = false;
    releaseCapture();
    mouseX = x;
    mouseY = y;
    fireHandlers(mouseReleased);
    clearPress();
}

void Grid::onDoubleClick(int32_t x, int32_t y) {
    const GridHit row = rowAt(y);
    const GridHit column = columnAt(x);
    if (row.index >= 0 && column.index >= 0)
        fireHandlersT2(cellDoubleClicked, row.index, column.index);
}

void Grid::onContextMenu(int32_t x, int32_t y) {
    if (isPressed())
        return;
    const GridHit row = rowAt(y);
    const GridHit column = columnAt(x);
    if (row.index >= 0 && column.index >= 0) {
        pressedRow = row.index;
        pressedColumn = column.index;
        pressedCellRect = cellRectAt(row, column);
    }
    fireHandlersT1(contextMenuRequested, Point(x, y));
    clearPress();
}

} // namespace winui
