#include "ui_toolkit/Control.h"

#include "core/app/Application.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/Toolkit.h"

#include <algorithm>
#include <vector>

namespace winui {

Control::Frame* Control::activeFrames = nullptr;

namespace {

WindowRegistry& registry() {
    return Application::instance().windows();
}

} // namespace

Control::Control(Control* parentControl) : parent(parentControl) {
    if (!started)
        startUp();
    if (parent) {
        style = parent->style;
        parent->children.insert(this);
        font.assign(parent->font);
    } else {
        font.assign(defaultFont);
    }
}

Control::~Control() {
    // A dispatch of one of this Control's messages that is still on the stack must not touch
    // the object once this destructor returns.
    for (Frame* frame = activeFrames; frame; frame = frame->outer) {
        if (frame->control == this)
            frame->deleted = true;
    }
    if (parent) {
        parent->children.erase(this);
        const auto own = parent->childIds.find(id);
        if (own != parent->childIds.end() && own->second == this)
            parent->childIds.erase(own);
    }
    while (!children.empty())
        delete *children.begin();
    forgetModal();
    if (hwnd) {
        // Taken out of the toolkit before it goes, so that the messages of its destruction
        // never reach an object that is half torn down, and the registry never keeps a
        // window of a deleted Control, even when the platform refuses to destroy it.
        const HWND window = detachWindow().second;
        DestroyWindow(window);
    }
}

// A form deleted while it is somewhere on the modal stack would leave a dangling entry there.
void Control::forgetModal() {
    modalForms.erase(std::remove_if(modalForms.begin(), modalForms.end(),
                                    [this](Form* form) { return static_cast<Control*>(form) == this; }),
                     modalForms.end());
}

void Control::createWindow(HWND parentWindow, const wchar_t* className, uint32_t windowStyle,
                           uint32_t extendedStyle, bool defaultPosition, const Rect& rect) {
    int x = rect.left;
    int y = rect.top;
    int width = rect.width();
    int height = rect.height();
    if (rect.isEmpty()) {
        x = -50;
        y = -50;
        width = 30;
        height = 30;
    }
    if (defaultPosition) {
        x = CW_USEDEFAULT;
        y = CW_USEDEFAULT;
    }
    hwnd = CreateWindowExW(extendedStyle, className, L"", windowStyle, x, y, width, height,
                           parentWindow, nullptr, Application::instance().instanceHandle(),
                           nullptr);
    if (hwnd) {
        registry().add(hwnd, this);
        const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
        if (current != windowProc) {
            oldWindowProc = current;
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProc));
        }
    }
    if (!noAutoId && parent) {
        id = ++parent->nextChildId;
        if (hwnd)
            SetWindowLongPtrW(hwnd, GWLP_ID, id);
        parent->childIds[id] = this;
    }
    if (hwnd && !font.isNull())
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.handle()), FALSE);
    if (!noAutoId) {
        onStyleChanged();
        onFontChanged();
        if (windowStyle & WS_VISIBLE)
            onShown();
    }
}

void Control::setText(const std::wstring& text) {
    SetWindowTextW(hwnd, text.c_str());
}

void Control::setNarrowText(const std::string& text) {
    SetWindowTextA(hwnd, text.c_str());
}

// A child may delete a sibling while it takes a new font or style (a check box its cover):
// the walks over a copy of the children skip the ones gone meanwhile.
bool Control::isChild(const Control* control) const {
    return children.count(const_cast<Control*>(control)) != 0;
}

void Control::setFont(const Font& source) {
    if (source.handle() == font.handle())
        return;
    // assign makes the new handle before it deletes the old one.
    font.assign(source);
    for (Control* child : std::vector<Control*>(children.begin(), children.end())) {
        if (isChild(child) && child->inheritFont)
            child->setFont(source);
    }
    onFontChanged();
    if (hwnd)
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.handle()), FALSE);
}

void Control::setStyle(Style* newStyle) {
    if (newStyle == style)
        return;
    style = newStyle;
    for (Control* child : std::vector<Control*>(children.begin(), children.end())) {
        if (isChild(child) && child->inheritStyle)
            child->setStyle(newStyle);
    }
    onStyleChanged();
    if (hwnd) {
        InvalidateRect(hwnd, nullptr, TRUE);
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
    }
}

Rect Control::bounds() const {
    RECT r;
    if (!hwnd || !GetWindowRect(hwnd, &r))
        return Rect();
    // Only a child window stands in its parent's client area; an owned top-level window (a
    // dialog, a popup) has its place on the screen.
    if (parent && parent->hwnd && (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(nullptr, parent->hwnd, reinterpret_cast<POINT*>(&r), 2);
    return Rect(r.left, r.top, r.right, r.bottom);
}

Rect Control::clientRect() const {
    RECT r = {};
    if (hwnd)
        GetClientRect(hwnd, &r);
    return Rect(r.left, r.top, r.right, r.bottom);
}

std::wstring Control::text() const {
    if (!hwnd)
        return std::wstring();
    const auto length = static_cast<size_t>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
    std::wstring result(length + 1, L'\0');
    const auto copied = static_cast<size_t>(
        SendMessageW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&result[0])));
    result.resize(std::min(copied, length));
    return result;
}

Control* Control::topAncestor() {
    Control* control = this;
    while (control->parent)
        control = control->parent;
    return control;
}

const Control* Control::topAncestor() const {
    const Control* control = this;
    while (control->parent)
        control = control->parent;
    return control;
}

namespace {

bool isMessageBoxOf(HWND window, HWND owner) {
    wchar_t className[16] = {};
    return GetWindow(window, GW_OWNER) == owner && IsWindowVisible(window) &&
           GetClassNameW(window, className, 16) && lstrcmpW(className, L"#32770") == 0;
}

BOOL CALLBACK raiseMessageBox(HWND window, LPARAM owner) {
    if (isMessageBoxOf(window, reinterpret_cast<HWND>(owner)))
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return TRUE;
}

} // namespace

int Control::showMessage(const std::wstring& text, const std::wstring& caption, UINT type) const {
    Control* owner = const_cast<Control*>(topAncestor());
    const HWND ownerWindow = owner->hwnd;
    if (!ownerWindow)
        return MessageBoxW(nullptr, text.c_str(), caption.c_str(), type);
    ++owner->openMessageBoxes;
    const int pressed = MessageBoxW(ownerWindow, text.c_str(), caption.c_str(), type);
    // The owner may have gone while the box ran its own message loop.
    if (registry().find(ownerWindow) != owner)
        return pressed;
    if (--owner->openMessageBoxes == 0 && owner->enableWaiting) {
        owner->enableWaiting = false;
        owner->setEnabled(owner->enableWanted);
    }
    return pressed;
}

void Control::raiseMessageBoxes() {
    const Control* owner = topAncestor();
    if (owner->openMessageBoxes > 0 && owner->hwnd)
        EnumThreadWindows(GetCurrentThreadId(), raiseMessageBox, reinterpret_cast<LPARAM>(owner->hwnd));
}

bool Control::isTopLevel() const {
    return hwnd && !(GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD);
}

void Control::setEnabled(bool enable) {
    if (!hwnd)
        return;
    if (openMessageBoxes > 0) {
        enableWaiting = true;
        enableWanted = enable;
        return;
    }
    if (!enable) {
        saveFocus();
        EnableWindow(hwnd, FALSE);
        return;
    }
    EnableWindow(hwnd, TRUE);
    const HWND focused = GetFocus();
    if (GetActiveWindow() == hwnd && (!focused || focused == hwnd))
        restoreFocus();
}

void Control::saveFocus() {
    const HWND focused = GetFocus();
    if (focused && (focused == hwnd || IsChild(hwnd, focused)))
        savedFocus = focused;
}

void Control::restoreFocus() {
    const HWND saved = savedFocus;
    savedFocus = nullptr;
    if (saved && saved != hwnd && IsChild(hwnd, saved) && (GetWindowLongW(saved, GWL_STYLE) & WS_VISIBLE) &&
        IsWindowEnabled(saved)) {
        SetFocus(saved);
        return;
    }
    focusFirstControl();
}

bool Control::focusFirstControl() {
    for (const auto& entry : childIds) {
        Control* child = entry.second;
        // The window's own bit: a window being shown is activated before it counts as visible.
        if (!child->hwnd || !(GetWindowLongW(child->hwnd, GWL_STYLE) & WS_VISIBLE) || !IsWindowEnabled(child->hwnd))
            continue;
        if (GetWindowLongW(child->hwnd, GWL_STYLE) & WS_TABSTOP) {
            SetFocus(child->hwnd);
            return true;
        }
        if (child->focusFirstControl())
            return true;
    }
    return false;
}

void Control::postCommand(uint16_t code) {
    PostMessageW(hwnd, WM_COMMAND, (static_cast<WPARAM>(code) << 16) + 0xFFFF,
                 reinterpret_cast<LPARAM>(hwnd));
}

void Control::bringToFront() {
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
}

void Control::releaseCapture() {
    if (hwnd && GetCapture() == hwnd)
        ReleaseCapture();
}

void Control::centerOnScreen() {
    const Rect window = bounds();
    const Rect screen(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    const Rect placed = centerRect(screen, Rect(0, 0, window.width(), window.height()));
    SetWindowPos(hwnd, nullptr, placed.left, placed.top, placed.width(), placed.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

bool takesTabFocus(const Control* control) {
    if (!control->hwnd)
        return false;
    const LONG windowStyle = GetWindowLongW(control->hwnd, GWL_STYLE);
    return (windowStyle & WS_TABSTOP) && (windowStyle & WS_VISIBLE) && IsWindowEnabled(control->hwnd);
}

} // namespace

void Control::focusNext() {
    if (!parent)
        return;
    const auto& ids = parent->childIds;
    auto own = ids.find(id);
    if (own == ids.end())
        return;
    for (auto it = std::next(own);; ++it) {
        if (it == ids.end())
            it = ids.begin();
        if (it == own)
            return;
        if (takesTabFocus(it->second)) {
            SetFocus(it->second->hwnd);
            return;
        }
    }
}

void Control::focusPrevious() {
    if (!parent)
        return;
    const auto& ids = parent->childIds;
    auto own = ids.find(id);
    if (own == ids.end())
        return;
    for (auto it = own;;) {
        if (it == ids.begin())
            it = ids.end();
        --it;
        if (it == own)
            return;
        if (takesTabFocus(it->second)) {
            SetFocus(it->second->hwnd);
            return;
        }
    }
}

void Control::layoutChildren(int32_t dx, int32_t dy) {
    if (dx == 0 && dy == 0)
        return;
    for (Control* child : std::vector<Control*>(children.begin(), children.end())) {
        if (!child->anchors)
            continue;
        Rect r = child->bounds();
        if (child->anchors & AnchorRight) {
            r.right += dx;
            if (!(child->anchors & AnchorLeft))
                r.left += dx;
        }
        if (child->anchors & AnchorBottom) {
            r.bottom += dy;
            if (!(child->anchors & AnchorTop))
                r.top += dy;
        }
        SetWindowPos(child->hwnd, nullptr, r.left, r.top, r.width(), r.height(), 0);
    }
}

void Control::changeStyle(uint32_t setBits, uint32_t clearBits) {
    if (!hwnd)
        return;
    const auto current = static_cast<uint32_t>(GetWindowLongW(hwnd, GWL_STYLE));
    const uint32_t wanted = (current & ~clearBits) | setBits;
    // Clearing every bit and setting the wanted ones hands recreateWindow the whole style.
    recreateWindow(0xFFFFFFFFu, nullptr, wanted);
}

namespace {

BOOL CALLBACK collectChildWindow(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

} // namespace

void Control::recreateWindow(uint32_t clearBits, const wchar_t* className, uint32_t setBits) {
    if (!hwnd)
        return;
    const auto oldStyle = static_cast<uint32_t>(GetWindowLongW(hwnd, GWL_STYLE));
    const auto oldId = static_cast<int32_t>(GetWindowLongPtrW(hwnd, GWLP_ID));
    wchar_t currentClass[257] = {};
    GetClassNameW(hwnd, currentClass, 256);
    const uint32_t newStyle = (oldStyle & ~clearBits) | setBits;
    const bool sameClass = !className || std::wstring(className) == currentClass;
    if (sameClass && newStyle == oldStyle)
        return;
    const std::wstring newClass = className ? std::wstring(className) : std::wstring(currentClass);

    const HWND parentWindow = GetParent(hwnd);
    const HWND before = GetWindow(hwnd, GW_HWNDPREV);
    const std::wstring oldText = text();
    const Rect oldBounds = bounds();
    const auto extendedStyle = static_cast<uint32_t>(GetWindowLongW(hwnd, GWL_EXSTYLE));
    const HWND oldWindow = detachWindow().second;
    noAutoId = true;
    createWindow(parentWindow, newClass.c_str(), newStyle, extendedStyle, false, oldBounds);
    if (hwnd) {
        SetWindowLongPtrW(hwnd, GWLP_ID, oldId);
        SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(oldText.c_str()));
        SetWindowPos(hwnd, before ? before : HWND_TOP, oldBounds.left, oldBounds.top,
                     oldBounds.width(), oldBounds.height(), SWP_NOACTIVATE);
        // The child windows are collected first: moving them while enumerating would change
        // the list being walked.
        std::vector<HWND> kids;
        EnumChildWindows(oldWindow, collectChildWindow, reinterpret_cast<LPARAM>(&kids));
        for (HWND kid : kids) {
            if (GetParent(kid) == oldWindow)
                SetParent(kid, hwnd);
        }
    }
    DestroyWindow(oldWindow);
    noAutoId = false;
}

Control* Control::childAt(int32_t x, int32_t y) const {
    for (Control* child : children) {
        const Rect r = child->bounds();
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return child;
    }
    return nullptr;
}

Control* Control::keyTarget() {
    if (Form* top = topModalForm()) {
        for (Control* control = this; control; control = control->parent) {
            if (control == static_cast<Control*>(top))
                return control;
        }
    }
    // The window the key was pressed in previews it: an owned window (a dialog, the details
    // window) is a top-level window of its own, not a part of its owner.
    Control* control = this;
    while (control->parent && control->hwnd && (GetWindowLongW(control->hwnd, GWL_STYLE) & WS_CHILD))
        control = control->parent;
    return control;
}

void Control::defaultProcessing(Message& message) {
    if (oldWindowProc)
        message.result = CallWindowProcW(oldWindowProc, hwnd, message.message, message.wParam,
                                         message.lParam);
    else
        message.result = DefWindowProcW(hwnd, message.message, message.wParam, message.lParam);
    message.handled = true;
}

std::pair<WNDPROC, HWND> Control::detachWindow() {
    if (Form* top = topModalForm()) {
        if (static_cast<Control*>(top) == this)
            modalForms.pop_back();
    }
    const HWND window = hwnd;
    WNDPROC replaced = nullptr;
    if (window) {
        registry().remove(window);
        if (oldWindowProc) {
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldWindowProc));
            replaced = oldWindowProc;
            oldWindowProc = nullptr;
        }
    }
    hwnd = nullptr;
    return std::make_pair(replaced, window);
}

} // namespace winui
