#pragma once

#include "ui_toolkit/Control.h"

namespace winui {

// A painted window over a native control (a styled check box or combo box): a child of the
// control's parent that lets every mouse action through to the control, follows its place,
// visibility, focus and enabled state, and draws it from the style. The covered control owns
// its cover.
class Cover : public Control {
public:
    void onMessage(Message& message) override;
    void onTextChanged() override;

    // Each stores the value and repaints only when it changed.
    void setEnabled(bool value);
    void setFocused(bool value);

    // Puts the cover at the bounds and at the top of the z-order, shown exactly when visible
    // is set. A child window starts below its elder siblings, so the cover has to be raised
    // above the control it covers; each move of the control raises it again.
    void place(const Rect& bounds, bool visible);
    // Draws in the covered control's font from now on, whatever font the parent has.
    void takeFont(const Font& controlFont);

    bool enabled = false;
    bool focused = false;

protected:
    // Created as a child of the covered control's parent.
    explicit Cover(Control* coveredControl);

    void update(bool& member, bool value);
    void repaint();
};

} // namespace winui
