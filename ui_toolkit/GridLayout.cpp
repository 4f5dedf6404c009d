#include "ui_toolkit/GridLayout.h"

#include "ui_toolkit/GridContentProvider.h"

#include <algorithm>
#include <limits>

namespace winui {

namespace {

// Pixel sums are kept in 64 bits: a provider may give sizes that overflow 32 bits together.
int32_t toPixel(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

int32_t GridAxis::count() const {
    const int32_t n = kind_ == Rows ? provider_.rowCount() : provider_.columnCount();
    return std::max<int32_t>(n, 0);
}

int32_t GridAxis::size(int32_t index) const {
    const int32_t s = kind_ == Rows ? provider_.rowHeight(index) : provider_.columnWidth(index);
    return std::max<int32_t>(s, 0);
}

GridHit gridHitTest(const GridAxis& axis, int32_t first, int32_t extent, int32_t position) {
    const int32_t count = axis.count();
    int64_t edge = 0;
    first = std::max<int32_t>(first, 0);
    for (int32_t i = first, scanned = 0; i < count && scanned < kGridScanLimit; ++i, ++scanned) {
        const int64_t end = edge + axis.size(i);
        if (edge <= position && position < end)
            return GridHit{i, toPixel(edge)};
        if (end >= extent)
            break;
        edge = end;
    }
    return GridHit{};
}

GridSpan gridSpan(const GridAxis& axis, int32_t first, int32_t extent, int32_t index) {
    if (index < first || index < 0 || index >= axis.count())
        return GridSpan{};
    int64_t edge = 0;
    for (int32_t i = std::max<int32_t>(first, 0); i < index; ++i) {
        if (edge >= extent || i - first >= kGridScanLimit)
            return GridSpan{};
        edge += axis.size(i);
    }
    if (edge >= extent)
        return GridSpan{};
    return GridSpan{true, toPixel(edge), toPixel(edge + axis.size(index))};
}

int32_t gridFirstFitting(const GridAxis& axis, int32_t extent, int32_t last) {
    last = std::min(last, axis.count() - 1);
    if (last <= 0)
        return 0;
    int64_t room = extent;
    for (int32_t i = last, scanned = 0; i >= 0; --i, ++scanned) {
        if (scanned >= kGridScanLimit)
            return i + 1;
        room -= axis.size(i);
        if (room < 0)
            return std::min(i + 1, last);
    }
    return 0;
}

int32_t gridLastFirst(const GridAxis& axis, int32_t extent) {
    const int32_t count = axis.count();
    return count > 0 ? gridFirstFitting(axis, extent, count - 1) : 0;
}

int32_t gridScrollTarget(const GridAxis& axis, int32_t extent, int32_t current, int32_t lastFirst,
                         int32_t request, int32_t thumb) {
    switch (request) {
    case GridLineUp:
        return current > 0 ? current - 1 : current;
    case GridLineDown:
        return current < lastFirst ? current + 1 : current;
    case GridPageUp:
        // The old first item becomes the last one shown; when even the item before it does not
        // fit with it, the page still moves by one.
        return current > 0 ? std::min(gridFirstFitting(axis, extent, current), current - 1) : current;
    case GridPageDown: {
        const GridHit atEnd = gridHitTest(axis, current, extent, extent - 1);
        if (atEnd.index >= 0 && atEnd.index + 1 < axis.count())
            return std::min(atEnd.index + 1, lastFirst);
        return current;
    }
    case GridThumbTrack:
        return std::clamp(thumb, 0, std::max(lastFirst, 0));
    case GridTop:
        return current > 0 ? 0 : current;
    case GridBottom:
        return current < lastFirst ? lastFirst : current;
    default:
        return current;
    }
}

GridMove gridMove(const GridAxis& axis, int32_t extent, int32_t oldFirst, int32_t newFirst) {
    GridMove move;
    if (newFirst == oldFirst + 1 && oldFirst >= 0) {
        const int32_t d = axis.size(oldFirst);
        if (d < extent) {
            move.shift = true;
            move.offset = -d;
            move.clipStart = 0;
            move.clipEnd = extent - d;
            move.stripStart = extent - d;
            move.stripEnd = extent;
        }
    } else if (newFirst == oldFirst - 1 && newFirst >= 0) {
        const int32_t d = axis.size(newFirst);
        if (d < extent) {
            move.shift = true;
            move.offset = d;
            move.clipStart = d;
            move.clipEnd = extent;
            move.stripStart = 0;
            move.stripEnd = d;
        }
    }
    return move;
}

} // namespace winui
