#include "group_builder/forms/FormLayout.h"

#include "ui_toolkit/Control.h"

void placeControl(winui::Control* control, int32_t x, int32_t y, int32_t width, int32_t height,
                  uint32_t anchors) {
    control->anchors = anchors;
    SetWindowPos(control->hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}
