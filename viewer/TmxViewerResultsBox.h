#pragma once

#include "core/events/HandlerHolder.h"
#include "core/events/HandlerList.h"
#include "core/settings/SettingsConsumer.h"
#include "tmx_engine/SearchResults.h"
#include "tmx_engine/SegmentElement.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Grid.h"
#include "ui_toolkit/GridContentProvider.h"
#include "viewer/ResultsColors.h"
#include "viewer/ResultsLayout.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

class TmxEntryProvider;
struct TmxEntry;

// The grid of the main window that shows the results of the last search: two rows per result,
// the source and the target segment, wrapped, with the query's words emphasised and tags drawn
// as labelled shapes; for a group a second column names the member file. A drag inside one
// segment selects a stretch of its runs, which the main window copies.
//
// Rows are laid out only when the grid measures or paints them, and only the layouts of the rows
// lately used are kept, so the number of results costs neither scrolling time nor memory.
class TmxViewerResultsBox : public winui::Grid, public winui::GridContentProvider, public SettingsConsumer {
public:
    explicit TmxViewerResultsBox(winui::Control* parent);
    ~TmxViewerResultsBox() override;

    // Shows the first `maximum` results of the search (a maximum below 1 counts as 25) of the
    // provider, which must stay open until the next fill or clear.
    void fill(const std::wstring& sourceLanguage, const std::wstring& targetLanguage,
              TmxEntryProvider* provider, const SearchResults& results, int32_t maximum,
              const std::wstring& query);
    // Back to the empty box: no results, no provider, no selection.
    void clear();

    // The selected runs' elements; empty without a selection.
    Segment selectedElements();
    // The displayed results in display order, which the export takes.
    const std::vector<SearchResult>& results() const { return results_; }
    bool hasSelection() const { return !noSelection; }

    // Fired when a row with at least one run is pressed.
    HandlerList rowPressed;
    // Fired when a press removes a selection and when a drag that made one ends.
    HandlerList selectionChanged;

    // Grid content.
    int32_t rowCount() override;
    int32_t columnCount() override;
    int32_t rowHeight(int32_t row) override;
    int32_t columnWidth(int32_t column) override;
    void drawCell(int32_t row, int32_t column, winui::Canvas& canvas, const winui::Rect& cell) override;
    void drawEmptyArea(winui::Canvas& canvas, const winui::Rect& area) override;

    void onResized() override;
    void onFontChanged() override;
    void onStyleChanged() override;
    void settingsChanged() override;

    // Read by the main window: true while there are no selected runs.
    bool noSelection = true;

    // The row's layout, built when not kept; null for a row out of range or whose entry cannot be
    // read.
    const RowLayout* rowLayout(int32_t row) { return layoutOfRow(row); }
    // For the bench and the tests: how many rows were laid out since the box was made.
    uint64_t layoutsBuilt() const { return layoutsBuilt_; }
    const RowLayoutCache& layoutCache() const { return layouts_; }

private:
    const TmxEntry* entryOfRow(int32_t row);
    const Segment* segmentOfRow(int32_t row, const TmxEntry*& entry);
    const RowLayout* layoutOfRow(int32_t row);
    void dropLayouts();
    void readSettings();
    void rebuildFonts();
    void recomputeColumnWidths();
    ResultsPalette palette() const;
    void repaintSelection();
    void clearSelection();
    // The row's top-left corner in client coordinates; false when the row is not shown.
    bool rowOrigin(int32_t row, winui::Point& origin);
    void fireAllChanged();

    void drawSegmentCell(int32_t row, HDC dc, const winui::Rect& cell);
    void drawMemberCell(int32_t row, HDC dc, const winui::Rect& cell);

    void onCellPressed();
    void onMouseDragged();
    void onMouseReleased();

    HandlerHolder cellPressedLink_;
    HandlerHolder mouseReleasedLink_;
    HandlerHolder mouseDraggedLink_;

    std::vector<SearchResult> results_;
    RowLayoutCache layouts_;
    TmxEntryProvider* entryProvider_ = nullptr;
    winui::Canvas measuring_;
    std::wstring sourceLanguage_;
    std::wstring targetLanguage_;
    std::set<std::wstring> matchedWords_;

    int32_t currentRow_ = -1;
    int32_t firstRun_ = -1;
    int32_t lastRun_ = -1;
    int32_t anchorX_ = static_cast<int32_t>(0x80000001);
    int32_t anchorY_ = static_cast<int32_t>(0x80000001);
    winui::Rect runsRect_;

    int32_t columnCount_ = 0;
    int32_t segmentColumnWidth_ = 0;
    int32_t memberColumnWidth_ = 0;

    winui::Font matchedFont_;
    winui::Font memberColumnFont_;
    winui::Font tagFont_;
    int32_t cornerRadius_ = 0;

    ResultsColorSettings colors_;
    bool showPlaceholders_ = true;
    bool showTags_ = true;

    uint64_t layoutsBuilt_ = 0;
};
