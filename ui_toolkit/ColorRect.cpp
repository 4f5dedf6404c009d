#include "ui_toolkit/ColorRect.h"

#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/PaintSupport.h"
#include "ui_toolkit/Toolkit.h"

namespace winui {

ColorRect::ColorRect(Control* parentControl) : Control(parentControl) {
    paintFlags = PaintThroughPaint | EraseSwallow;
    createWindow(parent ? parent->hwnd : nullptr, childWindowClass,
                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, false, Rect());
}

ColorRect::~ColorRect() {
    if (deletedFlag_)
        *deletedFlag_ = true;
}

void ColorRect::setColor(COLORREF value) {
    if (value == color)
        return;
    color = value;
    if (hwnd)
        InvalidateRect(hwnd, nullptr, TRUE);
}

void ColorRect::paint(Canvas& canvas, const Rect& updateRect) {
    const bool enabled = hwnd && IsWindowEnabled(hwnd);
    const COLORREF frame = styleColor(style, kColorButtonShadow);
    canvas.setBrush(Brush(enabled ? color : styleColor(style, kColorFormBody)));
    canvas.setPen(Pen(enabled ? PS_SOLID : PS_DASH, 1, frame));
    if (!enabled) {
        // The gaps of the dashes show the form colour too.
        SetBkMode(canvas.dc, OPAQUE);
        SetBkColor(canvas.dc, styleColor(style, kColorFormBody));
    }
    const Rect client = clientRect();
    Rectangle(canvas.dc, client.left, client.top, client.right, client.bottom);
}

void ColorRect::onMouseDown(int32_t x, int32_t y, int32_t button) {
    bool deleted = false;
    deletedFlag_ = &deleted;
    fireHandlers(clicked);
    if (deleted)
        return;
    fireHandlersT1(clickedFrom, this);
    if (!deleted)
        deletedFlag_ = nullptr;
}

} // namespace winui
