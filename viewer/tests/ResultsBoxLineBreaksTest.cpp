#include "viewer/TmxViewerForm.h"

#include "core/l10n/Localization.h"
#include "core/tests/TestFiles.h"
#include "tmx_engine/SegmentRenderer.h"
#include "ui_toolkit/Edit.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/WindowCapture.h"
#include "ui_toolkit/tests/RealInput.h"
#include "ui_toolkit/tests/WindowPixels.h"
#include "viewer/TmxViewerResultsBox.h"
#include "viewer/tests/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Lets real input arrive and be handled.
void settle(DWORD ms) { pumpUntil([] { return false; }, ms); }

// The pixels of a rectangle of the image, row by row.
std::vector<COLORREF> pixelsOf(const winui::Image& image, const winui::Rect& r) {
    std::vector<COLORREF> out;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            out.push_back(window_pixels::pixel(image, x, y));
    return out;
}

// Pixels of the rectangle that differ from the background.
int inkIn(const winui::Image& image, const winui::Rect& r, COLORREF background) {
    int ink = 0;
    for (const COLORREF p : pixelsOf(image, r))
        ink += p != background ? 1 : 0;
    return ink;
}

winui::Rect shifted(const winui::Rect& r, int32_t dy) { return winui::Rect(r.left, r.top + dy, r.right, r.bottom + dy); }

// Two units with the same words: one with two line breaks and a tab between them, one on one
// line. The memory is opened in the main window, the query typed into the search field and sent
// with Enter, and the results box is captured as it shows on screen.
TEST(ResultsBoxLineBreaksTest, LineBreaksStartLinesAndTabsShowAsBlankSpace) {
    const realinput::CursorKeeper cursor;
    resetSettings();
    Localization::instance().setLanguage(L"English");
    testfiles::TempDir dir(L"results-breaks");
    const std::wstring tmx = dir.file(L"breaks.tmx");
    ASSERT_TRUE(testfiles::writeText(
        tmx, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tmx version=\"1.4\">\n"
             "<header creationtool=\"t\" srclang=\"en-GB\"/>\n<body>\n"
             "<tu tuid=\"broken\"><tuv xml:lang=\"en-GB\"><seg>Select applications&#13;&#10;for\n\tthe users</seg></tuv>"
             "<tuv xml:lang=\"de-DE\"><seg>eins</seg></tuv></tu>\n"
             "<tu tuid=\"flat\"><tuv xml:lang=\"en-GB\"><seg>Select applications for the users</seg></tuv>"
             "<tuv xml:lang=\"de-DE\"><seg>zwei</seg></tuv></tu>\n"
             "</body>\n</tmx>\n"));

    auto form = std::make_unique<TmxViewerForm>();
    form->setPrompts(std::make_unique<ScriptedPrompts>());
    ShowWindow(form->hwnd, SW_SHOWNORMAL);
    SetWindowPos(form->hwnd, HWND_TOP, 0, 0, 900, 600, SWP_NOMOVE);
    SetForegroundWindow(form->hwnd);
    form->load(tmx);
    ASSERT_TRUE(pumpUntil([&] { return !form->busy() && form->provider(); }, 30000));

    RECT field = {};
    GetClientRect(form->searchField()->hwnd, &field);
    realinput::click(form->searchField()->hwnd, field.right / 2, field.bottom / 2);
    settle(200);
    ASSERT_EQ(GetFocus(), form->searchField()->hwnd);
    realinput::pressKeys({'U', 'S', 'E', 'R', 'S', VK_RETURN});
    ASSERT_TRUE(pumpUntil([&] { return !form->busy() && form->resultsBox()->results().size() == 2; }, 30000));

    TmxViewerResultsBox& box = *form->resultsBox();
    int32_t brokenRow = -1;
    int32_t flatRow = -1;
    for (size_t i = 0; i < box.results().size(); ++i) {
        const TmxEntry* entry = form->provider()->readEntry(box.results()[i].entryId);
        ASSERT_NE(entry, nullptr);
        (entry->tuid == L"broken" ? brokenRow : flatRow) = static_cast<int32_t>(i * 2);
    }
    ASSERT_GE(brokenRow, 0);
    ASSERT_GE(flatRow, 0);

    const std::wstring png = L"results_box_line_breaks.png";
    ASSERT_TRUE(winui::writeWindowPng(box.hwnd, png));
    winui::Image shot;
    ASSERT_TRUE(winui::captureWindow(box.hwnd, shot));

    const RowLayout* broken = box.rowLayout(brokenRow);
    const RowLayout* flat = box.rowLayout(flatRow);
    ASSERT_TRUE(broken && flat);
    const int32_t lineHeight = flat->runs[0].rect.height();
    // Three lines against one: the row grows by two lines.
    EXPECT_EQ(box.rowHeight(brokenRow), box.rowHeight(flatRow) + 2 * (lineHeight + 1));
    const winui::GridSpan brokenSpan = box.rowBounds(brokenRow);
    const winui::GridSpan flatSpan = box.rowBounds(flatRow);
    ASSERT_TRUE(brokenSpan.visible && flatSpan.visible);

    // Each word shows as the same pixels as in the unit on one line: "for" starts the second line,
    // "the" the third after the tab's blank space.
    const Segment brokenSegment =
        findSegment(*form->provider()->readEntry(box.results()[brokenRow / 2].entryId), L"en-GB").segment;
    const Segment flatSegment =
        findSegment(*form->provider()->readEntry(box.results()[flatRow / 2].entryId), L"en-GB").segment;
    ASSERT_EQ(brokenSegment.size(), broken->runs.size());
    int32_t flatWord = 0;
    int32_t brokenLinesSeen = 0;
    for (size_t i = 0; i < broken->runs.size(); ++i) {
        if (brokenSegment[i].kind == SegmentElementKind::Space)
            continue;
        while (flatSegment[static_cast<size_t>(flatWord)].kind == SegmentElementKind::Space)
            ++flatWord;
        ASSERT_EQ(brokenSegment[i].text, flatSegment[static_cast<size_t>(flatWord)].text);
        const winui::Rect b = shifted(broken->runs[i].rect, brokenSpan.start);
        const winui::Rect f = shifted(flat->runs[static_cast<size_t>(flatWord)].rect, flatSpan.start);
        EXPECT_EQ(pixelsOf(shot, b), pixelsOf(shot, f)) << testing::PrintToString(brokenSegment[i].text);
        if (b.left == kRunsLeft && b.top > brokenSpan.start + kRunsTop)
            ++brokenLinesSeen;
        ++flatWord;
    }
    EXPECT_EQ(brokenLinesSeen, 1);  // "for" at the left edge of line two; "the" stands after the tab
    const winui::Rect the = broken->runs[broken->runs.size() - 3].rect;
    EXPECT_EQ(the.top, kRunsTop + 2 * (lineHeight + 1));
    EXPECT_GT(the.left, kRunsLeft);

    // No box glyph or anything else: the whole cell holds as much ink as the one-line cell.
    const COLORREF background = window_pixels::pixel(shot, 2, brokenSpan.start + 2);
    ASSERT_EQ(window_pixels::pixel(shot, 2, flatSpan.start + 2), background);
    const int32_t width = box.columnWidth(0);
    const int inkBroken = inkIn(shot, winui::Rect(0, brokenSpan.start, width, brokenSpan.start + box.rowHeight(brokenRow)), background);
    const int inkFlat = inkIn(shot, winui::Rect(0, flatSpan.start, width, flatSpan.start + box.rowHeight(flatRow)), background);
    EXPECT_GT(inkFlat, 0);
    EXPECT_EQ(inkBroken, inkFlat);

    // A drag from the first word to the last selects across the breaks, and the copy keeps them.
    const winui::Rect first = shifted(broken->runs.front().rect, brokenSpan.start);
    const winui::Rect last = shifted(broken->runs.back().rect, brokenSpan.start);
    const POINT from = {first.left + 2, (first.top + first.bottom) / 2};
    const POINT to = {last.right - 2, (last.top + last.bottom) / 2};
    realinput::moveTo(box.hwnd, from.x, from.y);
    realinput::mouse(MOUSEEVENTF_LEFTDOWN);
    settle(50);
    for (int step = 1; step <= 8; ++step) {
        realinput::moveTo(box.hwnd, from.x + (to.x - from.x) * step / 8, from.y + (to.y - from.y) * step / 8);
        realinput::mouse(MOUSEEVENTF_MOVE);
        settle(30);
    }
    realinput::mouse(MOUSEEVENTF_LEFTUP);
    settle(100);
    ASSERT_TRUE(box.hasSelection());
    EXPECT_EQ(renderSegmentText(box.selectedElements(), false, false), L"Select applications\r\nfor\n\tthe users");
    ASSERT_TRUE(winui::writeWindowPng(box.hwnd, L"results_box_line_breaks_selected.png"));

    form.reset();
    pumpQueued();
    resetSettings();
}

} // namespace
