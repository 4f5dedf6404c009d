#include "ui_toolkit/ProgressPopup.h"

#include "core/app/GlobalConstants.h"
#include "ui_toolkit/Brush.h"
#include "ui_toolkit/Style.h"

namespace winui {

namespace {

constexpr int32_t kPopupWidth = 330;
constexpr int32_t kPopupHeight = 80;
constexpr int32_t kMargin = 10;

} // namespace

ProgressPopup::ProgressPopup(Control* owner) : Control(owner) {
    createWindow(owner ? owner->hwnd : nullptr, windowClass, WS_POPUP | WS_CLIPCHILDREN | WS_DLGFRAME,
                 0, false, Rect());
    if (!hwnd)
        return;
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const Rect ownerBounds = owner ? owner->bounds() : Rect();
    const Rect place = centerRect(ownerBounds, Rect(0, 0, kPopupWidth, kPopupHeight));
    MoveWindow(hwnd, place.left, place.top, place.width(), place.height(), FALSE);

    label = new Label(this, LabelCentered | LabelNoPrefix);
    bar = new ProgressBar(this);
    bar->setRange(0);

    label->anchors = AnchorLeft | AnchorTop | AnchorRight;
    bar->anchors = AnchorLeft | AnchorRight | AnchorBottom;
    const int32_t clientWidth = clientRect().width();
    if (label->hwnd)
        MoveWindow(label->hwnd, kMargin, 25, clientWidth - 2 * kMargin, 24, FALSE);
    if (bar->hwnd)
        MoveWindow(bar->hwnd, kMargin, 55, clientWidth - 2 * kMargin, 10, FALSE);
}

void ProgressPopup::onTimer(UINT_PTR timerId) {
    if (timerId != kShowTimer)
        return;
    KillTimer(hwnd, kShowTimer);
    ShowWindow(hwnd, SW_SHOWNORMAL);
}

void ProgressPopup::eraseBackground(HDC dc, const Rect& clientRect) {
    if (!style)
        return;
    const Brush brush(style->color(kColorFormBody));
    const RECT r = {clientRect.left, clientRect.top, clientRect.right, clientRect.bottom};
    FillRect(dc, &r, brush.handle());
}

void ProgressPopup::onStyleChanged() {
    paintFlags = style ? (PaintValidateOnly | EraseThroughErase) : 0;
}

} // namespace winui
