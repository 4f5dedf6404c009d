#pragma once

#include "tmx_engine/SegmentElement.h"
#include "core/values/Rect.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

// How one segment of the results box is laid out: one run per element, wrapped within the
// segment column. Kept apart from the window so that it is measured with any measurer.

enum RunFlag : uint32_t {
    RunShape = 0x1,   // drawn as a labelled shape (tag or placeholder)
    RunMatched = 0x2, // a word of the query, or a space inside a matched phrase
};

struct SegmentRun {
    winui::Rect rect; // relative to the cell
    uint32_t flags = 0;
};

struct RowLayout {
    winui::Rect box; // 0, 0, the segment column width, the row height
    std::vector<SegmentRun> runs;
};

// Margins of a segment cell: runs start 9 pixels in and 8 down, and the row ends 8 below them.
constexpr int32_t kRunsLeft = 9;
constexpr int32_t kRunsTop = 8;
constexpr int32_t kRunsBottomMargin = 8;
constexpr int32_t kEmptyRowHeight = 16;
// A segment cell shows at most this many runs; the last of them stands for the rest as "...".
constexpr size_t kMaxRuns = 150;

// Text sizes in the box's font, or in the font of matched words.
class RunMeasurer {
public:
    virtual ~RunMeasurer() = default;
    virtual SIZE measure(const std::wstring& text, bool matched) = 0;
};

struct RunLayoutOptions {
    int32_t columnWidth = 0;
    bool showPlaceholders = true;
    bool showTags = true;
};

// Lays out the segment. A segment of more than kMaxRuns elements is cut: its last run is "...".
void layoutSegmentRuns(const Segment& segment, const std::set<std::wstring>& matchedWords,
                       const RunLayoutOptions& options, RunMeasurer& measurer, RowLayout& layout);

// The text a run shows: "..." for the run that ends a cut segment, else the element's text.
const std::wstring& runText(const Segment& segment, size_t run);
bool isEllipsisRun(const Segment& segment, size_t run);

// The first run whose rectangle holds the point (cell coordinates), -1 when none does.
int32_t runAt(const RowLayout& layout, int32_t x, int32_t y);
// The smallest rectangle holding every run (all zero without runs).
winui::Rect runsBounds(const RowLayout& layout);

// The elements from run first to run last (either order), both included; the "..." run of a cut
// segment stands for no element.
Segment selectedRunElements(const Segment& segment, int32_t first, int32_t last);

// The layouts of the rows lately painted or measured, at most capacity of them: the least
// recently used goes first. So a box of half a million results keeps only what is on screen and
// a little around it.
class RowLayoutCache {
public:
    static constexpr size_t kDefaultCapacity = 1024;

    explicit RowLayoutCache(size_t capacity = kDefaultCapacity);

    // The row's layout, or null; a hit counts as a use.
    const RowLayout* find(int32_t row);
    // Stores the row's layout (replacing an older one) and returns it; valid until capacity
    // more rows were stored or the cache is cleared.
    const RowLayout* store(int32_t row, std::unique_ptr<RowLayout> layout);
    void clear();

    size_t size() const { return entries_.size(); }
    size_t capacity() const { return capacity_; }

private:
    struct Entry {
        int32_t row;
        std::unique_ptr<RowLayout> layout;
    };
    using Order = std::list<Entry>;

    size_t capacity_;
    Order order_; // most recently used first
    std::unordered_map<int32_t, Order::iterator> entries_;
};
