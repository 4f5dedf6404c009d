#pragma once

#include "ui_toolkit/Brush.h"
#include "ui_toolkit/Pen.h"
#include "core/values/Font.h"
#include "core/values/Rect.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace winui {

class Image;
struct StyleElement;

// Part bits of Canvas::drawElement: which of the nine slices to paint.
enum ElementParts : unsigned {
    PartTopLeft = 0x001,
    PartTop = 0x002,
    PartTopRight = 0x004,
    PartBottomLeft = 0x008,
    PartBottom = 0x010,
    PartBottomRight = 0x020,
    PartLeft = 0x040,
    PartCenter = 0x080,
    PartRight = 0x100,
    PartAll = 0x1FF,
};

// The toolkit's drawing surface: one device context and the font, brush and pen selected
// into it. It never selects a caller's object: each selection is a private copy that the
// canvas owns, so the caller's Font, Brush or Pen may go while the canvas still draws. At
// release the context gets back the objects it held before, then the copies are deleted.
class Canvas {
public:
    // A memory canvas compatible with the screen; its DC is null when it cannot be made,
    // and every drawing call then does nothing.
    Canvas();
    // A canvas over a device context somebody else owns (a paint DC, an owner-draw DC).
    explicit Canvas(HDC deviceContext);
    Canvas(Canvas&& other) noexcept;
    Canvas& operator=(Canvas&& other) noexcept;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas();

    // Device contexts that Canvases of the process own now (see Image::liveBitmaps).
    static int ownedDcs();

    // Select private copies; an object that holds no handle selects nothing.
    void setFont(const Font& font);
    void setPen(const Pen& pen);
    void setBrush(const Brush& brush);

    // The copies currently selected (empty before the first selection).
    const Font& font() const { return font_; }
    const Pen& pen() const { return pen_; }
    const Brush& brush() const { return brush_; }
    bool ownsDc() const { return ownsDc_; }

    // DrawTextW into a copy of the rectangle, so DT_CALCRECT never changes the caller's.
    void drawText(const std::wstring& text, const Rect& rect, UINT format);
    void drawTextRange(const wchar_t* text, int count, const Rect& rect, UINT format);
    // (0, 0, cx, cy) of the text in the selected font; all zero when it cannot be measured.
    Rect measureText(const std::wstring& text) const;

    // The previous current position ((0, 0) when the call fails).
    Point moveTo(int32_t x, int32_t y);
    void lineTo(int32_t x, int32_t y);
    // Outlined with the selected pen, filled with the selected brush; the corner ellipse is
    // radius x radius.
    void drawRoundRect(const Rect& rect, int32_t radius);

    // Images without a bitmap draw nothing.
    void drawImage(const Image& image, int32_t x, int32_t y);
    void drawImagePart(const Rect& source, const Image& image, int32_t x, int32_t y);
    // The whole image stretched into the rectangle (HALFTONE; the stretch mode is restored).
    void stretchImage(const Rect& rect, const Image& image);
    // Composites the image at (x, y): 32-bit images by their alpha, 24-bit ones with magenta
    // as the transparent colour; other images leave the canvas as it was.
    void blendImage(const Image& image, int32_t x, int32_t y);
    // Paints a style element over dest as nine slices: corners unscaled, edges stretched
    // along one axis, the centre along both; only the slices whose part bits are set.
    void drawElement(const StyleElement& element, const Rect& dest, unsigned parts);

    // Painters call GDI directly on it for colours, modes, fills, regions and paths.
    HDC dc = nullptr;

private:
    void release();

    Font font_;
    Brush brush_;
    Pen pen_;
    HGDIOBJ oldFont_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr;
    HGDIOBJ oldPen_ = nullptr;
    bool ownsDc_ = false;
};

// Modifier bits of getModifierKeys.
enum ModifierKeys : uint16_t {
    ModShift = 0x0001,
    ModCtrl = 0x0002,
    ModAlt = 0x0004,
    ModCapsLock = 0x0008,
    ModLeftShift = 0x0010,
    ModRightShift = 0x0020,
    ModLeftCtrl = 0x0040,
    ModRightCtrl = 0x0080,
    ModLeftAlt = 0x0100,
    ModRightAlt = 0x0200,
    ModLeftWin = 0x0400,
    ModRightWin = 0x0800,
};

// The modifier keys down now (Caps Lock: toggled on), from GetKeyState.
uint16_t getModifierKeys();

} // namespace winui
