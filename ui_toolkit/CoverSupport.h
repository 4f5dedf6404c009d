#pragma once

#include "ui_toolkit/Message.h"
#include "ui_toolkit/StyleTables.h"
#include "ui_toolkit/values/Rect.h"

#include <windows.h>

#include <cstdint>

// What the check box and combo box covers share: a painted window that lies over a native
// control, lets every mouse action through to it and follows its place and visibility.

namespace winui {

class Style;

// Answers WM_NCHITTEST with HTTRANSPARENT, so that the mouse reaches the native control
// underneath; every other message is left alone.
void passMouseThrough(Message& message);

// Puts the cover over the native control: at its bounds and at the top of the z-order. A
// child window is created below its elder siblings, so the cover has to be raised; each
// move or resize of the control raises it again. Shown exactly when visible is set.
void placeCover(HWND cover, const Rect& bounds, bool visible);

// Whether the window's keyboard cues show focus (WM_QUERYUISTATE without UISF_HIDEFOCUS).
bool focusCuesShown(HWND window);

// The style's colour, or the system's default for it without a style.
COLORREF styleColor(const Style* style, int32_t index);

} // namespace winui
