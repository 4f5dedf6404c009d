#pragma once

#include <cstdint>

namespace winui {
class Control;
}

// Puts a child control at its place in its parent's client area and sets its anchors (bits of
// winui::Anchor; 0 keeps it where it is when the parent is resized).
void placeControl(winui::Control* control, int32_t x, int32_t y, int32_t width, int32_t height,
                  uint32_t anchors);
