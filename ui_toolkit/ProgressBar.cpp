#include "ui_toolkit/ProgressBar.h"

#include "core/app/GlobalConstants.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Style.h"

#include <commctrl.h>

namespace winui {

namespace {

constexpr wchar_t kNativeClass[] = L"msctls_progress32";
constexpr uint32_t kBaseStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr int32_t kRangeEnd = 100;
// PBM_SETRANGE carries both ends in 16-bit words.
constexpr int32_t kLargestValue = 0xFFFF;

bool fitsNativeWord(int32_t value) {
    return value >= 0 && value <= kLargestValue;
}

bool skinned(const Style* style) {
    return style && style->hasElement(kElementProgressBar);
}

} // namespace

ProgressBar::ProgressBar(Control* parentControl) : Control(parentControl) {
    if (style)
        createWindow(parent ? parent->hwnd : nullptr, childWindowClass, kBaseStyle, 0, false, Rect());
    else
        createWindow(parent ? parent->hwnd : nullptr, kNativeClass, kBaseStyle | PBS_SMOOTH, 0, false,
                     Rect());
}

ProgressBar::~ProgressBar() {
    emptyImage.release();
    fullImage.release();
}

void ProgressBar::setRange(int32_t newMinimum) {
    if (!fitsNativeWord(newMinimum))
        return;
    if (newMinimum == minimum && maximum == kRangeEnd)
        return;
    minimum = newMinimum;
    maximum = kRangeEnd;
    if (position < minimum)
        position = minimum;
    else if (position > maximum)
        position = maximum;
    if (hwnd)
        SendMessageW(hwnd, PBM_SETRANGE, 0, MAKELPARAM(minimum, maximum));
    repaint();
}

void ProgressBar::setPosition(int32_t newPosition) {
    if (!fitsNativeWord(newPosition) || newPosition == position)
        return;
    position = newPosition;
    if (hwnd)
        SendMessageW(hwnd, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    repaint();
}

void ProgressBar::repaint() {
    if (paintFlags != 0 && hwnd)
        InvalidateRect(hwnd, nullptr, FALSE);
}

void ProgressBar::onResized() {
    render();
    repaint();
}

void ProgressBar::onStyleChanged() {
    if (skinned(style)) {
        render();
        paintFlags = PaintThroughPaint | EraseSwallow;
        recreateWindow(PBS_SMOOTH, childWindowClass, 0);
        return;
    }
    emptyImage.release();
    fullImage.release();
    paintFlags = 0;
    recreateWindow(0, kNativeClass, PBS_SMOOTH);
    if (hwnd) {
        SendMessageW(hwnd, PBM_SETRANGE, 0, MAKELPARAM(minimum, maximum));
        SendMessageW(hwnd, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    }
}

void ProgressBar::render() {
    if (!style)
        return;
    const Rect client = clientRect();
    emptyImage.release();
    fullImage.release();
    // A bar not placed yet, or squeezed to nothing, has no surface to paint into.
    if (!emptyImage.createBlank(client.width(), client.height()) ||
        !fullImage.createBlank(client.width(), client.height())) {
        emptyImage.release();
        fullImage.release();
        return;
    }
    emptyImage.canvas()->drawElement(style->element(kElementProgressBar), client, PartAll);
    fullImage.canvas()->drawElement(style->element(kElementProgressBarFull), client, PartAll);
}

int32_t ProgressBar::fullWidth(int32_t clientWidth) const {
    if (position <= minimum)
        return 0;
    if (position >= maximum)
        return clientWidth;
    // Measured from the minimum, so that a range not starting at 0 never fills past the
    // bar; the position lies strictly between the ends here, so the span is positive.
    const int64_t span = static_cast<int64_t>(maximum) - minimum;
    return static_cast<int32_t>((static_cast<int64_t>(position) - minimum) * clientWidth / span);
}

void ProgressBar::paint(Canvas& canvas, const Rect&) {
    if (fullImage.isEmpty() || emptyImage.isEmpty())
        return;
    const int32_t width = fullImage.width();
    const int32_t height = fullImage.height();
    const int32_t full = fullWidth(width);
    if (full > 0)
        canvas.drawImagePart(Rect(0, 0, full, height), fullImage, 0, 0);
    if (full < width)
        canvas.drawImagePart(Rect(full, 0, width, height), emptyImage, full, 0);
}

} // namespace winui
