#pragma once

#include "core/values/Rect.h"
#include "ui_toolkit/StyleTables.h"

#include <windows.h>

#include <cstdint>

// What the controls that paint themselves share.

namespace winui {

class Style;

// Whether the window's keyboard cues show focus (WM_QUERYUISTATE without UISF_HIDEFOCUS).
bool focusCuesShown(HWND window);

// The style's colour, or the system's default for it without a style.
COLORREF styleColor(const Style* style, int32_t index);

// Fills the rectangle with a solid brush of the colour.
void fillRect(HDC dc, const Rect& rect, COLORREF color);

} // namespace winui
