#pragma once

#include "core/events/HandlerList.h"
#include "ui_toolkit/Control.h"

#include <windows.h>

namespace winui {

// A painted colour swatch: its colour in a thin frame, or the form colour in a dashed frame
// while it is disabled. A press of either mouse button fires both events.
class ColorRect : public Control {
public:
    explicit ColorRect(Control* parent);
    ~ColorRect() override;

    void paint(Canvas& canvas, const Rect& updateRect) override;
    void onMouseDown(int32_t x, int32_t y, int32_t button) override;

    // Stores the colour and repaints when it changed.
    void setColor(COLORREF value);

    HandlerList clicked;
    // Fired with the swatch itself (ColorRect*), so that one handler can serve several.
    HandlerList clickedFrom;
    COLORREF color = 0;

private:
    // Set while the events fire: a handler may delete the swatch.
    bool* deletedFlag_ = nullptr;
};

} // namespace winui
