#include "viewer/DocumentViewLayout.h"

#include <algorithm>

namespace {

constexpr int32_t kNoteGap = 4;

} // namespace

DocumentSplit splitForDocument(const winui::Rect& area, bool documentShown) {
    DocumentSplit split;
    split.results = area;
    if (!documentShown)
        return split;
    // Two fifths for the results, three for the document, unless the results would get too
    // little: then they keep their minimum as long as the area has room for it.
    const int32_t height = std::max(area.height(), 0);
    int32_t resultsHeight = std::max(height * 2 / 5, std::min(kMinResultsHeight, height));
    resultsHeight = std::min(resultsHeight, height);
    split.results = winui::Rect(area.left, area.top, area.right, area.top + resultsHeight);
    const int32_t documentTop = std::min(area.top + resultsHeight + kSplitGap, area.top + height);
    split.document = winui::Rect(area.left, documentTop, area.right, area.top + height);
    return split;
}

DocumentViewPlaces computeDocumentViewLayout(int32_t width, int32_t height, int32_t lineHeight) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    const int32_t editHeight = std::min(lineHeight * kDocumentEditLines + 8, height);
    const int32_t noteHeight = std::min(lineHeight + kNoteGap, height - editHeight);
    const int32_t gridHeight = std::max(height - editHeight - noteHeight, 0);
    DocumentViewPlaces places;
    places.grid = winui::Rect(0, 0, width, gridHeight);
    places.note = winui::Rect(0, gridHeight + kNoteGap, width, gridHeight + noteHeight);
    if (places.note.bottom < places.note.top)
        places.note.bottom = places.note.top;
    places.edit = winui::Rect(0, height - editHeight, width, height);
    return places;
}

DocumentColumns computeDocumentColumns(int32_t gridWidth, int32_t numberWidth) {
    DocumentColumns columns;
    gridWidth = std::max(gridWidth, 0);
    columns.width[kColumnNumber] = std::min(std::max(numberWidth, 0), gridWidth);
    const int32_t rest = gridWidth - columns.width[kColumnNumber];
    columns.width[kColumnSource] = rest / 2;
    columns.width[kColumnTarget] = rest - rest / 2;
    return columns;
}

DocumentRowState documentRowState(bool edited, bool confirmed, bool unusable) {
    if (unusable)
        return DocumentRowState::Unusable;
    if (edited)
        return DocumentRowState::Edited;
    return confirmed ? DocumentRowState::Confirmed : DocumentRowState::Plain;
}

const wchar_t* documentRowNoteKey(DocumentRowState state) {
    switch (state) {
    case DocumentRowState::Unusable:
        return L"DocumentRowUnusable";
    case DocumentRowState::Edited:
        return L"DocumentRowEdited";
    case DocumentRowState::Confirmed:
        return L"DocumentRowConfirmed";
    case DocumentRowState::Plain:
        break;
    }
    return nullptr;
}

COLORREF documentStateColor(DocumentRowState state) {
    switch (state) {
    case DocumentRowState::Unusable:
        return RGB(150, 150, 150);
    case DocumentRowState::Edited:
        return RGB(240, 150, 30);
    case DocumentRowState::Confirmed:
        return RGB(60, 170, 80);
    case DocumentRowState::Plain:
        break;
    }
    return RGB(255, 255, 255);
}

int32_t documentRowAfterMove(int32_t selected, int32_t delta, int32_t rowCount) {
    if (rowCount <= 0)
        return -1;
    const int64_t wanted = selected < 0 ? 0 : static_cast<int64_t>(selected) + delta;
    return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(wanted, 0), rowCount - 1));
}
