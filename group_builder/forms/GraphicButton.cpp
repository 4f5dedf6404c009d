#include "group_builder/forms/GraphicButton.h"

#include "group_builder/GraphicButtonLayout.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/NamedImages.h"
#include "ui_toolkit/Style.h"

namespace winui {

GraphicButton::GraphicButton(Control* parentControl) : Button(parentControl) {
    // The base constructor settled the button kind before this class existed.
    onStyleChanged();
}

void GraphicButton::setImage(const std::wstring& name) {
    image = getImage(name);
    invalidateLayout();
    if (hwnd)
        InvalidateRect(hwnd, nullptr, FALSE);
}

bool GraphicButton::hasImage() const {
    return image && !image->isEmpty();
}

void GraphicButton::onStyleChanged() {
    if (style && style->hasElement(kElementButton)) {
        Button::onStyleChanged();
    } else {
        // The base button would turn native here and never ask this class to draw.
        paintFlags = EraseSwallow;
        changeStyle(BS_OWNERDRAW, 0);
    }
    invalidateLayout();
}

Rect GraphicButton::centeredTextRect(Canvas& canvas, const std::wstring& caption, const Rect& rect) {
    return textRect;
}

void GraphicButton::layout(Canvas& canvas, const Rect& client, const std::wstring& caption) {
    canvas.setFont(font);
    const Rect extent = canvas.measureText(caption);
    const bool withImage = hasImage();
    const GraphicButtonLayout placed = layoutGraphicButton(
        client, extent, withImage, withImage ? image->width() : 0, withImage ? image->height() : 0, gap);
    imageRect = placed.image;
    textRect = placed.text;
}

void GraphicButton::drawItem(Canvas& canvas, DRAWITEMSTRUCT* item) {
    if (!item || !hwnd)
        return;
    const Rect client = clientRect();
    const std::wstring caption = text();
    if (needsLayout) {
        layout(canvas, client, caption);
        needsLayout = false;
    }
    int32_t shift = 0;
    if (style && style->hasElement(kElementButton)) {
        Button::drawItem(canvas, item);
    } else {
        drawNativeFace(canvas, *item, client);
        // A pressed platform button moves its content down and right by one pixel.
        shift = (item->itemState & ODS_SELECTED) ? 1 : 0;
    }
    if (hasImage())
        canvas.blendImage(*image, imageRect.left + shift, imageRect.top + shift);
}

void GraphicButton::drawNativeFace(Canvas& canvas, const DRAWITEMSTRUCT& item, const Rect& client) {
    RECT face = {client.left, client.top, client.right, client.bottom};
    UINT state = DFCS_BUTTONPUSH;
    if (item.itemState & ODS_SELECTED)
        state |= DFCS_PUSHED;
    if (item.itemState & ODS_DISABLED)
        state |= DFCS_INACTIVE;
    DrawFrameControl(canvas.dc, &face, DFC_BUTTON, state);
    const std::wstring caption = text();
    if (!caption.empty()) {
        canvas.setFont(font);
        SetBkMode(canvas.dc, TRANSPARENT);
        SetTextColor(canvas.dc, GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
        canvas.drawText(caption, textRect, (item.itemState & ODS_NOACCEL) ? DT_NOPREFIX : 0);
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = {client.left + 3, client.top + 3, client.right - 3, client.bottom - 3};
        DrawFocusRect(canvas.dc, &focus);
    }
}

} // namespace winui
