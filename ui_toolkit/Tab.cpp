#include "ui_toolkit/Tab.h"

#include "core/app/GlobalConstants.h"
#include "ui_toolkit/Brush.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/TabControl.h"

#include <commctrl.h>

namespace winui {

Tab::Tab(Control* tabControl) : Control(tabControl) {
    createWindow(tabControl ? tabControl->hwnd : nullptr, childWindowClass, WS_CHILD | WS_CLIPSIBLINGS,
                 0, false, Rect());
}

Tab::~Tab() = default;

void Tab::setTitle(const std::wstring& newTitle) {
    if (newTitle == title)
        return;
    title = newTitle;
    auto* owner = dynamic_cast<TabControl*>(parent);
    if (!owner || !owner->hwnd)
        return;
    // A page its control does not list updates index -1, which the native control ignores.
    const int32_t index = owner->indexOf(this);
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(title.c_str());
    SendMessageW(owner->hwnd, TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    // The painted strip draws the titles itself.
    if (owner->paintFlags != 0)
        InvalidateRect(owner->hwnd, nullptr, FALSE);
}

void Tab::eraseBackground(HDC dc, const Rect& clientRect) {
    if (!style)
        return;
    const Brush brush(style->color(kColorFormBody));
    const RECT r = {clientRect.left, clientRect.top, clientRect.right, clientRect.bottom};
    FillRect(dc, &r, brush.handle());
}

void Tab::onMouseDown(int32_t, int32_t, int32_t button) {
    if (button == 0)
        fireHandlers(clicked);
}

void Tab::onStyleChanged() {
    paintFlags = style ? (PaintValidateOnly | EraseThroughErase) : 0;
}

} // namespace winui
