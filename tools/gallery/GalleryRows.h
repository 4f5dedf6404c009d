#pragma once

#include "ui_toolkit/GridContentProvider.h"

#include <windows.h>

#include <cstdint>

namespace winui {
class Style;
}

// Made-up rows for the gallery's grid: a number, a source and a target text, in alternating
// bands of the style's window colours. It keeps nothing per row, so a million rows cost
// nothing. It counts the heights it is asked for, which the bench reports.
class GalleryRows : public winui::GridContentProvider {
public:
    GalleryRows(int32_t rows, const winui::Style* style) : rows_(rows), style_(style) {}

    int32_t rowCount() override { return rows_; }
    int32_t columnCount() override { return 3; }
    int32_t rowHeight(int32_t row) override;
    int32_t columnWidth(int32_t column) override;
    void drawCell(int32_t row, int32_t column, winui::Canvas& canvas, const winui::Rect& cell) override;
    void drawEmptyArea(winui::Canvas& canvas, const winui::Rect& area) override;

    int64_t heightsMeasured = 0;
    int64_t cellsDrawn = 0;

    static constexpr int32_t kRowHeight = 20;

private:
    COLORREF color(int32_t index, int systemIndex) const;

    int32_t rows_;
    const winui::Style* style_;
};
