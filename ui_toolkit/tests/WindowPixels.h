#pragma once

// Reading back what a window shows, to compare painted regions with the colours of a style.

#include "ui_toolkit/Image.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/WindowCapture.h"
#include "ui_toolkit/tests/ControlProbe.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace window_pixels {

// The client area as it stands, without letting anything paint first.
inline winui::Image grab(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    winui::Image image;
    if (!image.createBlank(client.right, client.bottom))
        return image;
    const HDC dc = GetDC(window);
    BitBlt(image.canvas()->dc, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    return image;
}

// Shows the top-level window on top of the others, lets every pending paint happen and copies
// its client area (children included) into a 32-bit image.
inline winui::Image capture(HWND window) {
    ShowWindow(window, SW_SHOWNORMAL);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpMessages();
    winui::Image image;
    winui::captureWindow(window, image);
    return image;
}

inline COLORREF pixel(const winui::Image& image, int32_t x, int32_t y) {
    return image.canvas() ? GetPixel(image.canvas()->dc, x, y) : CLR_INVALID;
}

inline std::string hex(COLORREF color) {
    char text[16];
    std::snprintf(text, sizeof text, "%06lX", static_cast<unsigned long>(color));
    return text;
}

// Empty when every pixel of the region has the colour, else where the first one differs.
inline std::string regionMismatch(const winui::Image& image, const winui::Rect& region, COLORREF expected) {
    if (region.isEmpty() || region.left < 0 || region.top < 0 || region.right > image.width() ||
        region.bottom > image.height())
        return "region outside the image";
    for (int32_t y = region.top; y < region.bottom; ++y) {
        for (int32_t x = region.left; x < region.right; ++x) {
            const COLORREF found = pixel(image, x, y);
            if (found != expected)
                return "at " + std::to_string(x) + "," + std::to_string(y) + ": " + hex(found) +
                       " instead of " + hex(expected);
        }
    }
    return std::string();
}

// The colour of an element's image at a point of its slice, measured from the slice's
// top-left corner.
inline COLORREF elementPixel(const winui::Style& style, int32_t element, int32_t x, int32_t y) {
    const winui::StyleElement& e = style.element(element);
    return e.image ? pixel(*e.image, e.source.left + x, e.source.top + y) : CLR_INVALID;
}

// The colour in the middle of an element's stretched centre.
inline COLORREF elementFill(const winui::Style& style, int32_t element) {
    const winui::StyleElement& e = style.element(element);
    return elementPixel(style, element, (e.inner.left + e.inner.right) / 2 - e.source.left,
                        (e.inner.top + e.inner.bottom) / 2 - e.source.top);
}

inline winui::Rect offset(const winui::Rect& r, int32_t dx, int32_t dy) {
    return winui::Rect(r.left + dx, r.top + dy, r.right + dx, r.bottom + dy);
}

} // namespace window_pixels
