#include "ui_toolkit/Edit.h"

#include "ui_toolkit/Canvas.h"

namespace winui {

namespace {

constexpr uint32_t kEditStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER | WS_TABSTOP;
constexpr uint16_t kShiftCtrlAlt = ModShift | ModCtrl | ModAlt;

} // namespace

uint32_t Edit::windowStyleFor(int32_t kind) {
    switch (kind) {
    case EditSingleLine:
        return kEditStyle | ES_AUTOHSCROLL;
    case EditPassword:
        return kEditStyle | ES_AUTOHSCROLL | ES_PASSWORD;
    case EditMultiLine:
        return kEditStyle | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    default:
        return kEditStyle;
    }
}

Edit::Edit(Control* parentControl, int32_t kind) : Control(parentControl) {
    createWindow(parent ? parent->hwnd : nullptr, L"EDIT", windowStyleFor(kind), 0, false, Rect());
}

void Edit::clear() {
    setText(std::wstring());
}

void Edit::onMessage(Message& message) {
    switch (message.message) {
    case WM_KEYDOWN:
        if (message.wParam == 'A' && (getModifierKeys() & kShiftCtrlAlt) == ModCtrl) {
            message.handled = true;
            SendMessageW(hwnd, EM_SETSEL, 0, -1);
        }
        break;
    case WM_CHAR:
        if (message.wParam == VK_RETURN &&
            !(static_cast<uint32_t>(GetWindowLongW(hwnd, GWL_STYLE)) & ES_MULTILINE) &&
            (getModifierKeys() & kShiftCtrlAlt) == 0) {
            // Taken before the native edit sees it, which would only beep.
            message.handled = true;
            fireHandlers(returnPressed);
        }
        break;
    case WM_COPY:
        defaultProcessing(message);
        fireHandlers(copied);
        break;
    case WM_PASTE:
        defaultProcessing(message);
        fireHandlers(pasted);
        break;
    default:
        break;
    }
}

void Edit::onCommand(uint16_t code) {
    switch (code) {
    case EN_SETFOCUS:
        fireHandlers(focusGained);
        break;
    case EN_KILLFOCUS:
        fireHandlers(focusLost);
        break;
    case EN_CHANGE:
        fireHandlers(changed);
        break;
    default:
        break;
    }
}

} // namespace winui
