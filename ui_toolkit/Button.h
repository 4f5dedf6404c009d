#pragma once

#include "core/events/HandlerList.h"
#include "ui_toolkit/Control.h"
#include "ui_toolkit/Image.h"

#include <string>

namespace winui {

// A push button. When the style gives a "Button" image it is owner-drawn from the style's
// button elements through a back buffer; otherwise it is the platform's own button.
//
// A button marked as the default one (setDefault) shows "ButtonDefault" in its plain state and
// every other button "Button": an owner-drawn button's type bits always include the bit that
// marks a native default button, so the mark is kept here instead.
class Button : public Control {
public:
    explicit Button(Control* parent);
    ~Button() override;

    void onCommand(uint16_t code) override;
    void drawItem(Canvas& canvas, DRAWITEMSTRUCT* item) override;
    void onStyleChanged() override;

    // The rectangle the text is drawn into: its extent on the canvas, centred in the
    // rectangle. Buttons that also show an image lay the two out here.
    virtual Rect centeredTextRect(Canvas& canvas, const std::wstring& text, const Rect& rect);

    // Marks the button as the window's default one: BS_DEFPUSHBUTTON while it is native, the
    // "ButtonDefault" element while it is owner-drawn. The mark survives style changes.
    void setDefault(bool isDefaultButton);
    bool isDefault() const { return default_; }

    // The element an owner-drawn button shows for an item state (ODS_* bits) and whether its
    // keyboard cues show focus.
    int32_t elementFor(UINT itemState, bool focusCues) const;

    HandlerList clicked;
    // The back buffer of owner drawing, at the client size; empty until the first draw.
    Image buffer;

private:
    bool default_ = false;
};

} // namespace winui
