#pragma once

#include "ui_toolkit/Form.h"

#include <windows.h>

// The palette that drops down under the entry dialog's colour swatch: 20 colour cells in a
// small window without caption. While it shows it holds the mouse capture, so the next click
// anywhere on the screen reaches it: a click on a cell picks that colour, and any click closes
// it. Its owner reads chosenColor when the form's hidden event fires.
class PickTMColorForm : public winui::Form {
public:
    PickTMColorForm();

    void onShown() override;
    void paint(winui::Canvas& canvas, const winui::Rect& updateRect) override;
    void onMouseDown(int32_t x, int32_t y, int32_t button) override;
    void onStyleChanged() override;
    // Closing the window (Alt+F4) and Escape only hide it, picking nothing: the window is
    // shown again for the next pick.
    void onClosing(bool& allow) override;
    void onEscapeKey() override;

    // The colour picked; the owner sets it to the current colour before showing the palette,
    // so that a click that picks nothing leaves that colour.
    COLORREF chosenColor = 0;
};
