#pragma once

#include "core/events/HandlerList.h"
#include "ui_toolkit/Control.h"
#include "ui_toolkit/Cover.h"

#include <string>

namespace winui {

class CheckBoxCover;

// The platform's automatic check box. When the style gives check box images it lies under a
// CheckBoxCover that draws it from the style, while the native control keeps the mouse, the
// keyboard and the check state.
class CheckBox : public Control {
public:
    explicit CheckBox(Control* parent);
    ~CheckBox() override;

    void setText(const std::wstring& text) override;
    void setNarrowText(const std::string& text) override;
    void onMessage(Message& message) override;
    void onFocusGained() override;
    void onFocusLost() override;
    void onFontChanged() override;
    void onStyleChanged() override;

    bool isChecked() const;
    // Gives the cover the check box's place, visibility, focus and enabled state.
    void syncCover();

    // Fired whenever the check state is set, by the user or by a program.
    HandlerList changed;
    // Owned, although its window is a child of the check box's parent; null without images.
    CheckBoxCover* cover = nullptr;
};

// The painted overlay of a styled check box: the glyph of the state and the text beside it.
class CheckBoxCover : public Cover {
public:
    explicit CheckBoxCover(CheckBox* box);
    ~CheckBoxCover() override;

    void paint(Canvas& canvas, const Rect& updateRect) override;

    // Each stores the value and repaints only when it changed.
    void setChecked(bool value);
    void setPressed(bool value);

    // The element shown in the current state.
    int32_t currentElement() const;

    CheckBox* box;
    bool checked = false;
    bool pressed = false;
};

} // namespace winui
