#include "core/events/HandlerHolder.h"
#include "core/settings/Settings.h"
#include "tmx_engine/Segment.h"
#include "tmx_engine/SegmentRenderer.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Form.h"
#include "viewer/TmxViewerResultsBox.h"
#include "viewer/tests/FakeProvider.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using viewertest::FakeProvider;

SearchResults searchResults(const std::vector<uint32_t>& ids) {
    SearchResults results;
    int32_t score = 1000000;
    for (uint32_t id : ids)
        results.add(score--, id);
    return results;
}

// The box's client area painted into a 32-bit bitmap of its own, read back pixel by pixel.
class Snapshot {
public:
    explicit Snapshot(TmxViewerResultsBox& box) {
        const winui::Rect client = box.clientRect();
        width_ = client.width();
        height_ = client.height();
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        {
            winui::Canvas canvas(dc_);
            box.paint(canvas, client);
        }
        GdiFlush();
    }
    ~Snapshot() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    COLORREF at(int32_t x, int32_t y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_)
            return 0xFFFFFFFF;
        const uint32_t p = bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

// A results box 500 x 300 in a form; the settings it reads are cleared before and after. The form
// stays hidden: the box is painted into a bitmap of the test's own.
class ResultsBoxWindow : public ::testing::Test {
public:
    ResultsBoxWindow() : form_(nullptr, 600, 400, 0) {
        Settings::global().clear();
        box_ = new TmxViewerResultsBox(&form_);
        MoveWindow(box_->hwnd, 0, 0, 500, 300, FALSE);
        box_->onResized();
        rowPressedLink_.connect(box_->rowPressed, this, &ResultsBoxWindow::onRowPressed);
        selectionLink_.connect(box_->selectionChanged, this, &ResultsBoxWindow::onSelectionChanged);
    }
    ~ResultsBoxWindow() override {
        box_->clear();
        Settings::global().clear();
    }

    void onRowPressed() { ++rowsPressed_; }
    void onSelectionChanged() { ++selectionsChanged_; }

    // The row's top in the box, -1 when it is not shown.
    int32_t rowTop(int32_t row) {
        const winui::GridSpan span = box_->rowBounds(row);
        return span.visible ? span.start : -1;
    }
    // The centre of run i of a row, in client coordinates.
    POINT runCentre(int32_t row, size_t run) {
        const RowLayout* layout = box_->rowLayout(row);
        const winui::Rect r = layout->runs.at(run).rect;
        return POINT{(r.left + r.right) / 2, rowTop(row) + (r.top + r.bottom) / 2};
    }

    winui::Form form_;
    TmxViewerResultsBox* box_;
    FakeProvider provider_;
    HandlerHolder rowPressedLink_;
    HandlerHolder selectionLink_;
    int rowsPressed_ = 0;
    int selectionsChanged_ = 0;
};

// Only the first "maxSearchResults" results show, two rows each; a count below 1 stands for 25;
// clearing leaves nothing behind that a later export or entry view could use.
TEST_F(ResultsBoxWindow, FillShowsTheFirstResultsAndClearForgetsThem) {
    std::vector<uint32_t> ids;
    for (int i = 0; i < 30; ++i)
        ids.push_back(provider_.addEntry(L"source " + std::to_wstring(i), L"de-DE", L"Ziel"));
    const SearchResults results = searchResults(ids);
    const struct {
        int32_t maximum;
        size_t shown;
    } cases[] = {{25, 25}, {5, 5}, {400, 30}, {0, 25}, {-1, 25}, {-2147483647 - 1, 25}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.maximum);
        box_->fill(L"en-GB", L"de-DE", &provider_, results, c.maximum, L"source");
        ASSERT_EQ(box_->results().size(), c.shown);
        EXPECT_EQ(box_->rowCount(), static_cast<int32_t>(2 * c.shown));
        EXPECT_EQ(box_->results()[0].entryId, ids[0]);
        EXPECT_EQ(box_->columnCount(), 1);
        EXPECT_EQ(box_->columnWidth(0), 500 - GetSystemMetrics(SM_CXVSCROLL));
        EXPECT_GT(box_->rowHeight(0), 16);
        EXPECT_EQ(box_->rowHeight(static_cast<int32_t>(2 * c.shown)), 0);
    }
    box_->clear();
    EXPECT_TRUE(box_->results().empty());
    EXPECT_EQ(box_->rowCount(), 0);
    EXPECT_EQ(box_->columnCount(), 0);
    EXPECT_EQ(box_->rowHeight(0), 0);
    EXPECT_TRUE(box_->selectedElements().empty());
}

TEST_F(ResultsBoxWindow, GroupGetsAMemberColumnAsWideAsItsWidestName) {
    for (int i = 0; i < 4; ++i)
        provider_.addEntry(L"word", L"de-DE", L"Wort");
    provider_.setMembers({L"short", L"a much longer member name"}, {0xEEEEEEEE, 0x00FF00});
    provider_.setMember(1, 1);
    box_->fill(L"en-GB", L"de-DE", &provider_, searchResults({0, 1, 2}), 25, L"word");
    ASSERT_EQ(box_->columnCount(), 2);
    const int32_t member = box_->columnWidth(1);
    EXPECT_GT(member, 0);
    EXPECT_EQ(box_->columnWidth(0) + member, box_->clientRect().width());

    provider_.setMembers({L"short", L"x"}, {0xEEEEEEEE, 0x00FF00});
    box_->fill(L"en-GB", L"de-DE", &provider_, searchResults({0, 1, 2}), 25, L"word");
    EXPECT_LT(box_->columnWidth(1), member);
}

// Pixels of one painted result per colour mode and emphasis: the row backgrounds, a matched space
// inside the phrase "open file", the underline under "open", and the member cell.
TEST_F(ResultsBoxWindow, PaintsTheColoursOfEachModeAndEmphasis) {
    const COLORREF text = 0x000000;
    const COLORREF light = 0xFFFFFF;
    const COLORREF dark = 0x202020;
    const COLORREF second = 0xE0E0E0;
    const COLORREF member = 0x00C000;
    const struct {
        const char* name;
        int32_t style;
        int32_t mode;
        COLORREF background1;
        COLORREF memberColor;
        COLORREF source, target, matchedSpace, underline, memberCell;
    } cases[] = {
        {"underline, plain", MatchedUnderline, MemberColorDoNotApply, light, member,
         light, second, light, text, light},
        {"highlight, plain", MatchedHighlight, MemberColorDoNotApply, light, member,
         light, second, text, 0xFFFFFFFF, light},
        {"highlight, member names", MatchedHighlight, MemberColorNames, light, member,
         light, second, text, 0xFFFFFFFF, light},
        {"underline in member colour", MatchedUnderline, MemberColorMatchedText, light, member,
         light, second, light, member, light},
        {"fallback on light", MatchedUnderline, MemberColorMatchedText, light, 0xEEEEEEEE,
         light, second, light, kMemberColorOnLight, light},
        {"fallback on dark", MatchedUnderline, MemberColorMatchedText, dark, 0xEEEEEEEE,
         dark, second, dark, kMemberColorOnDark, dark},
        {"member background", MatchedBold, MemberColorNamesBackground, light, member,
         light, second, light, 0xFFFFFFFF, member},
        {"segments tinted", MatchedUnderline, MemberColorSegmentsBackground, light, member,
         0xE5F8E5, 0xC9DCC9, 0xE5F8E5, text, 0xE5F8E5},
        {"everything, fallback on dark", MatchedHighlight, MemberColorEverything, dark, 0xEEEEEEEE,
         0x21282D, 0xCED4DA, 0x2B6191, 0xFFFFFFFF, 0x21282D},
    };
    provider_.addEntry(L"open file now", L"de-DE", L"Datei jetzt öffnen");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Settings& settings = Settings::global();
        settings.set<unsigned long>(L"resultsTextColor", text);
        settings.set<unsigned long>(L"resultsBgColor1", c.background1);
        settings.set<unsigned long>(L"resultsBgColor2", second);
        settings.set<int>(L"matchedTextStyle", c.style);
        settings.set<int>(L"tmColorMode", c.mode);
        provider_.setMembers({L"one", L"two"}, {c.memberColor, c.memberColor});
        box_->fill(L"en-GB", L"de-DE", &provider_, searchResults({0}), 25, L"open file");
        const Snapshot shot(*box_);
        const int32_t targetTop = rowTop(1);
        ASSERT_GT(targetTop, 0);
        EXPECT_EQ(shot.at(2, 2), c.source);
        EXPECT_EQ(shot.at(2, targetTop + 2), c.target);
        const POINT space = runCentre(0, 1);
        EXPECT_EQ(shot.at(space.x, space.y), c.matchedSpace);
        if (c.underline != 0xFFFFFFFF) {
            const winui::Rect open = box_->rowLayout(0)->runs[0].rect;
            EXPECT_EQ(shot.at(open.left + 1, open.bottom - 1), c.underline);
        }
        const int32_t memberLeft = box_->columnWidth(0);
        EXPECT_EQ(shot.at(memberLeft + 3, 2), c.memberCell);
        Settings::global().clear();
    }
}

// A drag across runs of one segment selects them; a press alone or a move of three pixels does not.
TEST_F(ResultsBoxWindow, DragSelectsRunsOfOneSegment) {
    provider_.addEntry(L"Open the main window", L"de-DE", L"Hauptfenster öffnen");
    box_->fill(L"en-GB", L"de-DE", &provider_, searchResults({0}), 25, L"window");
    const POINT open = runCentre(0, 0);
    const POINT main = runCentre(0, 4);

    box_->onMouseDown(open.x, open.y, 0);
    EXPECT_EQ(rowsPressed_, 1);
    box_->onMouseMove(open.x + 3, open.y);
    box_->onMouseUp(open.x + 3, open.y, 0);
    EXPECT_FALSE(box_->hasSelection());
    EXPECT_TRUE(box_->selectedElements().empty());
    EXPECT_EQ(selectionsChanged_, 0);

    box_->onMouseDown(main.x, main.y, 0);
    box_->onMouseMove(main.x + 4, main.y); // starts the selection at "main"
    box_->onMouseMove(open.x, open.y);
    box_->onMouseUp(open.x, open.y, 0);
    ASSERT_TRUE(box_->hasSelection());
    EXPECT_EQ(selectionsChanged_, 1);
    EXPECT_EQ(renderSegmentText(box_->selectedElements(), false, false), L"Open the main");

    // A press elsewhere removes the selection and says so.
    const POINT target = runCentre(1, 0);
    box_->onMouseDown(target.x, target.y, 0);
    box_->onMouseUp(target.x, target.y, 0);
    EXPECT_FALSE(box_->hasSelection());
    EXPECT_EQ(selectionsChanged_, 2);
    EXPECT_EQ(rowsPressed_, 3);
}

// Half a million results: only rows that are painted or measured are laid out, and only a
// bounded number of layouts is kept, however far the view moves.
TEST_F(ResultsBoxWindow, LaysOutOnlyWhatIsShown) {
    for (int i = 0; i < 100; ++i)
        provider_.addEntry(L"a result with a few words " + std::to_wstring(i), L"de-DE", L"ein Ergebnis");
    SearchResults results;
    for (uint32_t i = 0; i < 500000; ++i)
        results.add(0, i % 100);
    box_->fill(L"en-GB", L"de-DE", &provider_, results, 500000, L"result");
    EXPECT_EQ(box_->rowCount(), 1000000);
    { const Snapshot shot(*box_); }
    box_->scrollVertically(7, 0);
    EXPECT_GT(box_->topRow, 999900);
    { const Snapshot shot(*box_); }
    for (int i = 0; i < 20; ++i)
        box_->scrollVertically(2, 0);
    { const Snapshot shot(*box_); }
    EXPECT_LT(box_->layoutsBuilt(), 2000u);
    EXPECT_LE(box_->layoutCache().size(), box_->layoutCache().capacity());
}

} // namespace
