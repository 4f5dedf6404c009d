#include "tmx_engine/Segment.h"
#include "viewer/ResultsLayout.h"
#include "viewer/tests/FakeProvider.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every unit 7 pixels wide (8 in the matched font), every line 13 high.
class FixedMeasurer : public RunMeasurer {
public:
    SIZE measure(const std::wstring& text, bool matched) override {
        ++calls;
        return SIZE{static_cast<LONG>(text.size()) * (matched ? 8 : 7), 13};
    }
    int calls = 0;
};

// "left,top,right,bottom[*][m]" per run: * a shape, m matched.
std::string describe(const RowLayout& layout) {
    std::string out;
    for (const SegmentRun& run : layout.runs) {
        if (!out.empty())
            out += ' ';
        out += std::to_string(run.rect.left) + ',' + std::to_string(run.rect.top) + ',' +
               std::to_string(run.rect.right) + ',' + std::to_string(run.rect.bottom);
        if (run.flags & RunShape)
            out += '*';
        if (run.flags & RunMatched)
            out += 'm';
    }
    return out;
}

// A <ph x="1"/> B <g>x</g>
Segment taggedSegment() {
    Segment s = viewertest::segmentOf(L"A");
    appendSegmentStartTag(s, L"ph", true, L"1", L"");
    appendSegmentText(s, L"B");
    appendSegmentStartTag(s, L"g", false, L"", L" id=\"1\"");
    appendSegmentText(s, L"x");
    appendSegmentEndTag(s, L"g", false);
    return s;
}

TEST(ResultsLayoutTest, PlacesWrapsAndSizesRuns) {
    const struct {
        const char* name;
        Segment segment;
        std::set<std::wstring> matched;
        RunLayoutOptions options;
        const char* runs;
        int32_t bottom;
    } cases[] = {
        {"one line", viewertest::segmentOf(L"Open the file"), {}, {200, true, true},
         "9,8,37,21 37,8,44,21 44,8,65,21 65,8,72,21 72,8,100,21", 29},
        // The limit is 60 - 9: "the" and "file" would pass it and start new lines.
        {"wrapped", viewertest::segmentOf(L"Open the file"), {}, {60, true, true},
         "9,8,37,21 37,8,44,21 9,22,30,35 30,22,37,35 9,36,37,49", 57},
        // A word wider than the column stays on the first line rather than leaving it empty.
        {"too wide", viewertest::segmentOf(L"Antidisestablishment"), {}, {60, true, true},
         "9,8,149,21", 29},
        // Shapes stand 3 pixels off their neighbours: a placeholder is max(w + h/3, h - 4)
        // wide, an opening or closing tag w + 3h/5.
        {"shapes", taggedSegment(), {}, {200, true, true},
         "9,8,16,21 19,8,30,21* 33,8,40,21 43,8,57,21* 60,8,67,21 70,8,84,21*", 29},
        // Hidden tags take no room; one that ends the segment does not cut the row short.
        {"tags hidden", taggedSegment(), {}, {200, true, false},
         "9,8,16,21 19,8,30,21* 33,8,40,21 40,8,40,8 40,8,47,21 47,8,47,8", 29},
        {"placeholders hidden", taggedSegment(), {}, {200, false, true},
         "9,8,16,21 16,8,16,8 16,8,23,21 26,8,40,21* 43,8,50,21 53,8,67,21*", 29},
        // The space inside a matched phrase is matched too, and matched runs use their font.
        {"matched phrase", viewertest::segmentOf(L"New York is new"), {L"new", L"york"}, {200, true, true},
         "9,8,33,21m 33,8,41,21m 41,8,73,21m 73,8,80,21 80,8,94,21 94,8,101,21 101,8,125,21m", 29},
        {"empty", Segment(), {L"new"}, {200, true, true}, "", 16},
        // A line break starts a new line (the break's run has no width); each further break an
        // empty line; blanks after the last break indent the next line; a tab is four blanks.
        {"line feed", viewertest::segmentOf(L"a\nb"), {}, {200, true, true},
         "9,8,16,21 16,8,16,21 9,22,16,35", 43},
        {"CR LF and a tab", viewertest::segmentOf(L"a\r\n\tb"), {}, {200, true, true},
         "9,8,16,21 16,8,16,21 37,22,44,35", 43},
        {"empty line", viewertest::segmentOf(L"a \n\u2028b"), {}, {200, true, true},
         "9,8,16,21 16,8,23,21 9,36,16,49", 57},
        {"tab", viewertest::segmentOf(L"a\tb"), {}, {200, true, true}, "9,8,16,21 16,8,44,21 44,8,51,21", 29},
        // A break that ends the segment adds no empty line; one within a matched phrase is matched.
        {"break at the end, matched", viewertest::segmentOf(L"New\nYork\n"), {L"new", L"york"}, {200, true, true},
         "9,8,33,21m 33,8,33,21m 9,22,41,35m 41,22,41,35", 43},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FixedMeasurer measurer;
        RowLayout layout;
        layoutSegmentRuns(c.segment, c.matched, c.options, measurer, layout);
        EXPECT_EQ(describe(layout), c.runs);
        EXPECT_EQ(layout.box, winui::Rect(0, 0, c.options.columnWidth, c.bottom));
    }
}

TEST(ResultsLayoutTest, LongSegmentEndsInAnEllipsisThatSelectsNothing) {
    std::wstring text;
    for (int i = 0; i < 100; ++i)
        text += L"ab ";
    const Segment segment = viewertest::segmentOf(text);
    ASSERT_EQ(segment.size(), 200u);
    FixedMeasurer measurer;
    RowLayout layout;
    layoutSegmentRuns(segment, {}, {400, true, true}, measurer, layout);
    ASSERT_EQ(layout.runs.size(), kMaxRuns);
    EXPECT_EQ(measurer.calls, 150);
    EXPECT_EQ(runText(segment, 149), L"...");
    EXPECT_EQ(layout.runs[149].rect.width(), 21);
    EXPECT_EQ(runText(segment, 148), segment[148].text);

    EXPECT_EQ(selectedRunElements(segment, 147, 149).size(), 2u);
    EXPECT_EQ(selectedRunElements(segment, 149, 149).size(), 0u);
    EXPECT_EQ(selectedRunElements(segment, 5, 2).size(), 4u);
    EXPECT_EQ(selectedRunElements(segment, -1, 2).size(), 0u);
    // A segment of exactly 150 elements shows them all.
    const Segment full(segment.begin(), segment.begin() + 150);
    EXPECT_EQ(runText(full, 149), full[149].text);
    EXPECT_EQ(selectedRunElements(full, 0, 149).size(), 150u);
}

TEST(ResultsLayoutTest, HitTestsAndBoundsOfRuns) {
    FixedMeasurer measurer;
    RowLayout layout;
    layoutSegmentRuns(viewertest::segmentOf(L"Open the file"), {}, {60, true, true}, measurer, layout);
    EXPECT_EQ(runAt(layout, 9, 8), 0);
    EXPECT_EQ(runAt(layout, 36, 20), 0);
    EXPECT_EQ(runAt(layout, 37, 8), 1);
    EXPECT_EQ(runAt(layout, 50, 10), -1);
    EXPECT_EQ(runAt(layout, 20, 40), 4);
    EXPECT_EQ(runAt(layout, 8, 8), -1);
    EXPECT_EQ(runsBounds(layout), winui::Rect(9, 8, 44, 49));
    EXPECT_EQ(runsBounds(RowLayout()), winui::Rect());
}

TEST(RowLayoutCacheTest, KeepsOnlyTheRowsLatelyUsed) {
    RowLayoutCache cache(3);
    for (int32_t row = 0; row < 3; ++row) {
        auto layout = std::make_unique<RowLayout>();
        layout->box.bottom = row;
        cache.store(row, std::move(layout));
    }
    ASSERT_NE(cache.find(0), nullptr); // row 0 is now the latest, row 1 the oldest
    cache.store(7, std::make_unique<RowLayout>());
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.find(1), nullptr);
    ASSERT_NE(cache.find(2), nullptr);
    EXPECT_EQ(cache.find(2)->box.bottom, 2);
    EXPECT_NE(cache.find(0), nullptr);
    // Storing a row again replaces its layout without growing.
    auto replaced = std::make_unique<RowLayout>();
    replaced->box.bottom = 99;
    cache.store(2, std::move(replaced));
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.find(2)->box.bottom, 99);

    // However many rows pass through it, the cache stays at its capacity.
    RowLayoutCache big(64);
    for (int32_t row = 0; row < 100000; ++row)
        big.store(row, std::make_unique<RowLayout>());
    EXPECT_EQ(big.size(), 64u);
    EXPECT_NE(big.find(99999), nullptr);
    EXPECT_EQ(big.find(99935), nullptr);
    big.clear();
    EXPECT_EQ(big.size(), 0u);
}

} // namespace
