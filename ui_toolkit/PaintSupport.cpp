#include "ui_toolkit/PaintSupport.h"

#include "ui_toolkit/Brush.h"
#include "ui_toolkit/Style.h"

namespace winui {

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

void fillRect(HDC dc, const Rect& rect, COLORREF color) {
    const Brush brush(color);
    const RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    FillRect(dc, &r, brush.handle());
}

} // namespace winui
