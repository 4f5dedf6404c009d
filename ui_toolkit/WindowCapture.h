#pragma once

#include <windows.h>

#include <string>

namespace winui {

class Image;

// Reads back what a window shows: paints what is pending (UpdateWindow), then copies the
// client area from the window's device context into a 32-bit image. Its children are part of
// it as far as they lie on screen. False (and an empty image) for a window without a client
// area or when the bitmap cannot be made.
bool captureWindow(HWND window, Image& image);

// Captures the window and writes it as a PNG file; false on any failure.
bool writeWindowPng(HWND window, const std::wstring& path);

} // namespace winui
