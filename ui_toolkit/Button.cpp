#include "ui_toolkit/Button.h"

#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/PaintSupport.h"
#include "ui_toolkit/Style.h"

namespace winui {

namespace {

constexpr uint32_t kButtonStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP;
// The type bits of a button style; BS_OWNERDRAW fills all of them but bit 2.
constexpr uint32_t kTypeBits = 0x0B;

bool skinned(const Style* style) {
    return style && style->hasElement(kElementButton);
}

} // namespace

Button::Button(Control* parentControl) : Control(parentControl) {
    createWindow(parent ? parent->hwnd : nullptr, L"BUTTON",
                 kButtonStyle | (skinned(style) ? BS_OWNERDRAW : 0), 0, false, Rect());
}

Button::~Button() {
    buffer.release();
}

void Button::onCommand(uint16_t code) {
    if (code == BN_CLICKED)
        fireHandlers(clicked);
}

void Button::setDefault(bool isDefaultButton) {
    if (default_ == isDefaultButton)
        return;
    default_ = isDefaultButton;
    if (!hwnd)
        return;
    const auto type = static_cast<uint32_t>(GetWindowLongW(hwnd, GWL_STYLE)) & kTypeBits;
    if (type == BS_OWNERDRAW)
        InvalidateRect(hwnd, nullptr, FALSE);
    else
        SendMessageW(hwnd, BM_SETSTYLE, default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void Button::onStyleChanged() {
    if (hwnd) {
        // A native default button made so by its owner keeps that mark when it is skinned.
        const auto type = static_cast<uint32_t>(GetWindowLongW(hwnd, GWL_STYLE)) & kTypeBits;
        if (type == BS_DEFPUSHBUTTON)
            default_ = true;
    }
    if (skinned(style)) {
        paintFlags = EraseSwallow;
        changeStyle(BS_OWNERDRAW, 0);
    } else {
        paintFlags = 0;
        changeStyle(default_ ? BS_DEFPUSHBUTTON : 0, kTypeBits);
    }
}

int32_t Button::elementFor(UINT itemState, bool focusCues) const {
    if (itemState & ODS_DISABLED)
        return kElementButtonDisabled;
    if (itemState & ODS_SELECTED)
        return kElementButtonPressed;
    if ((itemState & ODS_FOCUS) && focusCues)
        return kElementButtonFocused;
    if (itemState & ODS_HOTLIGHT)
        return kElementButtonHighlighted;
    return default_ ? kElementButtonDefault : kElementButton;
}

Rect Button::centeredTextRect(Canvas& canvas, const std::wstring& text, const Rect& rect) {
    return centerRect(rect, canvas.measureText(text));
}

void Button::drawItem(Canvas& canvas, DRAWITEMSTRUCT* item) {
    if (!style || !item || !hwnd)
        return;
    const Rect client = clientRect();
    if (client.isEmpty())
        return;
    if (buffer.width() != client.width() || buffer.height() != client.height()) {
        // Made before the old one goes, so that a failure keeps nothing half made.
        Image fresh;
        if (!fresh.createBlank(client.width(), client.height()))
            return;
        buffer.swap(fresh);
    }
    Canvas& back = *buffer.canvas();
    const StyleElement& element = style->element(elementFor(item->itemState, focusCuesShown(hwnd)));
    back.drawElement(element, client, PartAll);

    back.setFont(font);
    SetTextColor(back.dc, element.textColor);
    canvas.setFont(font);
    const std::wstring caption = text();
    Rect textRect = centeredTextRect(canvas, caption, client);
    textRect.left += element.tx;
    textRect.right += element.tx;
    textRect.top += element.ty;
    textRect.bottom += element.ty;
    SetBkMode(back.dc, TRANSPARENT);
    back.drawText(caption, textRect, (item->itemState & ODS_NOACCEL) ? DT_NOPREFIX : 0);

    canvas.drawImage(buffer, client.left, client.top);
}

} // namespace winui
