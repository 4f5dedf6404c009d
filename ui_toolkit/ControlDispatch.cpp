#include "ui_toolkit/Control.h"

#include "core/app/Application.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/Toolkit.h"

#include <windowsx.h>

namespace winui {

namespace {

Control* registered(HWND window) {
    return Application::instance().windows().find(window);
}

// The message a window posts itself to put the open message boxes back on top.
UINT raiseMessageBoxesMessage() {
    static const UINT message = RegisterWindowMessageW(L"winui.raiseMessageBoxes");
    return message;
}

bool isTopModal(const Control* control) {
    const Form* top = topModalForm();
    return top && static_cast<const Control*>(top) == control;
}

bool insideTopModal(Control* control) {
    for (; control; control = control->parent) {
        if (isTopModal(control))
            return true;
    }
    return false;
}

} // namespace

bool Control::finish(Message& message, Frame& frame) {
    onMessage(message);
    if (frame.deleted)
        return false;
    if (!message.handled)
        defaultProcessing(message);
    return true;
}

LRESULT Control::dispatchKey(Message& message, Frame& frame, bool down) {
    const auto key = static_cast<int32_t>(message.wParam);
    bool handled = false;
    keyTarget()->previewKey(key, down, handled);
    if (frame.deleted || handled)
        return 0;
    if (down)
        onKeyDown(key, handled);
    else
        onKeyUp(key, handled);
    if (frame.deleted || handled)
        return 0;
    finish(message, frame);
    return message.result;
}

LRESULT Control::dispatchShowWindow(Message& message, Frame& frame) {
    const bool hiding = message.wParam == FALSE;
    if (hiding && isTopModal(this)) {
        const bool viewer = programBuild == ProgramBuild::Viewer;
        if (viewer)
            releaseCapture();
        modalForms.pop_back();
        if (Form* top = topModalForm()) {
            top->bringToFront();
            if (viewer)
                SetFocus(top->hwnd);
        } else if (parent) {
            parent->bringToFront();
        }
    }
    finish(message, frame);
    return message.result;
}

LRESULT Control::dispatchMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    Message message;
    message.message = msg;
    message.wParam = wParam;
    message.lParam = lParam;
    Frame frame{this, false, activeFrames};
    activeFrames = &frame;
    struct PopFrame {
        Frame* outer;
        ~PopFrame() { activeFrames = outer; }
    } popFrame{frame.outer};
    // Every virtual call below may delete this Control; after each one the frame tells.
#define WINUI_LEAVE_IF_DELETED(value) \
    do {                              \
        if (frame.deleted)            \
            return (value);           \
    } while (0)

    switch (msg) {
    case WM_DESTROY: {
        // A form destroyed anywhere on the modal stack must not stay there: once it were the
        // top, every activation would be sent to a window that no longer exists.
        const auto old = detachWindow();
        for (auto it = modalForms.begin(); it != modalForms.end();) {
            if (static_cast<Control*>(*it) == this)
                it = modalForms.erase(it);
            else
                ++it;
        }
        if (old.first)
            return CallWindowProcW(old.first, old.second, msg, wParam, lParam);
        return DefWindowProcW(old.second, msg, wParam, lParam);
    }
    case WM_SIZE:
        // SIZE_MINIMIZED is tested as a bit, so SIZE_MAXSHOW (3) is passed over too: neither
        // brings a client size to lay the children out for.
        if (!(wParam & SIZE_MINIMIZED)) {
            const int32_t width = LOWORD(lParam);
            const int32_t height = HIWORD(lParam);
            if (lastClientWidth != 0 && lastClientHeight != 0)
                layoutChildren(width - lastClientWidth, height - lastClientHeight);
            lastClientWidth = width;
            lastClientHeight = height;
            onResized();
            WINUI_LEAVE_IF_DELETED(0);
        }
        break;
    case WM_ACTIVATE:
        defaultProcessing(message);
        // The high word says whether the window is minimised; only the low word tells
        // activation from deactivation.
        if (LOWORD(wParam) == WA_INACTIVE) {
            // The focus is still where the user left it; it returns there on the next
            // activation.
            if (isTopLevel())
                saveFocus();
            onDeactivated();
        } else if (Form* top = topModalForm(); top && !isTopModal(this)) {
            if (top->hwnd)
                SetActiveWindow(top->hwnd);
        } else {
            // Default processing gave the focus to the window itself: a control takes it, the
            // one that had it last or else the first one.
            if (isTopLevel() && !HIWORD(wParam)) {
                const HWND focused = GetFocus();
                if (!focused || focused == hwnd)
                    restoreFocus();
            }
            WINUI_LEAVE_IF_DELETED(0);
            onActivated();
        }
        return message.result;
    case WM_SETFOCUS:
        if (topModalForm() && !insideTopModal(this)) {
            if (HWND top = topModalForm()->hwnd) {
                SetActiveWindow(top);
                SetFocus(top);
            }
            return 0;
        }
        defaultProcessing(message);
        onFocusGained();
        return message.result;
    case WM_KILLFOCUS:
        defaultProcessing(message);
        onFocusLost();
        return message.result;
    case WM_SETTEXT:
        defaultProcessing(message);
        onTextChanged();
        return message.result;
    case WM_PAINT:
        if (paintFlags & (PaintThroughPaint | PaintValidateOnly)) {
            PAINTSTRUCT ps;
            const HDC dc = BeginPaint(hwnd, &ps);
            const Rect update(ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
            if ((paintFlags & PaintThroughPaint) && !update.isEmpty()) {
                Canvas canvas(dc);
                canvas.setFont(font);
                paint(canvas, update);
                // The window is gone with its Control; EndPaint on it would be meaningless.
                WINUI_LEAVE_IF_DELETED(0);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        break;
    case WM_CLOSE: {
        bool allow = true;
        onClosing(allow);
        WINUI_LEAVE_IF_DELETED(0);
        if (!allow)
            return 1;
        onClose();
        WINUI_LEAVE_IF_DELETED(0);
        break;
    }
    case WM_ERASEBKGND:
        if (paintFlags & (EraseThroughErase | EraseSwallow)) {
            if (paintFlags & EraseThroughErase)
                eraseBackground(reinterpret_cast<HDC>(wParam), clientRect());
            return TRUE;
        }
        break;
    case WM_SHOWWINDOW:
        return dispatchShowWindow(message, frame);
    case WM_DRAWITEM: {
        const auto found = childIds.find(static_cast<int32_t>(wParam));
        if (found != childIds.end() && lParam) {
            auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            Canvas canvas(item->hDC);
            found->second->drawItem(canvas, item);
            return TRUE;
        }
        break;
    }
    case WM_MEASUREITEM: {
        const auto found = childIds.find(static_cast<int32_t>(wParam));
        if (found != childIds.end()) {
            found->second->measureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    }
    case WM_WINDOWPOSCHANGING:
        if (lParam) {
            auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
            if (!(pos->flags & SWP_NOSIZE)) {
                if (pos->cx < minWidth)
                    pos->cx = minWidth;
                if (pos->cy < minHeight)
                    pos->cy = minHeight;
            }
        }
        break;
    case WM_WINDOWPOSCHANGED:
        if (lParam) {
            const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (pos->flags & SWP_SHOWWINDOW)
                onShown();
            else if (pos->flags & SWP_HIDEWINDOW)
                onHidden();
            WINUI_LEAVE_IF_DELETED(0);
            // A window of the program shown or raised while a message box is open goes under it,
            // once the showing or activation that raised it is over.
            if (!(pos->flags & SWP_HIDEWINDOW) && (pos->flags & (SWP_SHOWWINDOW | SWP_NOZORDER)) != SWP_NOZORDER &&
                isTopLevel() && topAncestor()->openMessageBoxes > 0)
                PostMessageW(hwnd, raiseMessageBoxesMessage(), 0, 0);
        }
        break;
    case WM_NOTIFY:
        if (lParam) {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (Control* sender = registered(header->hwndFrom))
                sender->onNotify(header);
            WINUI_LEAVE_IF_DELETED(0);
        }
        break;
    case WM_CONTEXTMENU: {
        POINT cursor = {};
        GetCursorPos(&cursor);
        ScreenToClient(hwnd, &cursor);
        onContextMenu(cursor.x, cursor.y);
        WINUI_LEAVE_IF_DELETED(0);
        break;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        return dispatchKey(message, frame, true);
    case WM_KEYUP:
    case WM_SYSKEYUP:
        return dispatchKey(message, frame, false);
    case WM_CHAR: {
        // A Tab typed with Alt held is an ordinary character.
        if (wParam == L'\t' && !(HIWORD(lParam) & KF_ALTDOWN) && parent &&
            (GetWindowLongW(hwnd, GWL_STYLE) & WS_TABSTOP)) {
            PostMessageW(parent->hwnd, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
            if (GetKeyState(VK_SHIFT) < 0)
                focusPrevious();
            else
                focusNext();
            return 0;
        }
        bool handled = false;
        onChar(static_cast<wchar_t>(wParam), handled);
        WINUI_LEAVE_IF_DELETED(0);
        if (handled)
            return 0;
        break;
    }
    case WM_COMMAND:
        if (lParam) {
            if (Control* sender = registered(reinterpret_cast<HWND>(lParam)))
                sender->onCommand(HIWORD(wParam));
        } else if (wParam == LOWORD(wParam) && menuCommandRouter) {
            // A menu click carries nothing above the item's id; an accelerator's has 1 in the
            // high word and is no menu item's.
            menuCommandRouter(LOWORD(wParam));
        }
        WINUI_LEAVE_IF_DELETED(0);
        break;
    case WM_TIMER:
        onTimer(wParam);
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        if (style) {
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, style->color(kColorWindowText));
            SetBkColor(dc, style->color(kColorWindow));
            return reinterpret_cast<LRESULT>(style->windowBrush().handle());
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (style) {
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, style->color(kColorFormText));
            SetBkColor(dc, style->color(kColorFormBody));
            return reinterpret_cast<LRESULT>(style->formBodyBrush().handle());
        }
        break;
    case WM_MOUSEMOVE:
        onMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        WINUI_LEAVE_IF_DELETED(0);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        onMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), msg == WM_LBUTTONDOWN ? 0 : 1);
        WINUI_LEAVE_IF_DELETED(0);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        onMouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), msg == WM_LBUTTONUP ? 0 : 1);
        WINUI_LEAVE_IF_DELETED(0);
        break;
    case WM_LBUTTONDBLCLK:
        onDoubleClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        WINUI_LEAVE_IF_DELETED(0);
        break;
    case WM_MOUSEWHEEL: {
        bool handled = false;
        onMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA, handled);
        WINUI_LEAVE_IF_DELETED(0);
        if (handled)
            return 0;
        break;
    }
    default:
        if (msg == raiseMessageBoxesMessage() && msg != 0) {
            raiseMessageBoxes();
            return 0;
        }
        break;
    }
#undef WINUI_LEAVE_IF_DELETED
    finish(message, frame);
    return message.result;
}

} // namespace winui
