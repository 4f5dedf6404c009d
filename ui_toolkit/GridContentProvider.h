#pragma once

#include "core/events/HandlerList.h"
#include "core/values/Rect.h"

#include <cstdint>

namespace winui {

class Canvas;

// The data and painting source of a Grid: how many rows and columns there are, how tall and
// wide each one is, and how a cell and the area below the last row are painted. The provider
// reports its own changes through the five events; the grid never polls. Sizes of 0 or less
// count as 0 in the grid.
class GridContentProvider {
public:
    GridContentProvider() = default;
    GridContentProvider(const GridContentProvider&) = delete;
    GridContentProvider& operator=(const GridContentProvider&) = delete;
    virtual ~GridContentProvider() = default;

    virtual int32_t rowCount() { return 0; }
    virtual int32_t columnCount() { return 0; }
    virtual int32_t rowHeight(int32_t row) { return 0; }
    virtual int32_t columnWidth(int32_t column) { return 0; }
    virtual void drawCell(int32_t row, int32_t column, Canvas& canvas, const Rect& cell) {}
    // The client area below the last row.
    virtual void drawEmptyArea(Canvas& canvas, const Rect& area) {}

    // Fired without arguments when the columns or the rows were added, removed or resized.
    HandlerList columnsChanged;
    HandlerList rowsChanged;
    // Fired without arguments when anything shown may have changed.
    HandlerList contentChanged;
    // Fired with (int32_t row, int32_t column).
    HandlerList cellChanged;
    // Fired with (int32_t row).
    HandlerList rowChanged;
};

} // namespace winui
