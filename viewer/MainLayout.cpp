#include "viewer/MainLayout.h"

namespace {

constexpr int32_t kMargin = 12;
constexpr int32_t kButtonWidth = 80;
constexpr int32_t kListWidth = 72;
constexpr int32_t kListDropHeight = 400;
// From the right edge of the client area to the left edge of the list and of the button.
constexpr int32_t kListOffset = 171;
constexpr int32_t kButtonOffset = 92;
constexpr int32_t kGap = 8;

winui::Rect box(int32_t left, int32_t top, int32_t width, int32_t height) {
    return winui::Rect(left, top, left + width, top + height);
}

} // namespace

MainLayout computeMainLayout(int32_t width, int32_t height, int32_t rowHeight, bool listVisible) {
    MainLayout layout;
    layout.languageList = box(width - kListOffset, kMargin, kListWidth, kListDropHeight);
    layout.searchButton = box(width - kButtonOffset, kMargin, kButtonWidth, rowHeight);
    const int32_t fieldRight =
        (listVisible ? layout.languageList.left : layout.searchButton.left) - kGap;
    layout.searchField = winui::Rect(kMargin, kMargin, fieldRight, kMargin + rowHeight);
    layout.resultsBox = box(kMargin, rowHeight + 20, width - 2 * kMargin, height - rowHeight - 32);
    return layout;
}
