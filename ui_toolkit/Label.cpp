#include "ui_toolkit/Label.h"

namespace winui {

uint32_t Label::windowStyleFor(uint32_t flags) {
    uint32_t windowStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    if (flags & LabelCentered)
        windowStyle |= SS_CENTER;
    else if (flags & LabelWrap)
        windowStyle |= SS_LEFT;
    else
        windowStyle |= SS_LEFTNOWORDWRAP;
    if (flags & LabelNoPrefix)
        windowStyle |= SS_NOPREFIX;
    return windowStyle;
}

Label::Label(Control* parentControl, uint32_t flags) : Control(parentControl) {
    createWindow(parent ? parent->hwnd : nullptr, L"STATIC", windowStyleFor(flags), 0, false, Rect());
}

void Label::clear() {
    setText(std::wstring());
}

} // namespace winui
