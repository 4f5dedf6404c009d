#pragma once

#include "core/values/Rect.h"

#include <windows.h>

#include <cstdint>

// Where the document view's parts stand and how its rows look, free of any window.

// The area that the results box has alone when no document is open is shared with the
// document view while one is: the results keep the upper part, at least kMinResultsHeight
// high, the view takes the lower part below a gap. Both follow the window's size.
struct DocumentSplit {
    winui::Rect results;
    winui::Rect document; // empty when no document is shown
};
constexpr int32_t kMinResultsHeight = 60;
constexpr int32_t kSplitGap = 8;
DocumentSplit splitForDocument(const winui::Rect& area, bool documentShown);

// Inside the view: the grid of rows on top, a line of text about the selected row under it, and
// the edit field for its target at the bottom, editLines lines of lineHeight high.
struct DocumentViewPlaces {
    winui::Rect grid;
    winui::Rect note;
    winui::Rect edit;
};
constexpr int32_t kDocumentEditLines = 3;
DocumentViewPlaces computeDocumentViewLayout(int32_t width, int32_t height, int32_t lineHeight);

// The grid's columns: the row number (numberWidth wide), then source and target sharing the
// rest evenly (the target takes the odd pixel).
enum DocumentColumn : int32_t { kColumnNumber = 0, kColumnSource = 1, kColumnTarget = 2, kDocumentColumnCount = 3 };
struct DocumentColumns {
    int32_t width[kDocumentColumnCount] = {};
};
DocumentColumns computeDocumentColumns(int32_t gridWidth, int32_t numberWidth);

// What a row's flags show at a glance. Unusable rules over edited, edited over confirmed.
enum class DocumentRowState { Plain, Confirmed, Edited, Unusable };
DocumentRowState documentRowState(bool edited, bool confirmed, bool unusable);

// The localisation key of the note under the grid for the selected row's state; null for a
// plain row, which needs none.
const wchar_t* documentRowNoteKey(DocumentRowState state);

// The colour of the state mark, the band down the number cell of the row.
COLORREF documentStateColor(DocumentRowState state);
constexpr int32_t kStateBandWidth = 5;

// The height of a row: the taller of its source and target cells, at least minimum.
constexpr int32_t documentRowHeight(int32_t sourceHeight, int32_t targetHeight, int32_t minimum) {
    const int32_t tallest = sourceHeight > targetHeight ? sourceHeight : targetHeight;
    return tallest > minimum ? tallest : minimum;
}

// The row that a move by delta from the selected row lands on, clamped to the rows; from no
// selection a move lands on the first row. -1 without rows.
int32_t documentRowAfterMove(int32_t selected, int32_t delta, int32_t rowCount);
