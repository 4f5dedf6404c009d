#include "ui_toolkit/GridLayout.h"

#include "ui_toolkit/GridContentProvider.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

using winui::GridAxis;

namespace {

constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();

// Rows whose heights come from a table; rows past its end take the last entry's height.
class HeightTable : public winui::GridContentProvider {
public:
    HeightTable(int32_t count, std::vector<int32_t> heights) : count_(count), heights_(heights) {}
    int32_t rowCount() override { return count_; }
    int32_t rowHeight(int32_t row) override {
        ++measured;
        if (heights_.empty())
            return 0;
        return row < static_cast<int32_t>(heights_.size()) ? heights_[row] : heights_.back();
    }
    int measured = 0;

private:
    int32_t count_;
    std::vector<int32_t> heights_;
};

} // namespace

TEST(GridLayoutTest, LastTopRowIsTheFirstFromWhichTheLastRowFits) {
    struct Case {
        const char* name;
        int32_t count;
        std::vector<int32_t> heights;
        int32_t extent;
        int32_t lastTop;
    };
    const Case cases[] = {
        {"20 rows of 20 in 190: rows 11..19 take 180", 20, {20}, 190, 11},
        // Row 0 is measured like any other: from row 0 the last row would stay partly hidden.
        {"10 rows of 20 in 190", 10, {20}, 190, 1},
        {"9 rows of 20 fit", 9, {20}, 190, 0},
        {"19 rows of 10 fill it exactly", 19, {10}, 190, 0},
        {"no rows", 0, {20}, 190, 0},
        {"a negative count is none", -4, {20}, 190, 0},
        {"one row taller than the view", 1, {500}, 190, 0},
        {"a last row taller than the view is still a top row", 5, {20, 20, 20, 20, 500}, 190, 4},
        {"no client height yet", 5, {20}, 0, 4},
        {"heights of 0 or less count as 0", 12, {20, -50, 0, 20, 20, 20, 20, 20, 20, 20, 20, 20}, 190, 1},
        {"a long run of empty rows ends the walk", 100000, {0}, 190, 100000 - winui::kGridScanLimit},
        {"the largest count", kMaxInt, {20}, 190, kMaxInt - 9},
        {"heights that overflow 32 bits together", 3, {kMaxInt}, 190, 2},
        {"mixed heights", 6, {10, 30, 100, 40, 60, 50}, 190, 3},
    };
    for (const Case& c : cases) {
        HeightTable table(c.count, c.heights);
        EXPECT_EQ(winui::gridLastFirst(GridAxis(table, GridAxis::Rows), c.extent), c.lastTop) << c.name;
        // Only the rows that fit (and the one that does not) are measured.
        if (c.count == kMaxInt) {
            EXPECT_LE(table.measured, 12) << c.name;
        }
    }
}

TEST(GridLayoutTest, HitTestsAndSpansWalkFromTheFirstShownRow) {
    HeightTable table(20, {20});
    const GridAxis rows(table, GridAxis::Rows);
    struct Hit {
        int32_t first;
        int32_t y;
        int32_t row;
        int32_t edge;
    };
    const Hit hits[] = {
        {0, 0, 0, 0}, {0, 19, 0, 0}, {0, 20, 1, 20}, {5, 45, 7, 40},
        {0, 189, 9, 180},   // partly shown
        {0, 190, 9, 180},   // a partly shown row reaches past the client area
        {0, 200, -1, 0},    // below it
        {0, -1, -1, 0},
        {15, 100, -1, 0},   // the gap below the last row
        {25, 0, -1, 0},     // a top row past the rows
    };
    for (const Hit& h : hits) {
        const winui::GridHit hit = winui::gridHitTest(rows, h.first, 190, h.y);
        EXPECT_EQ(hit.index, h.row) << h.first << " " << h.y;
        EXPECT_EQ(hit.edge, h.edge) << h.first << " " << h.y;
    }

    struct Span {
        int32_t first;
        int32_t row;
        bool visible;
        int32_t start;
        int32_t end;
    };
    const Span spans[] = {
        {0, 0, true, 0, 20},
        {0, 9, true, 180, 200},   // partly shown counts
        {0, 10, false, 0, 0},     // starts at the client height
        {5, 4, false, 0, 0},      // above the top row
        {5, 7, true, 40, 60},
        {0, 20, false, 0, 0},     // past the rows
        {0, -1, false, 0, 0},
    };
    for (const Span& s : spans) {
        const winui::GridSpan span = winui::gridSpan(rows, s.first, 190, s.row);
        EXPECT_EQ(span.visible, s.visible) << s.first << " " << s.row;
        EXPECT_EQ(span.start, s.start) << s.first << " " << s.row;
        EXPECT_EQ(span.end, s.end) << s.first << " " << s.row;
    }

    // With a million rows a hit test from a late top row measures only what is in view.
    HeightTable many(1000000, {20});
    EXPECT_EQ(winui::gridHitTest(GridAxis(many, GridAxis::Rows), 700000, 190, 185).index, 700009);
    EXPECT_EQ(winui::gridSpan(GridAxis(many, GridAxis::Rows), 700000, 190, 999999).visible, false);
    EXPECT_LE(many.measured, 24);
}

TEST(GridLayoutTest, ScrollRequestsFromGivenTopRows) {
    // 20 rows of 20 in 190: the last top row is 11.
    HeightTable table(20, {20});
    const GridAxis rows(table, GridAxis::Rows);
    struct Case {
        const char* name;
        int32_t top;
        int32_t request;
        int32_t thumb;
        int32_t expected;
    };
    const Case cases[] = {
        {"line up", 5, winui::GridLineUp, 0, 4},
        {"line up at the top", 0, winui::GridLineUp, 0, 0},
        {"line down", 5, winui::GridLineDown, 0, 6},
        {"line down at the last top row", 11, winui::GridLineDown, 0, 11},
        {"page up: the old top row ends the page", 11, winui::GridPageUp, 0, 3},
        {"page up near the top", 2, winui::GridPageUp, 0, 0},
        {"page up at the top", 0, winui::GridPageUp, 0, 0},
        {"page down: the row after the bottom one", 0, winui::GridPageDown, 0, 10},
        {"page down stops at the last top row", 5, winui::GridPageDown, 0, 11},
        {"page down with a gap below the last row", 11, winui::GridPageDown, 0, 11},
        {"thumb position does not move", 3, winui::GridThumbPosition, 9, 3},
        {"thumb track", 3, winui::GridThumbTrack, 9, 9},
        {"thumb track past the end", 3, winui::GridThumbTrack, 70000, 11},
        {"thumb track below 0", 3, winui::GridThumbTrack, -5, 0},
        {"top", 5, winui::GridTop, 0, 0},
        {"bottom", 5, winui::GridBottom, 0, 11},
        {"bottom at the bottom", 11, winui::GridBottom, 0, 11},
        {"end of scroll", 5, winui::GridEndScroll, 0, 5},
        {"unknown code", 5, 9, 3, 5},
        {"negative code", 5, -1, 3, 5},
        {"largest code", 5, 0xFFFF, 3, 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(winui::gridScrollTarget(rows, 190, c.top, 11, c.request, c.thumb), c.expected) << c.name;

    // Rows taller than the view: page up still moves, by one row.
    HeightTable tall(3, {20, 300, 300});
    EXPECT_EQ(winui::gridScrollTarget(GridAxis(tall, GridAxis::Rows), 190, 2, 2, winui::GridPageUp, 0), 1);
    // No rows: nothing moves.
    HeightTable none(0, {20});
    for (int32_t request = 0; request <= 8; ++request)
        EXPECT_EQ(winui::gridScrollTarget(GridAxis(none, GridAxis::Rows), 190, 0, 0, request, 5), 0)
            << request;
}

TEST(GridLayoutTest, OneRowMovesShiftTheContentOthersRepaintEverything) {
    HeightTable table(20, {30, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 300});
    const GridAxis rows(table, GridAxis::Rows);
    struct Case {
        const char* name;
        int32_t from;
        int32_t to;
        bool shift;
        int32_t offset;
        int32_t clipStart;
        int32_t clipEnd;
        int32_t stripStart;
        int32_t stripEnd;
    };
    const Case cases[] = {
        {"down by the old top row's height", 0, 1, true, -30, 0, 160, 160, 190},
        {"up by the new top row's height", 1, 0, true, 30, 30, 190, 0, 30},
        {"down by one ordinary row", 3, 4, true, -20, 0, 170, 170, 190},
        {"two rows", 3, 5, false, 0, 0, 0, 0, 0},
        {"a row taller than the view", 19, 18, true, 20, 20, 190, 0, 20},
        {"a row taller than the view leaves", 19, 20, false, 0, 0, 0, 0, 0},
        {"no move", 4, 4, false, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const winui::GridMove move = winui::gridMove(rows, 190, c.from, c.to);
        EXPECT_EQ(move.shift, c.shift) << c.name;
        EXPECT_EQ(move.offset, c.offset) << c.name;
        EXPECT_EQ(move.clipStart, c.clipStart) << c.name;
        EXPECT_EQ(move.clipEnd, c.clipEnd) << c.name;
        EXPECT_EQ(move.stripStart, c.stripStart) << c.name;
        EXPECT_EQ(move.stripEnd, c.stripEnd) << c.name;
    }
}
