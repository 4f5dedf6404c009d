#pragma once

#include "core/values/Rect.h"

#include <windows.h>

#include <cstdint>

namespace winui {

class Image;

// One skinned element of a style: a slice of one of the style's images with the middle
// rectangle that nine-slice painting stretches (Canvas::drawElement). The style owns the
// image; an element without one is not given by the style.
struct StyleElement {
    // Text colour that the style file did not give (replaced when the style is read).
    static constexpr COLORREF kNoColor = 0xEEEEEEEE;

    Image* image = nullptr;
    Rect source; // the slice within the image
    Rect inner;  // the slice's middle, inside source
    int32_t tx = 0;
    int32_t ty = 0;
    COLORREF textColor = kNoColor;
};

} // namespace winui
