#include "ui_toolkit/CoverSupport.h"

#include "ui_toolkit/Style.h"
#include "ui_toolkit/StyleTables.h"

namespace winui {

void passMouseThrough(Message& message) {
    if (message.message != WM_NCHITTEST)
        return;
    message.result = HTTRANSPARENT;
    message.handled = true;
}

void placeCover(HWND cover, const Rect& bounds, bool visible) {
    if (!cover)
        return;
    SetWindowPos(cover, HWND_TOP, bounds.left, bounds.top, bounds.width(), bounds.height(),
                 SWP_NOACTIVATE);
    ShowWindow(cover, visible ? SW_SHOWNA : SW_HIDE);
}

bool focusCuesShown(HWND window) {
    if (!window)
        return false;
    return (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

COLORREF styleColor(const Style* style, int32_t index) {
    if (style)
        return style->color(index);
    if (index < 0 || index >= kStyleColorCount)
        return 0;
    return defaultStyleColors()[static_cast<size_t>(index)];
}

} // namespace winui
