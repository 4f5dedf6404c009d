#include "ui_toolkit/Canvas.h"

#include "ui_toolkit/Image.h"
#include "ui_toolkit/StyleElement.h"

#include <atomic>
#include <utility>

namespace winui {

namespace {

// Puts the stretch mode back however the drawing leaves.
class StretchModeScope {
public:
    StretchModeScope(HDC dc, int mode) : dc_(dc), previous_(dc ? SetStretchBltMode(dc, mode) : 0) {
        // HALFTONE stretching reads the brush origin; keep it where the platform expects.
        if (dc_ && mode == HALFTONE) SetBrushOrgEx(dc_, 0, 0, nullptr);
    }
    StretchModeScope(const StretchModeScope&) = delete;
    StretchModeScope& operator=(const StretchModeScope&) = delete;
    ~StretchModeScope() {
        if (dc_ && previous_) SetStretchBltMode(dc_, previous_);
    }

private:
    HDC dc_;
    int previous_;
};

inline HDC imageDc(const Image& image) {
    const Canvas* canvas = image.canvas();
    return canvas ? canvas->dc : nullptr;
}

void stretchPiece(HDC dc, HDC source, int32_t dl, int32_t dt, int32_t dr, int32_t db, int32_t sl,
                  int32_t st, int32_t sr, int32_t sb) {
    StretchBlt(dc, dl, dt, dr - dl, db - dt, source, sl, st, sr - sl, sb - st, SRCCOPY);
}

} // namespace

namespace {

std::atomic<int> ownedDcCount{0};

} // namespace

int Canvas::ownedDcs() { return ownedDcCount.load(); }

Canvas::Canvas() {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    if (screen) ReleaseDC(nullptr, screen);
    ownsDc_ = dc != nullptr;
    if (ownsDc_) ++ownedDcCount;
}

Canvas::Canvas(HDC deviceContext) : dc(deviceContext) {}

Canvas::Canvas(Canvas&& other) noexcept
    : dc(std::exchange(other.dc, nullptr)), font_(std::move(other.font_)),
      brush_(std::move(other.brush_)), pen_(std::move(other.pen_)),
      oldFont_(std::exchange(other.oldFont_, nullptr)),
      oldBrush_(std::exchange(other.oldBrush_, nullptr)),
      oldPen_(std::exchange(other.oldPen_, nullptr)), ownsDc_(std::exchange(other.ownsDc_, false)) {}

Canvas& Canvas::operator=(Canvas&& other) noexcept {
    if (this != &other) {
        release();
        dc = std::exchange(other.dc, nullptr);
        font_ = std::move(other.font_);
        brush_ = std::move(other.brush_);
        pen_ = std::move(other.pen_);
        oldFont_ = std::exchange(other.oldFont_, nullptr);
        oldBrush_ = std::exchange(other.oldBrush_, nullptr);
        oldPen_ = std::exchange(other.oldPen_, nullptr);
        ownsDc_ = std::exchange(other.ownsDc_, false);
    }
    return *this;
}

Canvas::~Canvas() { release(); }

void Canvas::release() {
    // The context's own objects go back first, so that no copy is deleted while selected.
    if (dc) {
        if (oldFont_) SelectObject(dc, oldFont_);
        if (oldBrush_) SelectObject(dc, oldBrush_);
        if (oldPen_) SelectObject(dc, oldPen_);
        if (ownsDc_) {
            DeleteDC(dc);
            --ownedDcCount;
        }
    }
    dc = nullptr;
    oldFont_ = oldBrush_ = oldPen_ = nullptr;
    ownsDc_ = false;
    pen_ = Pen();
    brush_ = Brush();
    font_ = Font();
}

void Canvas::setFont(const Font& font) {
    if (font.isNull() || font.handle() == font_.handle()) return;
    LOGFONTW logFont;
    if (!font.getLogFont(logFont)) return;
    Font copy = Font::fromLogFont(logFont);
    if (copy.isNull()) return;
    if (dc) {
        HGDIOBJ replaced = SelectObject(dc, copy.handle());
        if (!oldFont_) oldFont_ = replaced;
    }
    font_ = std::move(copy); // deletes the previous copy, no longer selected
}

void Canvas::setPen(const Pen& pen) {
    if (pen.isNull() || pen.handle() == pen_.handle()) return;
    LOGPEN logPen;
    if (!pen.getLogPen(logPen)) return;
    Pen copy = Pen::fromLogPen(logPen);
    if (copy.isNull()) return;
    if (dc) {
        HGDIOBJ replaced = SelectObject(dc, copy.handle());
        if (!oldPen_) oldPen_ = replaced;
    }
    pen_ = std::move(copy);
}

void Canvas::setBrush(const Brush& brush) {
    if (brush.isNull() || brush.handle() == brush_.handle()) return;
    LOGBRUSH logBrush;
    if (!brush.getLogBrush(logBrush)) return;
    Brush copy = Brush::fromLogBrush(logBrush);
    if (copy.isNull()) return;
    if (dc) {
        HGDIOBJ replaced = SelectObject(dc, copy.handle());
        if (!oldBrush_) oldBrush_ = replaced;
    }
    brush_ = std::move(copy);
}

void Canvas::drawText(const std::wstring& text, const Rect& rect, UINT format) {
    drawTextRange(text.c_str(), static_cast<int>(text.size()), rect, format);
}

void Canvas::drawTextRange(const wchar_t* text, int count, const Rect& rect, UINT format) {
    if (!dc || !text || count == 0) return;
    RECT copy = {rect.left, rect.top, rect.right, rect.bottom};
    DrawTextW(dc, text, count, &copy, format);
}

Rect Canvas::measureText(const std::wstring& text) const {
    SIZE size = {0, 0};
    if (!dc || !GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size)) {
        return Rect();
    }
    return Rect(0, 0, size.cx, size.cy);
}

Point Canvas::moveTo(int32_t x, int32_t y) {
    POINT previous = {0, 0};
    if (!dc || !MoveToEx(dc, x, y, &previous)) return Point();
    return Point(previous.x, previous.y);
}

void Canvas::lineTo(int32_t x, int32_t y) {
    if (dc) LineTo(dc, x, y);
}

void Canvas::drawRoundRect(const Rect& rect, int32_t radius) {
    if (dc) RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, radius, radius);
}

void Canvas::drawImage(const Image& image, int32_t x, int32_t y) {
    HDC source = imageDc(image);
    if (!dc || !source) return;
    BitBlt(dc, x, y, image.width(), image.height(), source, 0, 0, SRCCOPY);
}

void Canvas::drawImagePart(const Rect& part, const Image& image, int32_t x, int32_t y) {
    HDC source = imageDc(image);
    if (!dc || !source) return;
    BitBlt(dc, x, y, part.width(), part.height(), source, part.left, part.top, SRCCOPY);
}

void Canvas::stretchImage(const Rect& rect, const Image& image) {
    HDC source = imageDc(image);
    if (!dc || !source) return;
    StretchModeScope mode(dc, HALFTONE);
    StretchBlt(dc, rect.left, rect.top, rect.width(), rect.height(), source, 0, 0, image.width(),
               image.height(), SRCCOPY);
}

void Canvas::blendImage(const Image& image, int32_t x, int32_t y) {
    HDC source = imageDc(image);
    if (!dc || !source) return;
    const int32_t bits = image.bitsPerPixel();
    if (bits != 32 && bits != 24) return; // neither rule applies: nothing would change

    Image covered;
    if (!covered.createBlank(image.width(), image.height())) return;
    HDC work = imageDc(covered);
    BitBlt(work, 0, 0, image.width(), image.height(), dc, x, y, SRCCOPY);
    if (bits == 32) {
        Image::alphaBlendOnto(image, covered);
    } else {
        Image::copyKeyedOnto(covered, image);
    }
    BitBlt(dc, x, y, image.width(), image.height(), work, 0, 0, SRCCOPY);
}

void Canvas::drawElement(const StyleElement& element, const Rect& dest, unsigned parts) {
    if (!element.image) return;
    HDC source = imageDc(*element.image);
    if (!dc || !source) return;
    StretchModeScope mode(dc, HALFTONE);

    const Rect& s = element.source;
    const Rect& m = element.inner;
    if (m == s) {
        StretchBlt(dc, dest.left, dest.top, dest.width(), dest.height(), source, s.left, s.top,
                   s.width(), s.height(), SRCCOPY);
        return;
    }
    const Rect& d = dest;
    const int32_t x1 = d.left + (m.left - s.left);
    const int32_t x2 = d.right - (s.right - m.right);
    const int32_t y1 = d.top + (m.top - s.top);
    const int32_t y2 = d.bottom - (s.bottom - m.bottom);
    const bool middleColumn = x2 >= x1;
    const bool middleRow = y2 >= y1;

    if (parts & PartTopLeft) stretchPiece(dc, source, d.left, d.top, x1, y1, s.left, s.top, m.left, m.top);
    if (parts & PartTopRight) stretchPiece(dc, source, x2, d.top, d.right, y1, m.right, s.top, s.right, m.top);
    if (parts & PartBottomLeft) {
        stretchPiece(dc, source, d.left, y2, x1, d.bottom, s.left, m.bottom, m.left, s.bottom);
    }
    if (parts & PartBottomRight) {
        stretchPiece(dc, source, x2, y2, d.right, d.bottom, m.right, m.bottom, s.right, s.bottom);
    }
    if ((parts & PartTop) && middleColumn) {
        stretchPiece(dc, source, x1, d.top, x2, y1, m.left, s.top, m.right, m.top);
    }
    if ((parts & PartBottom) && middleColumn) {
        stretchPiece(dc, source, x1, y2, x2, d.bottom, m.left, m.bottom, m.right, s.bottom);
    }
    if ((parts & PartLeft) && middleRow) {
        stretchPiece(dc, source, d.left, y1, x1, y2, s.left, m.top, m.left, m.bottom);
    }
    if ((parts & PartRight) && middleRow) {
        stretchPiece(dc, source, x2, y1, d.right, y2, m.right, m.top, s.right, m.bottom);
    }
    if ((parts & PartCenter) && middleColumn && middleRow) {
        stretchPiece(dc, source, x1, y1, x2, y2, m.left, m.top, m.right, m.bottom);
    }
}

uint16_t getModifierKeys() {
    auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
    uint16_t mask = 0;
    if (down(VK_SHIFT)) mask |= ModShift;
    if (down(VK_CONTROL)) mask |= ModCtrl;
    if (down(VK_MENU)) mask |= ModAlt;
    if (GetKeyState(VK_CAPITAL) & 1) mask |= ModCapsLock;
    if (down(VK_LSHIFT)) mask |= ModLeftShift;
    if (down(VK_RSHIFT)) mask |= ModRightShift;
    if (down(VK_LCONTROL)) mask |= ModLeftCtrl;
    if (down(VK_RCONTROL)) mask |= ModRightCtrl;
    if (down(VK_LMENU)) mask |= ModLeftAlt;
    if (down(VK_RMENU)) mask |= ModRightAlt;
    if (down(VK_LWIN)) mask |= ModLeftWin;
    if (down(VK_RWIN)) mask |= ModRightWin;
    return mask;
}

} // namespace winui
