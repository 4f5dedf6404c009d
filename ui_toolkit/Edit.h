#pragma once

#include "core/events/HandlerList.h"
#include "ui_toolkit/Control.h"

#include <cstdint>

namespace winui {

// Kinds of edit, the constructor's argument.
enum EditKind : int32_t {
    EditSingleLine = 0,
    EditPassword = 1,
    EditMultiLine = 2,
};

// The platform's edit control, whose notifications and a few keys become events. Ctrl+A
// selects all text; Return in a single-line edit fires returnPressed instead of reaching it.
class Edit : public Control {
public:
    explicit Edit(Control* parent, int32_t kind = EditSingleLine);

    void onMessage(Message& message) override;
    void onCommand(uint16_t code) override;

    void clear();

    // The window style of a kind; an unknown kind gets no style of its own.
    static uint32_t windowStyleFor(int32_t kind);

    HandlerList changed;
    HandlerList returnPressed;
    // Both fire after the platform has done the copy or the paste.
    HandlerList copied;
    HandlerList pasted;
    HandlerList focusGained;
    HandlerList focusLost;
};

} // namespace winui
