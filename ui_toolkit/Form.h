#pragma once

#include "core/app/Shortcut.h"
#include "core/events/HandlerList.h"
#include "ui_toolkit/Control.h"

#include <cstdint>

namespace winui {

// Creation flags of a form, combined freely.
enum FormFlag : uint32_t {
    FormDefaultPosition = 0x001,
    FormCentered = 0x002,
    FormPopup = 0x004,
    FormNoCaption = 0x008,
    // Main window class with the small icon; closing the form ends the message loop.
    FormMain = 0x100,
};

// Whether the focused window works with the key itself, so that no form acts on it: every key
// of an open drop-down list and the arrows of a focused one. Edits leave the form's shortcuts
// their keys (the main window's Up and Down move through the results or a document from its
// fields); a key pressed in another top-level window never reaches this form's shortcuts.
bool focusedControlKeepsKey(int32_t key);

// The toolkit's top-level window: a program's main window, its dialogs and popups. A form is
// created hidden. Modality is not a nested message loop: showModal puts the form on the modal
// stack and returns, and while it is the top the dispatcher sends activation, focus and the
// key preview of its owner windows to it. The owner hides the form when done and reads the
// result from the form's own members.
class Form : public Control {
public:
    Form(Control* parent, int32_t clientWidth, int32_t clientHeight, uint32_t flags);
    ~Form() override;

    void onMessage(Message& message) override;
    void eraseBackground(HDC dc, const Rect& clientRect) override;
    void previewKey(int32_t key, bool down, bool& handled) override;
    void onStyleChanged() override;

    virtual void onMaximized() {}
    virtual void onMinimized() {}
    // Every ordinary resize too (size type "restored").
    virtual void onRestored() {}
    // Return in the top modal form, on its key-down only.
    virtual void onEnterKey() {}
    // Escape in the top modal form, on its key-down only.
    virtual void onEscapeKey() {}

    // Appends the form to the modal stack (moving it to the top when it is on it already),
    // shows it and raises it (in the viewer; the other programs show it themselves). Returns
    // at once.
    void showModal();
    // Grows or shrinks the form around its centre so that its client area has the size of
    // the rectangle.
    void setClientSize(const Rect& clientRect);
    // Drops the minimise and maximise boxes, keeping the client size.
    void removeMinMaxBoxes();

    // The entry for key and modifier mask (Shift 1, Ctrl 2, Alt 4, left/right Windows key
    // 0x400/0x800), created with an empty event when there is none; null only when memory ran
    // out. Callers connect to its pressed event.
    Shortcut* addShortcut(int32_t key, int16_t modifiers);
    // Exact lookup; null when there is no such entry.
    Shortcut* findShortcut(int32_t key, int16_t modifiers) const;

    HandlerList moved;
    HandlerList resized;
    HandlerList shown;
    HandlerList hidden;
    HandlerList maximized;
    HandlerList minimized;
    HandlerList restored;
    const bool isMainForm;
    ShortcutTable shortcuts;
};

} // namespace winui
