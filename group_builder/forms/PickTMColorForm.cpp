#include "group_builder/forms/PickTMColorForm.h"

#include "group_builder/EntryColors.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Style.h"

namespace {

// The frame bits that a plain form has and a drop-down palette does not want.
const LONG kDroppedFrameBits = WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

bool intersects(const winui::Rect& a, const winui::Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

} // namespace

PickTMColorForm::PickTMColorForm()
    : winui::Form(nullptr, kPaletteClientWidth, kPaletteClientHeight,
                  winui::FormDefaultPosition | winui::FormPopup | winui::FormNoCaption) {
    if (hwnd) {
        // A thin line around it, no sizing frame, and no button of its own on the task bar.
        const LONG frame = GetWindowLongW(hwnd, GWL_STYLE);
        SetWindowLongW(hwnd, GWL_STYLE, (frame & ~kDroppedFrameBits) | WS_BORDER);
        SetWindowLongW(hwnd, GWL_EXSTYLE, GetWindowLongW(hwnd, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
        setClientSize(winui::Rect(0, 0, kPaletteClientWidth, kPaletteClientHeight));
    }
    onStyleChanged();
}

void PickTMColorForm::onStyleChanged() {
    // The cells are painted, the margins and gaps erased: in the style's form colour, or
    // natively without a style.
    paintFlags = style ? (winui::PaintThroughPaint | winui::EraseThroughErase) : winui::PaintThroughPaint;
}

void PickTMColorForm::onShown() {
    SetCapture(hwnd);
}

void PickTMColorForm::onMouseDown(int32_t x, int32_t y, int32_t button) {
    releaseCapture();
    if (button == 0) {
        const winui::Rect client = clientRect();
        const int32_t cell = paletteCellAt(x, y, client.width(), client.height());
        if (cell >= 0)
            chosenColor = kPaletteColors[cell];
    }
    ShowWindow(hwnd, SW_HIDE);
}

void PickTMColorForm::onClosing(bool& allow) {
    allow = false;
    onEscapeKey();
}

void PickTMColorForm::onEscapeKey() {
    releaseCapture();
    ShowWindow(hwnd, SW_HIDE);
}

void PickTMColorForm::paint(winui::Canvas& canvas, const winui::Rect& updateRect) {
    const COLORREF shadow = style ? style->color(winui::kColorButtonShadow) : GetSysColor(COLOR_BTNSHADOW);
    canvas.setPen(winui::Pen(PS_SOLID, 1, shadow));
    for (int32_t i = 0; i < kPaletteCellCount; ++i) {
        const winui::Rect cell = paletteCellRect(i);
        if (!intersects(cell, updateRect))
            continue;
        canvas.setBrush(winui::Brush(kPaletteColors[i]));
        Rectangle(canvas.dc, cell.left, cell.top, cell.right, cell.bottom);
    }
}
