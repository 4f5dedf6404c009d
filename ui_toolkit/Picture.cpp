#include "ui_toolkit/Picture.h"

#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/PaintSupport.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/Toolkit.h"

namespace winui {

Picture::Picture(Control* parentControl) : Control(parentControl) {
    paintFlags = PaintThroughPaint | EraseSwallow;
    createWindow(parent ? parent->hwnd : nullptr, childWindowClass,
                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, false, Rect());
}

void Picture::paint(Canvas& canvas, const Rect& updateRect) {
    if (image && !image->isEmpty()) {
        canvas.stretchImage(clientRect(), *image);
        return;
    }
    // Nothing erases the window: without an image it would show whatever lay there before.
    fillRect(canvas.dc, updateRect, styleColor(style, kColorFormBody));
}

} // namespace winui
