#include "viewer/DocumentView.h"

#include "core/l10n/Localization.h"
#include "core/tests/TestFiles.h"
#include "tmx_engine/SegmentRenderer.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/Label.h"
#include "ui_toolkit/tests/EventCounter.h"
#include "ui_toolkit/tests/WindowPixels.h"
#include "viewer/DocumentGrid.h"
#include "viewer/DocumentViewLayout.h"
#include "viewer/documents/TranslatableContentProvider.h"
#include "viewer/documents/XliffContentProvider.h"
#include "viewer/tests/DocumentViewTestSupport.h"
#include "viewer/tests/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

const wchar_t kManual[] = L"" TEST_DATA_DIR "/manual-en-de.xlf";

// Keeps (old, new) of each selection change.
struct SelectionRecorder {
    std::vector<std::pair<int32_t, int32_t>> changes;
    HandlerHolder holder;
    void fired(int32_t oldRow, int32_t newRow) { changes.emplace_back(oldRow, newRow); }
};

// A view in a small window over the fixture: 30 units, with tags, a confirmed unit (row 0), an
// empty source (row 2) and a unit without a target (row 3).
class DocumentViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSettings();
        Localization::instance().setLanguage(L"English");
        window = std::make_unique<winui::Form>(nullptr, 600, 300, 0);
        view = new DocumentView(window.get());
        MoveWindow(view->hwnd, 0, 0, 600, 300, TRUE);
        ShowWindow(view->hwnd, SW_SHOW);
        document = std::make_unique<XliffContentProvider>(kManual);
        ASSERT_FALSE(document->failed());
        ASSERT_EQ(document->rowCount(), 30);
        selections.holder.connect(view->grid->selectionChanged, &selections, &SelectionRecorder::fired);
        chosen.holder.connect(view->rowChosen, &chosen, &EventRecorder<int32_t>::fired);
        for (EventCounter* counter : {&columns, &rows, &content})
            counter->holder.disconnectAll();
        columns.holder.connect(view->grid->columnsChanged, &columns, &EventCounter::fired);
        rows.holder.connect(view->grid->rowsChanged, &rows, &EventCounter::fired);
        content.holder.connect(view->grid->contentChanged, &content, &EventCounter::fired);
    }
    void TearDown() override {
        if (view)
            view->setDocument(nullptr);
        window.reset();
        pumpQueued();
    }
    void forgetEvents() {
        selections.changes.clear();
        chosen.arguments.clear();
        columns.count = rows.count = content.count = 0;
    }

    std::unique_ptr<winui::Form> window;
    DocumentView* view = nullptr;
    std::unique_ptr<XliffContentProvider> document;
    SelectionRecorder selections;
    EventRecorder<int32_t> chosen;
    EventCounter columns, rows, content;
};

TEST_F(DocumentViewTest, SetDocumentBindsTheProviderAndSelectsTheFirstRow) {
    // Null is the empty provider the view already shows: nothing happens.
    view->setDocument(nullptr);
    EXPECT_EQ(&view->grid->documentProvider(), &TranslatableContentProvider::empty());
    EXPECT_FALSE(view->hasDocument());
    EXPECT_EQ(columns.count + rows.count + content.count, 0);
    EXPECT_TRUE(selections.changes.empty());

    // A provider with rows: the grid gets it, the three change events fire, row 0 is selected.
    view->setDocument(document.get());
    EXPECT_EQ(&view->grid->documentProvider(), document.get());
    EXPECT_EQ(view->grid->rowCount(), 30);
    EXPECT_EQ(view->grid->columnCount(), kDocumentColumnCount);
    EXPECT_EQ(view->grid->selectedRow(), 0);
    EXPECT_EQ(columns.count, 1);
    EXPECT_EQ(rows.count, 1);
    EXPECT_GE(content.count, 1);
    EXPECT_EQ(selections.changes, (std::vector<std::pair<int32_t, int32_t>>{{-1, 0}}));
    EXPECT_EQ(chosen.arguments, std::vector<int32_t>{0});
    EXPECT_EQ(view->targetEdit->text(), L"Drücken Sie Speichern, um die Datei zu behalten.");

    // The same provider again changes nothing.
    forgetEvents();
    view->setDocument(document.get());
    EXPECT_EQ(columns.count + rows.count + content.count, 0);
    EXPECT_TRUE(selections.changes.empty());

    // Back to none: no rows, no selection, the selection change reported.
    view->setDocument(nullptr);
    EXPECT_EQ(view->grid->rowCount(), 0);
    EXPECT_EQ(view->grid->selectedRow(), -1);
    EXPECT_EQ(selections.changes, (std::vector<std::pair<int32_t, int32_t>>{{0, -1}}));
    EXPECT_EQ(columns.count, 1);
    EXPECT_EQ(view->targetEdit->text(), L"");
}

TEST_F(DocumentViewTest, SetDocumentProviderStartsWithoutSelection) {
    DocumentGrid& grid = *view->grid;
    grid.setDocumentProvider(document.get());
    EXPECT_EQ(grid.selectedRow(), -1);
    EXPECT_EQ(columns.count, 1);
    EXPECT_EQ(rows.count, 1);
    EXPECT_EQ(content.count, 1);
    // No row was selected, so no selection change.
    EXPECT_TRUE(selections.changes.empty());

    grid.selectDocumentRow(7);
    XliffContentProvider other(kManual);
    forgetEvents();
    grid.setDocumentProvider(&other);
    EXPECT_EQ(grid.selectedRow(), -1);
    EXPECT_EQ(grid.topRow, 0);
    EXPECT_EQ(selections.changes, (std::vector<std::pair<int32_t, int32_t>>{{7, -1}}));
    forgetEvents();
    grid.setDocumentProvider(&other);
    EXPECT_EQ(columns.count + rows.count + content.count, 0);
    grid.setDocumentProvider(nullptr);
    EXPECT_EQ(&grid.documentProvider(), &TranslatableContentProvider::empty());
}

TEST_F(DocumentViewTest, SelectDocumentRowClampsScrollsAndReportsChanges) {
    DocumentGrid& grid = *view->grid;
    grid.setDocumentProvider(document.get());
    const struct {
        int32_t asked;
        int32_t selected;
        bool fires;
    } cases[] = {
        {5, 5, true},
        {5, 5, false},      // unchanged: nothing
        {-7, -1, true},     // below: no selection
        {-1, -1, false},
        {29, 29, true},     // the last row
        {1000, 29, false},  // beyond: the last row, which is selected already
        {0, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        const int32_t before = grid.selectedRow();
        selections.changes.clear();
        grid.selectDocumentRow(c.asked);
        EXPECT_EQ(grid.selectedRow(), c.selected);
        if (c.fires) {
            EXPECT_EQ(selections.changes, (std::vector<std::pair<int32_t, int32_t>>{{before, c.selected}}));
        } else {
            EXPECT_TRUE(selections.changes.empty());
        }
        // A selected row is scrolled into view.
        if (c.selected >= 0) {
            EXPECT_TRUE(grid.rowBounds(c.selected).visible);
        }
    }
    grid.selectDocumentRow(29);
    EXPECT_GT(grid.topRow, 0);
    grid.selectDocumentRow(0);
    EXPECT_EQ(grid.topRow, 0);

    // The old and the new row are drawn anew: the number cell takes the selection's colour and
    // gives it back.
    const auto numberPixel = [&](int32_t row) {
        const winui::Image shown = window_pixels::capture(window->hwnd);
        const winui::Rect cell = grid.cellRect(row, kColumnNumber);
        return window_pixels::pixel(shown, cell.left + kStateBandWidth + 1, cell.top + 2);
    };
    const COLORREF plain = numberPixel(1);
    grid.selectDocumentRow(1);
    const COLORREF selected = numberPixel(1);
    EXPECT_NE(selected, plain);
    grid.selectDocumentRow(2);
    EXPECT_EQ(numberPixel(1), plain);
    EXPECT_EQ(numberPixel(2), selected);
}

// The field sets the target it was given a change of, clears it when emptied, and refuses an
// unusable row; moves confirm what was typed.
TEST_F(DocumentViewTest, TheFieldEditsTheSelectedRowsTarget) {
    view->setDocument(document.get());
    auto plainTarget = [&](int32_t row) {
        Segment target;
        document->getTarget(row, target);
        return renderSegmentText(target, false, false);
    };

    // Unchanged text sets nothing, so the target keeps its tags.
    EXPECT_FALSE(view->confirmTarget());
    EXPECT_FALSE(document->isTargetEdited(0));

    // Moving on confirms a changed text; line breaks of the field are single line feeds.
    view->targetEdit->setText(L"Erste Zeile\r\nzweite Zeile");
    view->moveSelection(1);
    EXPECT_EQ(view->grid->selectedRow(), 1);
    EXPECT_TRUE(document->isTargetEdited(0));
    EXPECT_EQ(plainTarget(0), L"Erste Zeile\nzweite Zeile");
    EXPECT_TRUE(view->hasUnsavedEdits());
    view->moveSelection(-1);
    EXPECT_EQ(view->targetEdit->text(), L"Erste Zeile\r\nzweite Zeile");
    EXPECT_NE(view->note->text().find(Localization::instance().getString(L"DocumentRowEdited")), std::wstring::npos);

    // An emptied field clears the target.
    view->targetEdit->setText(L"");
    EXPECT_TRUE(view->confirmTarget());
    EXPECT_EQ(plainTarget(0), L"");
    EXPECT_TRUE(document->isTargetEdited(0));

    // The unusable row (empty source) is read-only and says why.
    view->grid->selectDocumentRow(2);
    EXPECT_TRUE(GetWindowLongW(view->targetEdit->hwnd, GWL_STYLE) & ES_READONLY);
    EXPECT_NE(view->note->text().find(Localization::instance().getString(L"DocumentRowUnusable")), std::wstring::npos);
    view->targetEdit->setText(L"nope");
    EXPECT_FALSE(view->confirmTarget());
    EXPECT_FALSE(document->isTargetEdited(2));

    // Moves stop at both ends.
    view->grid->selectDocumentRow(29);
    view->moveSelection(1);
    EXPECT_EQ(view->grid->selectedRow(), 29);
    view->grid->selectDocumentRow(0);
    view->moveSelection(-1);
    EXPECT_EQ(view->grid->selectedRow(), 0);
}

TEST(DocumentViewLayoutTest, SplitPlacesAndColumns) {
    // The results keep two fifths of the area (at least their minimum), the view the rest.
    const struct {
        int32_t height;
        bool shown;
        int32_t resultsBottom;
        int32_t documentTop;
    } splits[] = {
        {500, false, 540, 540},  // no document: the results have it all
        {500, true, 240, 248},
        {100, true, 100, 108},   // two fifths would be 40: the minimum 60 holds
        {40, true, 80, 80},      // too small even for the minimum: the results take it all
    };
    for (const auto& s : splits) {
        SCOPED_TRACE(s.height);
        const DocumentSplit split = splitForDocument(winui::Rect(12, 40, 580, 40 + s.height), s.shown);
        EXPECT_EQ(split.results.top, 40);
        EXPECT_EQ(split.results.bottom, s.resultsBottom);
        if (s.shown) {
            EXPECT_EQ(split.document.top, s.documentTop);
            EXPECT_EQ(split.document.bottom, 40 + s.height);
            EXPECT_EQ(split.document.left, 12);
            EXPECT_EQ(split.document.right, 580);
        } else {
            EXPECT_TRUE(split.document.isEmpty());
        }
    }

    // Grid, note and field stack up and fill the view; a view too small keeps sizes non-negative.
    const DocumentViewPlaces places = computeDocumentViewLayout(400, 300, 16);
    EXPECT_EQ(places.edit.bottom, 300);
    EXPECT_EQ(places.edit.height(), 16 * kDocumentEditLines + 8);
    EXPECT_EQ(places.grid.top, 0);
    EXPECT_LE(places.grid.bottom, places.note.top);
    EXPECT_LE(places.note.bottom, places.edit.top);
    const DocumentViewPlaces tiny = computeDocumentViewLayout(10, 20, 16);
    EXPECT_GE(tiny.grid.height(), 0);
    EXPECT_GE(tiny.note.height(), 0);
    EXPECT_EQ(tiny.edit.bottom, 20);

    const DocumentColumns columns = computeDocumentColumns(501, 60);
    EXPECT_EQ(columns.width[kColumnNumber], 60);
    EXPECT_EQ(columns.width[kColumnSource], 220);
    EXPECT_EQ(columns.width[kColumnTarget], 221);
    EXPECT_EQ(computeDocumentColumns(40, 60).width[kColumnNumber], 40);

    // Moves of the selection.
    const struct {
        int32_t selected, delta, rowCount, expected;
    } moves[] = {
        {-1, 1, 5, 0}, {-1, -1, 5, 0}, {0, -1, 5, 0}, {3, 1, 5, 4}, {4, 1, 5, 4}, {2, 100, 5, 4}, {0, 1, 0, -1},
    };
    for (const auto& m : moves)
        EXPECT_EQ(documentRowAfterMove(m.selected, m.delta, m.rowCount), m.expected)
            << m.selected << " " << m.delta << " " << m.rowCount;

    // Unusable rules over edited, edited over confirmed.
    EXPECT_EQ(documentRowState(true, true, true), DocumentRowState::Unusable);
    EXPECT_EQ(documentRowState(true, true, false), DocumentRowState::Edited);
    EXPECT_EQ(documentRowState(false, true, false), DocumentRowState::Confirmed);
    EXPECT_EQ(documentRowState(false, false, false), DocumentRowState::Plain);
    EXPECT_EQ(documentRowNoteKey(DocumentRowState::Plain), nullptr);
}

} // namespace
