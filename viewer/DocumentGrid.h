#pragma once

#include "core/events/HandlerHolder.h"
#include "core/events/HandlerList.h"
#include "core/settings/SettingsConsumer.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Grid.h"
#include "ui_toolkit/GridContentProvider.h"
#include "viewer/DocumentViewLayout.h"
#include "viewer/ResultsColors.h"
#include "viewer/ResultsLayout.h"

#include <cstdint>

class TranslatableContentProvider;

// The grid of a bilingual document: one row per translation unit with its number, its source
// and its target (the edited target once one was set), each segment wrapped and painted as the
// results box paints segments. A band down the number cell shows the row's state (edited,
// confirmed, unusable); the selected row's number is highlighted. A press on a row selects it.
class DocumentGrid : public winui::Grid, public winui::GridContentProvider, public SettingsConsumer {
public:
    explicit DocumentGrid(winui::Control* parent);
    ~DocumentGrid() override;

    // Null stands for the shared empty provider; the same one again changes nothing. Otherwise
    // the grid shows the new one from its top, no row is selected, the three content-change
    // events fire and, when a row was selected, selectionChanged(old, -1).
    void setDocumentProvider(TranslatableContentProvider* document);
    TranslatableContentProvider& documentProvider() const { return *document_; }

    // Clamped to -1 .. rowCount - 1; an unchanged selection does nothing. Otherwise the old and
    // the new row are redrawn, the new one is scrolled into view and selectionChanged(old, new)
    // fires.
    void selectDocumentRow(int32_t row);
    int32_t selectedRow() const { return selected_; }

    // The row's target or state changed: it is laid out and drawn anew.
    void documentRowChanged(int32_t row);
    // Every row may have changed (the document was read again after a save).
    void documentRowsChanged();

    // (int32_t oldRow, int32_t newRow).
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

    // The layout of one side of a row (0 source, 1 target); null for a row out of range.
    const RowLayout* sideLayout(int32_t row, int32_t side);

private:
    void readSettings();
    void rebuildFonts();
    void recomputeColumns();
    void fireAllChanged();
    ResultsPalette palette() const;
    const winui::Font& boxFont() const;
    void drawNumberCell(int32_t row, HDC dc, const winui::Rect& cell);
    void drawSideCell(int32_t row, int32_t side, HDC dc, const winui::Rect& cell);
    void onCellPressed();

    HandlerHolder cellPressedLink_;
    TranslatableContentProvider* document_;
    int32_t selected_ = -1;
    RowLayoutCache layouts_; // keyed by row * 2 + side
    winui::Canvas measuring_;
    winui::Font tagFont_;
    int32_t cornerRadius_ = 0;
    int32_t numberWidth_ = 0;
    int32_t minRowHeight_ = 0;
    DocumentColumns columns_;
    bool showPlaceholders_ = true;
    bool showTags_ = true;
};
