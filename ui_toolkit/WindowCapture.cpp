#include "ui_toolkit/WindowCapture.h"

#include "ui_toolkit/Image.h"
#include "ui_toolkit/PngWriter.h"
#include "ui_toolkit/WindowDc.h"

namespace winui {

bool captureWindow(HWND window, Image& image) {
    image.release();
    if (!window || !IsWindow(window))
        return false;
    UpdateWindow(window);
    RECT client = {};
    if (!GetClientRect(window, &client) || !image.createBlank(client.right, client.bottom))
        return false;
    const WindowDc source(window);
    if (!source.handle() ||
        !BitBlt(image.canvas()->dc, 0, 0, client.right, client.bottom, source.handle(), 0, 0, SRCCOPY)) {
        image.release();
        return false;
    }
    GdiFlush();
    return true;
}

bool writeWindowPng(HWND window, const std::wstring& path) {
    Image image;
    return captureWindow(window, image) && writePngFile(image, path);
}

} // namespace winui
