#pragma once

#include "ui_toolkit/Control.h"

#include <cstdint>

// Puts a child at (x, y) with that size in its parent's client area, as the forms lay out
// their controls once at creation.
inline void place(winui::Control& control, int32_t x, int32_t y, int32_t width, int32_t height) {
    SetWindowPos(control.hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}
