#include "ui_toolkit/Form.h"

#include "core/app/Application.h"
#include "ui_toolkit/Brush.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/Toolkit.h"

#include <algorithm>

namespace winui {

namespace {

constexpr uint32_t kCaptionBits = 0x00C00000; // WS_BORDER | WS_DLGFRAME

uint32_t formWindowStyle(uint32_t flags) {
    uint32_t windowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    if (flags & FormPopup)
        windowStyle |= WS_POPUP;
    if (flags & FormNoCaption)
        windowStyle &= ~kCaptionBits;
    return windowStyle;
}

bool hasClass(HWND window, const wchar_t* name) {
    wchar_t className[32] = {};
    return window && GetClassNameW(window, className, 32) && lstrcmpiW(className, name) == 0;
}

bool isArrowKey(int32_t key) {
    return key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN;
}

Rect screenRect() {
    return Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

} // namespace

bool focusedControlKeepsKey(int32_t key) {
    const HWND focused = GetFocus();
    if (!focused)
        return false;
    // The list of an open drop-down takes every key, Return and Escape included.
    if (hasClass(focused, L"ComboLBox"))
        return true;
    HWND combo = hasClass(focused, L"ComboBox") ? focused : nullptr;
    if (!combo && hasClass(focused, L"Edit") && hasClass(GetParent(focused), L"ComboBox"))
        combo = GetParent(focused);
    if (combo)
        return SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0 || isArrowKey(key);
    return false;
}

Form::Form(Control* parentControl, int32_t clientWidth, int32_t clientHeight, uint32_t flags)
    : Control(parentControl), isMainForm((flags & FormMain) != 0) {
    const uint32_t windowStyle = formWindowStyle(flags);
    RECT r = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&r, windowStyle, FALSE);
    Rect rect(0, 0, r.right - r.left, r.bottom - r.top);
    // An empty client area keeps the placeholder window of an empty rectangle.
    if (clientWidth == 0 || clientHeight == 0)
        rect = Rect();
    createWindow(parent ? parent->hwnd : nullptr, isMainForm ? mainWindowClass : windowClass,
                 windowStyle, 0, (flags & FormDefaultPosition) != 0, rect);
    if (isMainForm && hwnd) {
        const HINSTANCE instance = Application::instance().instanceHandle();
        const int smallIcon = programBuild == ProgramBuild::Viewer ? 5 : 2;
        if (HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(smallIcon)))
            SetClassLongPtrW(hwnd, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(icon));
    }
    if ((flags & FormCentered) && hwnd) {
        const Rect window = bounds();
        const Rect placed = centerRect(screenRect(), Rect(0, 0, window.width(), window.height()));
        SetWindowPos(hwnd, nullptr, placed.left, placed.top, placed.width(), placed.height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

Form::~Form() = default;

void Form::onMessage(Message& message) {
    defaultProcessing(message);
    switch (message.message) {
    case WM_SIZE:
        switch (message.wParam) {
        case SIZE_RESTORED:
            onRestored();
            fireHandlers(restored);
            break;
        case SIZE_MINIMIZED:
            onMinimized();
            fireHandlers(minimized);
            break;
        case SIZE_MAXIMIZED:
            onMaximized();
            fireHandlers(maximized);
            break;
        default:
            break;
        }
        break;
    case WM_CLOSE:
        if (isMainForm)
            PostQuitMessage(0);
        break;
    case WM_WINDOWPOSCHANGED:
        if (message.lParam) {
            const UINT flags = reinterpret_cast<const WINDOWPOS*>(message.lParam)->flags;
            if (flags & SWP_HIDEWINDOW)
                fireHandlers(hidden);
            else if (flags & SWP_SHOWWINDOW)
                fireHandlers(shown);
            if (!(flags & SWP_NOMOVE))
                fireHandlers(moved);
            if (!(flags & SWP_NOSIZE))
                fireHandlers(resized);
        }
        break;
    default:
        break;
    }
}

void Form::onStyleChanged() {
    paintFlags = style ? (PaintValidateOnly | EraseThroughErase) : 0;
}

void Form::eraseBackground(HDC dc, const Rect& clientRect) {
    if (!style)
        return;
    // A brush of its own for the one fill, released when the call ends.
    const Brush brush(style->color(kColorFormBody));
    const RECT r = {clientRect.left, clientRect.top, clientRect.right, clientRect.bottom};
    FillRect(dc, &r, brush.handle());
}

void Form::previewKey(int32_t key, bool down, bool& handled) {
    // A key the focused control works with is its own: neither a shortcut nor Return and
    // Escape of the form take it from there.
    if (focusedControlKeepsKey(key))
        return;
    const auto mask = static_cast<int16_t>(getModifierKeys() & kShortcutModifierMask);
    if (Shortcut* shortcut = shortcuts.find(key, mask)) {
        handled = true;
        if (down)
            fireHandlers(shortcut->pressed);
        return;
    }
    // Return and Escape act on their key-down only: the release of a key pressed in another
    // window (a dialog that the press closed, a palette it hid) must not answer this one.
    if (!down || topModalForm() != this || mask != 0)
        return;
    if (key == VK_RETURN) {
        const HWND focused = GetFocus();
        if (focused) {
            const LONG focusedStyle = GetWindowLongW(focused, GWL_STYLE);
            // A multi-line edit that wants Return keeps it for itself.
            if ((focusedStyle & 1) || !(focusedStyle & ES_WANTRETURN))
                onEnterKey();
        }
    } else if (key == VK_ESCAPE) {
        onEscapeKey();
    }
}

void Form::showModal() {
    // Shown again while it is modal already: it moves to the top, never stands twice.
    modalForms.erase(std::remove(modalForms.begin(), modalForms.end(), this), modalForms.end());
    modalForms.push_back(this);
    if (programBuild != ProgramBuild::Viewer)
        return;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    // Raised is not yet active where a window manager decides: without the activation asked
    // for, the user's first click on the window would only activate it.
    bringToFront();
}

void Form::setClientSize(const Rect& clientRect) {
    RECT r = {clientRect.left, clientRect.top, clientRect.right, clientRect.bottom};
    AdjustWindowRect(&r, static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)), FALSE);
    const Rect placed = centerRect(bounds(), Rect(r.left, r.top, r.right, r.bottom));
    SetWindowPos(hwnd, nullptr, placed.left, placed.top, placed.width(), placed.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::removeMinMaxBoxes() {
    const Rect client = clientRect();
    const LONG windowStyle = GetWindowLongW(hwnd, GWL_STYLE);
    if (windowStyle & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))
        SetWindowLongW(hwnd, GWL_STYLE, windowStyle & ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    setClientSize(client);
}

Shortcut* Form::addShortcut(int32_t key, int16_t modifiers) {
    return shortcuts.add(key, modifiers);
}

Shortcut* Form::findShortcut(int32_t key, int16_t modifiers) const {
    return shortcuts.find(key, modifiers);
}

} // namespace winui
