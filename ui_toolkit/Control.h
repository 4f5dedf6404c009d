#pragma once

#include "ui_toolkit/Message.h"
#include "core/values/Font.h"
#include "core/values/Rect.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace winui {

class Canvas;
class Style;

// Anchor bits: which edges of a child follow its parent's edges when the parent is resized.
enum Anchor : uint32_t {
    AnchorLeft = 1,
    AnchorTop = 2,
    AnchorRight = 4,
    AnchorBottom = 8,
};

// Paint bits: how the dispatcher treats WM_PAINT and WM_ERASEBKGND.
enum PaintFlag : uint32_t {
    PaintThroughPaint = 1,     // WM_PAINT calls paint()
    PaintValidateOnly = 2,     // WM_PAINT validates without painting
    EraseThroughErase = 4,     // WM_ERASEBKGND calls eraseBackground()
    EraseSwallow = 8,          // WM_ERASEBKGND is taken without erasing
};

// The base of every window object of the toolkit. A Control owns one native window and all
// of its child Controls; every message of that window arrives through windowProc and
// dispatchMessage as a call of one of the virtual operations below, which do nothing unless a
// subclass overrides them. Native controls keep their behaviour: their window is subclassed
// and default processing calls the window procedure that was replaced.
//
// A Control may be deleted from inside one of its own message handlers (a button's click
// closing its form, say): the dispatcher notices and touches the object no further.
class Control {
public:
    explicit Control(Control* parent);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    virtual void setText(const std::wstring& text);
    virtual void setNarrowText(const std::string& text);
    // Every message that the dispatcher does not finish itself.
    virtual void onMessage(Message& message) {}
    virtual void onNotify(NMHDR* header) {}
    virtual void onCommand(uint16_t code) {}
    virtual void onShown() {}
    virtual void onHidden() {}
    virtual void onActivated() {}
    virtual void onDeactivated() {}
    virtual void onResized() {}
    virtual void onFocusGained() {}
    virtual void onFocusLost() {}
    // Clearing allow refuses the close.
    virtual void onClosing(bool& allow) {}
    virtual void onClose() {}
    virtual void onTimer(UINT_PTR timerId) {}
    virtual void eraseBackground(HDC dc, const Rect& clientRect) {}
    virtual void paint(Canvas& canvas, const Rect& updateRect) {}
    virtual void onMouseMove(int32_t x, int32_t y) {}
    // button: 0 left, 1 right.
    virtual void onMouseDown(int32_t x, int32_t y, int32_t button) {}
    virtual void onMouseUp(int32_t x, int32_t y, int32_t button) {}
    // In client coordinates.
    virtual void onContextMenu(int32_t x, int32_t y) {}
    virtual void onDoubleClick(int32_t x, int32_t y) {}
    virtual void measureItem(MEASUREITEMSTRUCT* item) {}
    virtual void drawItem(Canvas& canvas, DRAWITEMSTRUCT* item) {}
    virtual void onMouseWheel(int32_t notches, bool& handled) {}
    virtual void onKeyDown(int32_t key, bool& handled) {}
    virtual void onKeyUp(int32_t key, bool& handled) {}
    // Called on keyTarget() before onKeyDown/onKeyUp; a key marked handled goes no further.
    virtual void previewKey(int32_t key, bool down, bool& handled) {}
    virtual void onChar(wchar_t character, bool& handled) {}
    virtual void onFontChanged() {}
    virtual void onStyleChanged() {}
    virtual void onTextChanged() {}

    // Turns one message of the Control's window into virtual calls; windowProc calls it.
    LRESULT dispatchMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void setFont(const Font& source);
    void setStyle(Style* newStyle);

    // The window rectangle: in the parent's client coordinates for a child window (WS_CHILD),
    // else in screen coordinates; all zero when it cannot be read.
    Rect bounds() const;
    Rect clientRect() const;
    std::wstring text() const;

    // A message box owned by the top ancestor's window; returns the button pressed. While it is
    // open it stays above its owner's popups, and its owner stays disabled (see setEnabled).
    int showMessage(const std::wstring& text, const std::wstring& caption, UINT type) const;
    // Enables or disables the window. A window disabled while the focus was in it gives the
    // focus back, once enabled again, to the control that had it (to its first control when
    // the window itself had it). While a message box of the window is open, the change waits
    // until the last box closes: the box keeps its owner disabled.
    void setEnabled(bool enable);
    // Gives the focus to the first visible, enabled control with a tab stop, in creation order,
    // looking into containers that take no focus themselves. False when there is none.
    bool focusFirstControl();
    // Puts the open message boxes of the top ancestor above every other window of it; the
    // dispatcher calls it when a top-level window of the program is shown or raised.
    void raiseMessageBoxes();
    // Posts WM_COMMAND (code in the high word, 0xFFFF in the low word, the own window as
    // sender) to the own window: onCommand(code) runs after the messages already queued.
    void postCommand(uint16_t code);
    void bringToFront();
    void releaseCapture();
    void centerOnScreen();

    void focusNext();
    void focusPrevious();
    // Moves and sizes the anchored children by the change of the client size.
    void layoutChildren(int32_t dx, int32_t dy);

    void changeStyle(uint32_t setBits, uint32_t clearBits);
    // Replaces the native window by one of another style or class (null: keep the class).
    void recreateWindow(uint32_t clearBits, const wchar_t* className, uint32_t setBits);

    // The first child whose bounds contain the point (right and bottom exclusive), or null.
    Control* childAt(int32_t x, int32_t y) const;
    // The Control that previews keys for this one: the top modal form when it is this Control
    // or one of its ancestors, else the top-level window it lies in (the first Control upwards
    // whose window is no child window).
    Control* keyTarget();
    Control* topAncestor();
    const Control* topAncestor() const;

    void defaultProcessing(Message& message);
    // Takes the window out of the toolkit: pops it from the modal stack when it is the top,
    // unregisters it, puts back a replaced window procedure. Returns that procedure (null when
    // there was none) and the window, and clears hwnd.
    std::pair<WNDPROC, HWND> detachWindow();

    Control* parent = nullptr;
    HWND hwnd = nullptr;
    WNDPROC oldWindowProc = nullptr;
    std::set<Control*> children;
    std::map<int32_t, Control*> childIds;
    bool noAutoId = false;
    int32_t lastClientWidth = 0;
    int32_t lastClientHeight = 0;
    int32_t minWidth = 0;
    int32_t minHeight = 0;
    int32_t id = 0;
    int32_t nextChildId = 0;
    uint32_t paintFlags = 0;
    uint32_t anchors = 0;
    Font font;
    bool inheritFont = true;
    Style* style = nullptr;
    bool inheritStyle = true;
    // Message boxes open over this window (showMessage), and an enable or disable that waits
    // for them to close.
    int32_t openMessageBoxes = 0;
    bool enableWaiting = false;
    bool enableWanted = true;
    // The window that had the focus when this top-level window was disabled or deactivated.
    HWND savedFocus = nullptr;

protected:
    // An empty rectangle gives a 30 x 30 window at (-50, -50) until the owner places it.
    void createWindow(HWND parentWindow, const wchar_t* className, uint32_t windowStyle,
                      uint32_t extendedStyle, bool defaultPosition, const Rect& rect);

private:
    // One message being dispatched. The frames of nested dispatches form a stack; a Control
    // that is deleted marks its frames, so that the dispatcher returns without touching it.
    struct Frame {
        Control* control;
        bool deleted;
        Frame* outer;
    };
    static Frame* activeFrames;

    // Runs onMessage and, unless it took the message, default processing. False when the
    // Control was deleted meanwhile; the caller must then leave the object alone.
    bool finish(Message& message, Frame& frame);
    LRESULT dispatchKey(Message& message, Frame& frame, bool down);
    LRESULT dispatchShowWindow(Message& message, Frame& frame);
    void forgetModal();
    void saveFocus();
    void restoreFocus();
    bool isTopLevel() const;
    bool isChild(const Control* control) const;
};

} // namespace winui
