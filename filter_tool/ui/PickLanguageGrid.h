#pragma once

#include "core/events/HandlerHolder.h"
#include "core/events/HandlerList.h"
#include "filter_tool/LanguageList.h"
#include "ui_toolkit/Grid.h"
#include "ui_toolkit/GridContentProvider.h"

#include <cstdint>
#include <string>
#include <vector>

// The picker's two-column list of the built-in languages (code, name), its own provider. A
// click selects a row; a double click selects it and fires rowActivated.
class PickLanguageGrid : public winui::Grid, public winui::GridContentProvider {
public:
    explicit PickLanguageGrid(winui::Control* parent);
    ~PickLanguageGrid() override;

    // The selected row's code; empty when no row is selected.
    std::wstring selectedShortName() const;

    int32_t rowCount() override;
    int32_t columnCount() override;
    int32_t rowHeight(int32_t row) override;
    int32_t columnWidth(int32_t column) override;
    void drawCell(int32_t row, int32_t column, winui::Canvas& canvas,
                  const winui::Rect& cell) override;
    void drawEmptyArea(winui::Canvas& canvas, const winui::Rect& area) override;

    void onResized() override;
    void onFontChanged() override;

    int32_t columnWidths[2] = {0, 0};
    int32_t measuredRowHeight = 4;
    int32_t selectedRow = -1;
    std::vector<LanguageEntry> entries;

    // No arguments: a row was double-clicked (it is the selected row now).
    HandlerList rowActivated;

private:
    void measure();
    void onCellPressed();
    void onCellDoubleClicked(int32_t row, int32_t column);

    COLORREF windowColor() const;
    COLORREF windowTextColor() const;
    COLORREF highlightColor() const;
    COLORREF highlightTextColor() const;

    HandlerHolder cellPressedLink_;
    HandlerHolder cellDoubleClickedLink_;
};
