#pragma once

#include "core/events/HandlerHolder.h"
#include "core/events/HandlerList.h"
#include "ui_toolkit/Control.h"
#include "ui_toolkit/GridContentProvider.h"
#include "ui_toolkit/GridLayout.h"

#include <cstdint>

namespace winui {

// Scroll bar bits of Grid::scrollBarFlags.
enum GridScrollBars : int32_t {
    GridHorizontalBar = 1,
    GridVerticalBar = 2,
};

// An owner-painted scrolling table. It owns no data: counts, sizes and the painting of every
// cell come from a GridContentProvider, whose change events the grid follows. The grid keeps
// the scroll position (top row, first column), turns scroll requests into moves of it,
// hit-tests the mouse and reports presses, drags, releases, double clicks and context menu
// requests through its events. Rows are laid out from the top row at y = 0, columns from
// the first column at x = 0. Only the vertical scroll bar is shown; its range counts row
// positions, not pixels.
//
// The provider must outlive the grid or be replaced first; a class that derives from both
// and provides for itself satisfies that.
class Grid : public Control {
public:
    explicit Grid(Control* parent);
    ~Grid() override;

    // The provider of every grid that has none; it has no rows and no columns.
    static GridContentProvider* emptyProvider();

    // Null means the empty provider. Nothing happens for the current one; otherwise a press
    // under way ends and the change events are followed on the new provider. Nothing is
    // recounted or repainted: callers call onResized or fire the provider's events.
    void setProvider(GridContentProvider* newProvider);

    // Moves the view so that the row (clamped to 0..lastTopRow) is the top row.
    void setTopRow(int32_t row);
    // A scroll request (GridScrollRequest) with the thumb position for GridThumbTrack.
    void scrollVertically(int32_t request, int32_t thumbPosition);
    void scrollHorizontally(int32_t request, int32_t thumbPosition);
    // First column + step, clamped to 0..lastFirstColumn.
    void scrollColumns(int32_t step);
    // Scrolls the least that shows the row, or jumps to it.
    void ensureRowVisible(int32_t row);

    // Recomputes the last useful positions and updates the scroll bars; the current position
    // is kept even when it now lies beyond them. Derived classes call it after their own
    // resize work and after changing their data.
    void onResized() override;

    // The row under a client y and its top edge, or index -1.
    GridHit rowAt(int32_t y);
    // The column under a client x and its left edge, or index -1.
    GridHit columnAt(int32_t x);
    GridSpan rowBounds(int32_t row);
    GridSpan columnBounds(int32_t column);
    // The cell's rectangle; all zero when its row or column is not visible.
    Rect cellRect(int32_t row, int32_t column);

    // The smallest top row from which rows top..row all fit the client height (row itself
    // when it alone is taller); 0 for row 0 or less.
    int32_t firstFittingRow(int32_t row);
    int32_t firstFittingColumn(int32_t column);
    void updateVerticalScrollBar();
    void updateHorizontalScrollBar();

    // Followers of the provider's events.
    void onColumnsChanged();
    void onRowsChanged();
    void repaintAll();
    void repaintCell(int32_t row, int32_t column);
    void repaintRow(int32_t row);

    void onMessage(Message& message) override;
    void paint(Canvas& canvas, const Rect& updateRect) override;
    void onMouseMove(int32_t x, int32_t y) override;
    void onMouseDown(int32_t x, int32_t y, int32_t button) override;
    void onMouseUp(int32_t x, int32_t y, int32_t button) override;
    void onContextMenu(int32_t x, int32_t y) override;
    void onDoubleClick(int32_t x, int32_t y) override;

    // Whether a left press is under way.
    bool isPressed() const { return pressedColumn >= 0; }

    // No arguments: a left press on a cell began (pressedRow, pressedColumn, mouseX/Y tell).
    HandlerList cellPressed;
    // No arguments: the press ends with the left button's release (still readable here).
    HandlerList mouseReleased;
    // No arguments: the mouse moved during a press.
    HandlerList mouseDragged;
    // (int32_t row, int32_t column).
    HandlerList cellDoubleClicked;
    // (Point in client coordinates); the cell under it reads as the pressed cell meanwhile.
    HandlerList contextMenuRequested;
    HandlerList firstColumnChanged;
    HandlerList topRowChanged;

    HandlerHolder columnsChangedLink;
    HandlerHolder rowsChangedLink;
    HandlerHolder contentChangedLink;
    HandlerHolder cellChangedLink;
    HandlerHolder rowChangedLink;

    // Never null.
    GridContentProvider* provider = emptyProvider();
    int32_t scrollBarFlags = GridVerticalBar;
    int32_t lastFirstColumn = 0;
    int32_t lastTopRow = 0;
    int32_t firstColumn = 0;
    int32_t topRow = 0;
    // The position of the last mouse event during a press; -1 when there is none.
    int32_t mouseX = -1;
    int32_t mouseY = -1;
    int32_t pressedColumn = -1;
    int32_t pressedRow = -1;
    Rect pressedCellRect;

private:
    GridAxis rows() const { return GridAxis(*provider, GridAxis::Rows); }
    GridAxis columns() const { return GridAxis(*provider, GridAxis::Columns); }
    void connectProvider();
    void disconnectProvider();

    // The rows with the top row, or the columns with the first column.
    struct AxisState;
    static const AxisState kRowAxis;
    static const AxisState kColumnAxis;
    // Moves the first item of the axis to a new value, shifting the content for a one-item
    // move, then updates the bar and fires the event.
    void moveFirst(const AxisState& axis, int32_t value);
    void scroll(const AxisState& axis, int32_t request, int32_t thumbPosition);
    // After the provider's items changed: the last position anew, the first pulled back to it.
    void recount(const AxisState& axis);
    // The rectangle of the cell at two hits.
    Rect cellRectAt(const GridHit& row, const GridHit& column);
    void clearPress();
    // Ends a press without a release (the capture went elsewhere, the provider changed).
    void abandonPress();

    // Set while a left press holds the mouse capture: losing the capture then ends the press.
    // The context menu's passing press holds none, and the grid's own release clears it first.
    bool pressCaptured_ = false;
};

} // namespace winui
