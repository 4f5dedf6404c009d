#include "ui_toolkit/Cover.h"

#include "ui_toolkit/Toolkit.h"

namespace winui {

Cover::Cover(Control* coveredControl) : Control(coveredControl->parent) {
    paintFlags = PaintThroughPaint | EraseSwallow;
    createWindow(parent ? parent->hwnd : nullptr, childWindowClass, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                 0, false, Rect());
}

// The mouse goes to the native control underneath.
void Cover::onMessage(Message& message) {
    if (message.message != WM_NCHITTEST)
        return;
    message.result = HTTRANSPARENT;
    message.handled = true;
}

void Cover::onTextChanged() {
    repaint();
}

void Cover::repaint() {
    if (hwnd)
        InvalidateRect(hwnd, nullptr, TRUE);
}

void Cover::update(bool& member, bool value) {
    if (member == value)
        return;
    member = value;
    repaint();
}

void Cover::setEnabled(bool value) { update(enabled, value); }
void Cover::setFocused(bool value) { update(focused, value); }

void Cover::takeFont(const Font& controlFont) {
    inheritFont = false;
    setFont(controlFont);
}

void Cover::place(const Rect& bounds, bool visible) {
    if (!hwnd)
        return;
    SetWindowPos(hwnd, HWND_TOP, bounds.left, bounds.top, bounds.width(), bounds.height(), SWP_NOACTIVATE);
    ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

} // namespace winui
