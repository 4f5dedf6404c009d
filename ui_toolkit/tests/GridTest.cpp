#include "ui_toolkit/Grid.h"

#include "core/events/HandlerHolder.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/tests/ControlProbe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using winui::Grid;
using winui::Rect;

namespace {

// Rows of one height (or from a table), columns of 50 pixels; records what it is asked to
// paint and how many heights it measured.
class SyntheticProvider : public winui::GridContentProvider {
public:
    SyntheticProvider(int32_t rowCount, int32_t columnCount) : rows(rowCount), columns(columnCount) {}
    int32_t rowCount() override { return rows; }
    int32_t columnCount() override { return columns; }
    int32_t rowHeight(int32_t row) override {
        ++heightsMeasured;
        return row < static_cast<int32_t>(heights.size()) ? heights[row] : height;
    }
    int32_t columnWidth(int32_t column) override { return width; }
    void drawCell(int32_t row, int32_t column, winui::Canvas& canvas, const Rect& cell) override {
        cells.emplace_back(row, column);
    }
    void drawEmptyArea(winui::Canvas& canvas, const Rect& area) override { emptyAreas.push_back(area); }

    void forget() {
        cells.clear();
        emptyAreas.clear();
        heightsMeasured = 0;
    }

    int32_t rows;
    int32_t columns;
    int32_t height = 20;
    int32_t width = 50;
    std::vector<int32_t> heights;
    std::vector<std::pair<int32_t, int32_t>> cells;
    std::vector<Rect> emptyAreas;
    int heightsMeasured = 0;
};

// A shown form with a grid 300 x 190 at its top left; the grid's client area is 190 high.
// One serves every test of the suite (taking a shown window down costs seconds here); each
// test hands it its provider and gets it back at the top, with nothing pressed.
struct GridWindow {
    GridWindow() : form(nullptr, 400, 300, 0) {
        grid = new Grid(&form);
        MoveWindow(grid->hwnd, 0, 0, 300, 190, FALSE);
        ShowWindow(form.hwnd, SW_SHOWNORMAL);
        SetForegroundWindow(form.hwnd);
    }
    void use(SyntheticProvider* provider) {
        ReleaseCapture();
        grid->setProvider(provider);
        grid->onResized();
        grid->setTopRow(0);
        grid->scrollColumns(-grid->firstColumn);
        settle();
    }
    // Lets the window system deliver what showing or moving caused, then paints.
    void settle() {
        for (int i = 0; i < 5; ++i) {
            pumpMessages();
            Sleep(10);
        }
        UpdateWindow(form.hwnd);
        UpdateWindow(grid->hwnd);
    }
    Rect updateRect() const {
        RECT r = {};
        if (!GetUpdateRect(grid->hwnd, &r, FALSE))
            return Rect();
        return Rect(r.left, r.top, r.right, r.bottom);
    }
    int32_t width() const { return grid->clientRect().width(); }

    winui::Form form;
    Grid* grid;
};

// Logs the grid's events with the press state that a handler sees.
struct EventLog {
    explicit EventLog(Grid& g) : grid(g) {
        pressed.connect(grid.cellPressed, this, &EventLog::onPressed);
        released.connect(grid.mouseReleased, this, &EventLog::onReleased);
        dragged.connect(grid.mouseDragged, this, &EventLog::onDragged);
        doubled.connect(grid.cellDoubleClicked, this, &EventLog::onDouble);
        menu.connect(grid.contextMenuRequested, this, &EventLog::onMenu);
        top.connect(grid.topRowChanged, this, &EventLog::onTop);
        first.connect(grid.firstColumnChanged, this, &EventLog::onFirst);
    }
    std::wstring cell() const {
        return std::to_wstring(grid.pressedRow) + L"," + std::to_wstring(grid.pressedColumn);
    }
    std::wstring at() const { return std::to_wstring(grid.mouseX) + L"," + std::to_wstring(grid.mouseY); }
    void onPressed() {
        log.push_back(L"pressed " + cell() + L" at " + at() +
                      (GetCapture() == grid.hwnd ? L" captured" : L" free"));
    }
    void onReleased() { log.push_back(L"released " + cell() + L" at " + at()); }
    void onDragged() { log.push_back(L"dragged " + cell() + L" at " + at()); }
    void onDouble(int32_t row, int32_t column) {
        log.push_back(L"double " + std::to_wstring(row) + L"," + std::to_wstring(column));
    }
    void onMenu(winui::Point p) {
        log.push_back(L"menu " + std::to_wstring(p.x) + L"," + std::to_wstring(p.y) + L" on " + cell());
    }
    void onTop() { log.push_back(L"top " + std::to_wstring(grid.topRow)); }
    void onFirst() { log.push_back(L"first " + std::to_wstring(grid.firstColumn)); }
    std::vector<std::wstring> take() { return std::exchange(log, {}); }

    Grid& grid;
    std::vector<std::wstring> log;
    HandlerHolder pressed, released, dragged, doubled, menu, top, first;
};

using Log = std::vector<std::wstring>;

class GridTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { shared_ = new GridWindow(); }
    static void TearDownTestSuite() {
        delete shared_;
        shared_ = nullptr;
    }
    // The test's providers go before the window does.
    void TearDown() override { shared_->use(nullptr); }
    static GridWindow& show(SyntheticProvider* provider) {
        shared_->use(provider);
        return *shared_;
    }

private:
    static GridWindow* shared_;
};

GridWindow* GridTest::shared_ = nullptr;

LRESULT send(const Grid& grid, UINT message, WPARAM wParam, int32_t x, int32_t y) {
    return SendMessageW(grid.hwnd, message, wParam, MAKELPARAM(x, y));
}

} // namespace

TEST_F(GridTest, CreatedEmptyAndANullProviderIsTheEmptyOne) {
    winui::Form form(nullptr, 200, 200, 0);
    Grid grid(&form);
    EXPECT_EQ(className(grid.hwnd), winui::childWindowClass);
    EXPECT_EQ(windowStyle(grid.hwnd), 0x54200000u);
    EXPECT_EQ(grid.paintFlags, winui::PaintThroughPaint | winui::EraseSwallow);
    EXPECT_EQ(grid.provider, Grid::emptyProvider());
    EXPECT_EQ(grid.scrollBarFlags, winui::GridVerticalBar);
    EXPECT_EQ(grid.topRow, 0);
    EXPECT_EQ(grid.pressedRow, -1);
    EXPECT_EQ(grid.mouseX, -1);

    SyntheticProvider rows(5, 2);
    grid.setProvider(&rows);
    EXPECT_EQ(grid.provider, &rows);
    EXPECT_EQ(rows.rowsChanged.size(), 1u);
    // The same provider again changes nothing: one connection each, not two.
    grid.setProvider(&rows);
    EXPECT_EQ(rows.rowsChanged.size(), 1u);
    EXPECT_EQ(rows.cellChanged.size(), 1u);

    grid.setProvider(nullptr);
    EXPECT_EQ(grid.provider, Grid::emptyProvider());
    EXPECT_TRUE(rows.rowsChanged.isEmpty());
    EXPECT_TRUE(rows.contentChanged.isEmpty());
    MoveWindow(grid.hwnd, 0, 0, 200, 100, FALSE);
    EXPECT_EQ(grid.rowAt(5).index, -1);
    EXPECT_EQ(grid.columnAt(5).index, -1);
    EXPECT_TRUE(grid.cellRect(0, 0).isEmpty());
    EXPECT_EQ(grid.lastTopRow, 0);
}

namespace {

// The way the programs use the grid: one object that is the grid and its own provider, with
// the bases in either order.
template <class First, class Second>
class SelfProvidingGrid : public First, public Second {
public:
    explicit SelfProvidingGrid(winui::Control* parent) : First(parent), Second(parent) {
        Grid::setProvider(this);
    }
    int32_t rowCount() override { return rows; }
    int32_t columnCount() override { return 2; }
    int32_t rowHeight(int32_t row) override { return 20; }
    int32_t columnWidth(int32_t column) override { return 40; }
    int32_t rows = 30;
};

// Lets either base be built from the parent argument.
struct ProviderBase : winui::GridContentProvider {
    explicit ProviderBase(winui::Control*) {}
};
struct GridBase : Grid {
    explicit GridBase(winui::Control* parent) : Grid(parent) {}
};

template <class T>
void checkSelfProvidingGrid() {
    winui::Form form(nullptr, 200, 200, 0);
    auto* grid = new T(&form);
    MoveWindow(grid->hwnd, 0, 0, 100, 190, FALSE);
    EXPECT_EQ(grid->lastTopRow, 21);
    grid->rows = 10;
    fireHandlers(grid->rowsChanged);
    EXPECT_EQ(grid->lastTopRow, 1);
    EXPECT_EQ(grid->rowAt(45).index, 2);
    // Going first, or with its form, leaves nothing behind that fires into it.
    delete grid;
    auto* second = new T(&form);
    second->setTopRow(3);
}

} // namespace

TEST_F(GridTest, AGridCanBeItsOwnProvider) {
    checkSelfProvidingGrid<SelfProvidingGrid<GridBase, ProviderBase>>();
    checkSelfProvidingGrid<SelfProvidingGrid<ProviderBase, GridBase>>();
}

TEST_F(GridTest, OneRowMovesRepaintOnlyTheUncoveredStrip) {
    SyntheticProvider provider(20, 3);
    GridWindow& window = show(&provider);
    Grid& grid = *window.grid;
    ASSERT_EQ(grid.clientRect().height(), 190);
    ASSERT_EQ(grid.lastTopRow, 11);
    const int32_t w = window.width();
    EXPECT_EQ(window.updateRect(), Rect());

    struct Step {
        const char* name;
        int32_t request;     // a scroll request, or -1 for setTopRow(row)
        int32_t row;
        int32_t top;
        Rect invalid;
    };
    const Step steps[] = {
        {"line down", winui::GridLineDown, 0, 1, Rect(0, 170, w, 190)},
        {"line up", winui::GridLineUp, 0, 0, Rect(0, 0, w, 20)},
        {"one row down by setTopRow", -1, 1, 1, Rect(0, 170, w, 190)},
        {"two rows", -1, 3, 3, Rect(0, 0, w, 190)},
        {"thumb position", winui::GridThumbPosition, 7, 3, Rect()},
        {"bottom", winui::GridBottom, 0, 11, Rect(0, 0, w, 190)},
        {"past the bottom", -1, 40, 11, Rect()},
    };
    for (const Step& s : steps) {
        if (s.request >= 0)
            grid.scrollVertically(s.request, s.row);
        else
            grid.setTopRow(s.row);
        EXPECT_EQ(grid.topRow, s.top) << s.name;
        EXPECT_EQ(window.updateRect(), s.invalid) << s.name;
        // The scroll bar follows the top row.
        EXPECT_EQ(GetScrollPos(grid.hwnd, SB_VERT), s.top) << s.name;
        UpdateWindow(grid.hwnd);
    }
}

TEST_F(GridTest, ScrollMessagesOfAnyCodeAreHandledAndClamped) {
    SyntheticProvider provider(20, 3);
    GridWindow& window = show(&provider);
    Grid& grid = *window.grid;
    EventLog events(grid);
    struct Case {
        WPARAM wParam;
        int32_t top;
    };
    const Case cases[] = {
        {SB_LINEDOWN, 1},
        {SB_PAGEDOWN, 11},
        {MAKEWPARAM(SB_THUMBPOSITION, 2), 11},
        {SB_ENDSCROLL, 11},
        {MAKEWPARAM(9, 3), 11},
        {MAKEWPARAM(0xFFFF, 0xFFFF), 11},
        {SB_LINEUP, 10},
        {SB_BOTTOM, 11},
        {SB_PAGEDOWN, 11},
        {SB_PAGEUP, 3},
        {SB_TOP, 0},
        {SB_LINEUP, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SendMessageW(grid.hwnd, WM_VSCROLL, c.wParam, 0), 0);
        EXPECT_EQ(grid.topRow, c.top) << c.wParam;
    }
    EXPECT_EQ(events.take(), (Log{L"top 1", L"top 11", L"top 10", L"top 11", L"top 3", L"top 0"}));
}

TEST_F(GridTest, PaintsTheVisibleCellsOnlyWhateverTheRowCount) {
    SyntheticProvider provider(1000000, 3);
    GridWindow& window = show(&provider);
    Grid& grid = *window.grid;
    EXPECT_EQ(grid.lastTopRow, 1000000 - 9);

    auto paintAll = [&] {
        provider.forget();
        InvalidateRect(grid.hwnd, nullptr, FALSE);
        UpdateWindow(grid.hwnd);
    };
    auto expectRows = [&](int32_t first, int32_t count, const char* name) {
        ASSERT_EQ(provider.cells.size(), static_cast<size_t>(count * 3)) << name;
        for (size_t i = 0; i < provider.cells.size(); ++i) {
            EXPECT_EQ(provider.cells[i].first, first + static_cast<int32_t>(i / 3)) << name;
            EXPECT_EQ(provider.cells[i].second, static_cast<int32_t>(i % 3)) << name;
        }
    };

    paintAll();
    // Rows 0..9, the last partly shown; the rows reach the bottom, so no empty area.
    expectRows(0, 10, "top");
    EXPECT_TRUE(provider.emptyAreas.empty());
    EXPECT_LE(provider.heightsMeasured, 40);

    provider.forget();
    grid.setTopRow(700000);
    EXPECT_LE(provider.heightsMeasured, 40);
    paintAll();
    expectRows(700000, 10, "middle");

    provider.forget();
    for (int i = 0; i < 100; ++i)
        grid.scrollVertically(winui::GridLineDown, 0);
    EXPECT_EQ(grid.topRow, 700100);
    // Each line down measures the one row it moves by, plus the strip's repaint.
    EXPECT_LE(provider.heightsMeasured, 100 * 4);

    provider.forget();
    grid.scrollVertically(winui::GridBottom, 0);
    EXPECT_LE(provider.heightsMeasured, 40);
    paintAll();
    expectRows(1000000 - 9, 9, "bottom");
    ASSERT_EQ(provider.emptyAreas.size(), 1u);
    EXPECT_EQ(provider.emptyAreas[0], Rect(0, 180, window.width(), 190));
}

TEST_F(GridTest, AnUpdateAreaInTheGapBelowTheRowsPaintsOnlyTheEmptyArea) {
    SyntheticProvider provider(5, 3);
    GridWindow& window = show(&provider);
    Grid& grid = *window.grid;
    const int32_t w = window.width();

    provider.forget();
    const RECT gap = {0, 150, w, 190};
    InvalidateRect(grid.hwnd, &gap, FALSE);
    UpdateWindow(grid.hwnd);
    EXPECT_TRUE(provider.cells.empty());
    ASSERT_EQ(provider.emptyAreas.size(), 1u);
    EXPECT_EQ(provider.emptyAreas[0], Rect(0, 100, w, 190));

    // An area across the last rows paints those rows and then the empty area.
    provider.forget();
    const RECT lower = {0, 70, w, 120};
    InvalidateRect(grid.hwnd, &lower, FALSE);
    UpdateWindow(grid.hwnd);
    EXPECT_EQ(provider.cells.size(), 6u);
    EXPECT_EQ(provider.cells.front(), std::make_pair(3, 0));
    ASSERT_EQ(provider.emptyAreas.size(), 1u);

    // Without rows, or without columns, only the empty area is painted, from the top.
    for (auto counts : {std::make_pair(0, 3), std::make_pair(5, 0)}) {
        provider.rows = counts.first;
        provider.columns = counts.second;
        fireHandlers(provider.rowsChanged);
        provider.forget();
        UpdateWindow(grid.hwnd);
        EXPECT_TRUE(provider.cells.empty());
        ASSERT_EQ(provider.emptyAreas.size(), 1u);
        EXPECT_EQ(provider.emptyAreas[0].top, counts.first * 20);
    }

    // Rows of no height: nothing hangs, nothing is drawn for them.
    provider.rows = 2000000;
    provider.columns = 3;
    provider.height = 0;
    fireHandlers(provider.rowsChanged);
    provider.forget();
    UpdateWindow(grid.hwnd);
    EXPECT_LE(provider.cells.size(), static_cast<size_t>(3 * winui::kGridScanLimit));
}

TEST_F(GridTest, ProviderEventsRecountAndRepaint) {
    SyntheticProvider provider(20, 3);
    GridWindow& window = show(&provider);
    Grid& grid = *window.grid;
    EventLog events(grid);
    const int32_t w = window.width();

    grid.setTopRow(11);
    UpdateWindow(grid.hwnd);
    events.take();

    // Fewer rows: the top row is pulled back to the new last top row.
    provider.rows = 10;
    fireHandlers(provider.rowsChanged);
    EXPECT_EQ(grid.lastTopRow, 1);
    EXPECT_EQ(grid.topRow, 1);
    EXPECT_EQ(events.take(), Log{L"top 1"});
    EXPECT_EQ(window.updateRect(), Rect(0, 0, w, 190));
    UpdateWindow(grid.hwnd);

    fireHandlersT1(provider.rowChanged, 3);
    EXPECT_EQ(window.updateRect(), Rect(0, 40, w, 60));
    UpdateWindow(grid.hwnd);
    fireHandlersT2(provider.cellChanged, 2, 1);
    EXPECT_EQ(window.updateRect(), Rect(50, 20, 100, 40));
    UpdateWindow(grid.hwnd);
    // Rows and cells out of view ask for nothing.
    fireHandlersT1(provider.rowChanged, 0);
    fireHandlersT2(provider.cellChanged, 2, 7);
    EXPECT_EQ(window.updateRect(), Rect());
    fireHandlers(provider.contentChanged);
    EXPECT_EQ(window.updateRect(), Rect(0, 0, w, 190));
    UpdateWindow(grid.hwnd);

    // A provider no longer set reaches the grid no more.
    SyntheticProvider other(3, 1);
    grid.setProvider(&other);
    fireHandlers(provider.contentChanged);
    EXPECT_EQ(window.updateRect(), Rect());
    grid.setProvider(nullptr);
}

TEST_F(GridTest, EnsureRowVisibleScrollsTheLeastOrJumps) {
    SyntheticProvider provider(20, 3);
    GridWindow& window = show(&provider);
    Grid& grid = *window.grid;
    struct Case {
        const char* name;
        int32_t from;
        int32_t row;
        int32_t top;
    };
    const Case cases[] = {
        {"visible", 5, 7, 5},
        {"partly visible at the bottom", 5, 14, 5},
        {"just above", 5, 4, 4},
        {"just below", 5, 15, 6},
        {"far below, clamped to the last top row", 5, 19, 11},
        {"far above", 8, 0, 0},
        {"not a row", 5, 20, 5},
        {"negative", 5, -1, 5},
    };
    for (const Case& c : cases) {
        grid.setTopRow(c.from);
        grid.ensureRowVisible(c.row);
        EXPECT_EQ(grid.topRow, c.top) << c.name;
    }

    // In the gap below the last row there is no row after the bottom one: row 0 jumps up.
    grid.setTopRow(11);
    grid.ensureRowVisible(0);
    EXPECT_EQ(grid.topRow, 0);

    // No columns: nothing to show.
    provider.columns = 0;
    grid.setTopRow(5);
    grid.ensureRowVisible(18);
    EXPECT_EQ(grid.topRow, 5);
}

TEST_F(GridTest, ColumnsScrollLikeRowsThoughNoBarShowsThem) {
    SyntheticProvider provider(20, 10);
    provider.width = 100;
    GridWindow& window = show(&provider);
    Grid& grid = *window.grid;
    EventLog events(grid);
    const int32_t w = window.width();
    ASSERT_EQ(w, 283);
    // Columns 8 and 9 take 200 pixels; column 7 would need 300.
    EXPECT_EQ(grid.lastFirstColumn, 8);

    grid.scrollHorizontally(winui::GridLineDown, 0);
    EXPECT_EQ(grid.firstColumn, 1);
    EXPECT_EQ(window.updateRect(), Rect(w - 100, 0, w, 190));
    UpdateWindow(grid.hwnd);
    EXPECT_EQ(SendMessageW(grid.hwnd, WM_HSCROLL, SB_LINEUP, 0), 0);
    EXPECT_EQ(grid.firstColumn, 0);
    EXPECT_EQ(window.updateRect(), Rect(0, 0, 100, 190));
    EXPECT_EQ(events.take(), (Log{L"first 1", L"first 0"}));

    struct Step {
        int32_t step;
        int32_t first;
    };
    for (const Step& s : {Step{5, 5}, Step{100, 8}, Step{-100, 0}, Step{0, 0}}) {
        grid.scrollColumns(s.step);
        EXPECT_EQ(grid.firstColumn, s.first) << s.step;
    }

    // A shown row whose first column is just out of view brings the column back.
    grid.scrollColumns(1);
    grid.ensureRowVisible(2);
    EXPECT_EQ(grid.firstColumn, 0);
    // A row out of view with the columns moved: the view jumps to column 0 and the row.
    grid.scrollColumns(5);
    events.take();
    grid.ensureRowVisible(15);
    EXPECT_EQ(grid.firstColumn, 0);
    EXPECT_EQ(grid.topRow, 11);
    EXPECT_EQ(events.take(), (Log{L"first 0", L"top 11"}));

    // Fewer columns pull the first column back.
    grid.scrollColumns(5);
    provider.columns = 3;
    fireHandlers(provider.columnsChanged);
    EXPECT_EQ(grid.lastFirstColumn, 1);
    EXPECT_EQ(grid.firstColumn, 1);
}

TEST_F(GridTest, MousePressesDragsAndReleases) {
    SyntheticProvider provider(5, 3);   // rows end at y = 100, columns at x = 150
    GridWindow& window = show(&provider);
    Grid& grid = *window.grid;
    HWND otherWindow = window.form.hwnd;

    enum Action { LeftDown, LeftUp, RightDown, RightUp, Move, Double, Menu, LoseCapture, NewProvider };
    struct Step {
        Action action;
        int32_t x;
        int32_t y;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        Log events;
        bool pressedAfter;
    };
    const Case cases[] = {
        {"press, drag, release",
         {{LeftDown, 60, 45}, {Move, 70, 50}, {LeftUp, 75, 52}, {Move, 80, 55}},
         {L"pressed 2,1 at 60,45 captured", L"dragged 2,1 at 70,50", L"released 2,1 at 75,52"},
         false},
        {"a right press fires nothing", {{RightDown, 60, 45}, {Move, 70, 50}}, {}, false},
        {"a press below the rows fires nothing", {{LeftDown, 60, 150}, {Move, 70, 50}}, {}, false},
        {"a press right of the columns fires nothing", {{LeftDown, 200, 10}, {Move, 70, 50}}, {}, false},
        {"a context menu during a press fires nothing",
         {{LeftDown, 10, 10}, {Menu, 60, 45}, {RightUp, 10, 10}, {LeftUp, 10, 10}},
         {L"pressed 0,0 at 10,10 captured", L"released 0,0 at 10,10"},
         false},
        {"a context menu reads its cell as the pressed one",
         {{Menu, 60, 45}, {Menu, 60, 150}},
         {L"menu 60,45 on 2,1", L"menu 60,150 on -1,-1"},
         false},
        {"losing the capture ends the press",
         {{LeftDown, 10, 10}, {LoseCapture, 0, 0}, {Move, 70, 50}, {LeftUp, 70, 50}, {Menu, 60, 45}},
         {L"pressed 0,0 at 10,10 captured", L"menu 60,45 on 2,1"},
         false},
        {"a new provider ends the press",
         {{LeftDown, 10, 10}, {NewProvider, 0, 0}, {Move, 70, 50}},
         {L"pressed 0,0 at 10,10 captured"},
         false},
        {"a double click names its cell", {{Double, 110, 85}, {Double, 110, 150}}, {L"double 4,2"}, false},
        {"a press stays until released", {{LeftDown, 10, 30}}, {L"pressed 1,0 at 10,30 captured"}, true},
    };
    for (const Case& c : cases) {
        SyntheticProvider replacement(5, 3);
        grid.setProvider(&provider);
        EventLog events(grid);
        for (const Step& s : c.steps) {
            switch (s.action) {
            case LeftDown: send(grid, WM_LBUTTONDOWN, MK_LBUTTON, s.x, s.y); break;
            case LeftUp: send(grid, WM_LBUTTONUP, 0, s.x, s.y); break;
            case RightDown: send(grid, WM_RBUTTONDOWN, MK_RBUTTON, s.x, s.y); break;
            case RightUp: send(grid, WM_RBUTTONUP, 0, s.x, s.y); break;
            case Move: send(grid, WM_MOUSEMOVE, 0, s.x, s.y); break;
            case Double: send(grid, WM_LBUTTONDBLCLK, MK_LBUTTON, s.x, s.y); break;
            // The dispatcher reads the menu point from the cursor; the grid's part starts here.
            case Menu: grid.onContextMenu(s.x, s.y); break;
            case LoseCapture: SetCapture(otherWindow); break;
            case NewProvider: grid.setProvider(&replacement); break;
            }
        }
        EXPECT_EQ(events.take(), c.events) << c.name;
        EXPECT_EQ(grid.isPressed(), c.pressedAfter) << c.name;
        EXPECT_EQ(GetCapture() == grid.hwnd, c.pressedAfter) << c.name;
        if (!c.pressedAfter) {
            EXPECT_EQ(grid.pressedRow, -1) << c.name;
            EXPECT_EQ(grid.mouseX, -1) << c.name;
            EXPECT_EQ(grid.pressedCellRect, Rect()) << c.name;
        } else {
            EXPECT_EQ(grid.pressedCellRect, Rect(0, 20, 50, 40)) << c.name;
        }
        ReleaseCapture();
        grid.setProvider(&provider);
    }
}

namespace {

// Sends one mouse event at a screen point through the system's input queue.
INPUT mouseInput(int32_t x, int32_t y, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    return input;
}

// The scroll bar's own drag loop returns only on a button release. Other test programs share
// the display and may take the real one; this posts one after a while.
HWND g_dragTarget = nullptr;
void CALLBACK endStuckDrag(HWND, UINT, UINT_PTR, DWORD) {
    PostMessageW(g_dragTarget, WM_LBUTTONUP, 0, 0);
}

// Drags the grid's thumb with the system's mouse from its place at the top to a fraction of
// the way down.
void dragThumb(Grid& grid, int32_t numerator, int32_t denominator) {
    SCROLLBARINFO bar = {};
    bar.cbSize = sizeof(bar);
    ASSERT_TRUE(GetScrollBarInfo(grid.hwnd, OBJID_VSCROLL, &bar));
    const int32_t x = (bar.rcScrollBar.left + bar.rcScrollBar.right) / 2;
    // With the top row at 0 the thumb starts right after the arrow button.
    const int32_t arrow = bar.xyThumbTop;
    const int32_t thumbLength = bar.xyThumbBottom - bar.xyThumbTop;
    const int32_t travel = bar.rcScrollBar.bottom - bar.rcScrollBar.top - 2 * arrow - thumbLength;
    ASSERT_GT(travel, 50);
    const int32_t grabY = bar.rcScrollBar.top + arrow + thumbLength / 2;
    const int32_t dropY = grabY + travel * numerator / denominator;

    INPUT inputs[] = {
        mouseInput(x, grabY, 0),
        mouseInput(x, grabY, MOUSEEVENTF_LEFTDOWN),
        mouseInput(x, (grabY + dropY) / 2, 0),
        mouseInput(x, dropY, 0),
        mouseInput(x, dropY, MOUSEEVENTF_LEFTUP),
    };
    g_dragTarget = grid.hwnd;
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 3000, endStuckDrag);
    ASSERT_EQ(SendInput(5, inputs, sizeof(INPUT)), 5u);
    pumpUntil([&] { return grid.topRow > 0; });
    pumpMessages();
    KillTimer(nullptr, watchdog);
}

} // namespace

TEST_F(GridTest, DraggingTheThumbPastSixteenBitsReachesTheRightRows) {
    SyntheticProvider provider(1000000, 3);
    GridWindow& window = show(&provider);
    Grid& grid = *window.grid;
    const int32_t last = grid.lastTopRow;
    ASSERT_EQ(last, 1000000 - 9);

    // Another program's window may lie over the bar for a moment: a few tries, on top.
    SetWindowPos(window.form.hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    for (int attempt = 0; attempt < 3 && grid.topRow < 600000; ++attempt) {
        grid.setTopRow(0);
        window.settle();
        dragThumb(grid, 7, 10);
    }
    SetWindowPos(window.form.hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // About 70 % of the way: each pixel of the track stands for some 7,000 rows here. A
    // position taken from the message's 16 bits would lie below 65,536.
    EXPECT_NEAR(grid.topRow, last * 7 / 10, 20000);
    EXPECT_NE(GetCapture(), grid.hwnd);
}
