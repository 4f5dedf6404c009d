#pragma once

#include "core/values/Rect.h"

#include <cstdint>

// The arithmetic of a Grid, free of any window: hit tests, visibility, fitting and the new
// position for a scroll request, along one axis (rows over the client height, or columns over
// the client width). Every function walks only the items that lie in view from the first one
// shown, so its cost does not grow with the item count; sizes of 0 or less count as 0, and a
// walk gives up after kGridScanLimit items so that a long run of empty rows cannot hang it.

namespace winui {

class GridContentProvider;

// Scroll requests, as the scroll bar messages carry them in the low word of wParam.
enum GridScrollRequest : int32_t {
    GridLineUp = 0,
    GridLineDown = 1,
    GridPageUp = 2,
    GridPageDown = 3,
    GridThumbPosition = 4,
    GridThumbTrack = 5,
    GridTop = 6,
    GridBottom = 7,
    GridEndScroll = 8,
};

// The most items one walk looks at. Far above what any client area shows unless the items
// are empty.
constexpr int32_t kGridScanLimit = 1 << 16;

// One axis of a provider's content: the rows with their heights, or the columns with their
// widths.
class GridAxis {
public:
    enum Kind { Rows, Columns };
    GridAxis(GridContentProvider& provider, Kind kind) : provider_(provider), kind_(kind) {}

    // Negative counts give 0.
    int32_t count() const;
    // 0 for sizes of 0 or less.
    int32_t size(int32_t index) const;

private:
    GridContentProvider& provider_;
    Kind kind_;
};

// An item under a point and its leading edge (top or left); index -1 and edge 0 when none.
struct GridHit {
    int32_t index = -1;
    int32_t edge = 0;
};

// Where an item lies in view: its leading and trailing edges. A partly shown item counts as
// visible; its trailing edge may lie beyond the client area.
struct GridSpan {
    bool visible = false;
    int32_t start = 0;
    int32_t end = 0;
};

// The item that covers the position when the items are laid out from first at 0, within an
// extent (client height or width).
GridHit gridHitTest(const GridAxis& axis, int32_t first, int32_t extent, int32_t position);

// The edges of an item when the items are laid out from first at 0; not visible when it lies
// before first, past the last item, or starts at or beyond the extent.
GridSpan gridSpan(const GridAxis& axis, int32_t first, int32_t extent, int32_t index);

// The smallest first item t for which items t..last all fit within the extent; last itself
// when even it alone does not fit, 0 when last is 0 or less.
int32_t gridFirstFitting(const GridAxis& axis, int32_t extent, int32_t last);

// The largest useful first item: the one from which the last item just fits; 0 without items.
int32_t gridLastFirst(const GridAxis& axis, int32_t extent);

// The first item after a scroll request from current (lastFirst is gridLastFirst). Requests
// that do not move give current; a thumb position is clamped to 0..lastFirst.
int32_t gridScrollTarget(const GridAxis& axis, int32_t extent, int32_t current, int32_t lastFirst,
                         int32_t request, int32_t thumb);

// How the window content follows a change of the first item, along the axis: a move by one
// item shifts the content by that item's size within the clip span and leaves only the strip
// uncovered to repaint; any other move, and a one-item move by at least the whole extent,
// repaints everything.
struct GridMove {
    bool shift = false;
    int32_t offset = 0;     // signed: negative moves the content toward 0
    int32_t clipStart = 0;  // the span the moved content may land in
    int32_t clipEnd = 0;
    int32_t stripStart = 0; // the span to repaint
    int32_t stripEnd = 0;
};
GridMove gridMove(const GridAxis& axis, int32_t extent, int32_t oldFirst, int32_t newFirst);

} // namespace winui
