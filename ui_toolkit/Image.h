#pragma once

#include "ui_toolkit/Canvas.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace winui {

// The toolkit's bitmap: a GDI bitmap kept selected into its own memory Canvas so that it can
// be copied, stretched and blended onto other canvases. Made from PNG bytes, or blank as a
// 32-bit work surface. An image whose PNG could not be decoded is empty: no bitmap, no
// canvas, all sizes 0; drawing it draws nothing. Rows are top-down.
// Move-only; the bitmap and canvas are released with the image.
class Image {
public:
    Image() = default;
    // Decodes the PNG bytes (which the image does not keep).
    Image(const uint8_t* png, size_t length);
    Image(Image&& other) noexcept;
    Image& operator=(Image&& other) noexcept;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image();

    // Replaces the image by the decoded PNG; false (and an empty image) when it cannot be
    // decoded.
    bool decodePng(const uint8_t* png, size_t length);
    // Replaces the image by a blank 32-bit top-down DIB section of that size (all bytes 0);
    // false (and an empty image) for a size that is not positive or too large, or when the
    // platform refuses it.
    bool createBlank(int32_t width, int32_t height);
    // Puts back what the bitmap replaced in its canvas, destroys the canvas and deletes the
    // bitmap; the image is empty afterwards.
    void release();
    // Refreshes width, height, bits per pixel and the pixel pointer from the bitmap.
    void readInfo();
    void swap(Image& other) noexcept;

    // The pixel rows of a 24- or 32-bit image (blue, green, red[, alpha]), else null.
    uint8_t* pixels() const;
    // Bytes per pixel row: rounded up to a multiple of 4.
    int32_t stride() const { return ((width_ * bitsPerPixel_ + 31) / 32) * 4; }

    HBITMAP bitmap() const { return bitmap_; }
    Canvas* canvas() const { return canvas_.get(); }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t bitsPerPixel() const { return bitsPerPixel_; }
    bool isEmpty() const { return bitmap_ == nullptr; }
    // Bitmaps that Images of the process hold now: a count of the toolkit's own, for checks
    // that painting code gives back what it makes (the platform's GDI count is not everywhere).
    static int liveBitmaps();

    // Composites a 32-bit source onto a 32-bit destination of the same size by the source's
    // (not premultiplied) alpha: 0 keeps the destination, 255 copies the source pixel with
    // its alpha, anything else mixes the colours and keeps the destination's alpha.
    static void alphaBlendOnto(const Image& source, Image& destination);
    // Copies every source pixel that is not magenta (255, 0, 255) onto a destination of the
    // same size; both 24 or 32 bits in any combination. A 32-bit destination pixel written
    // gets alpha 0.
    static void copyKeyedOnto(Image& destination, const Image& source);

private:
    // Takes a bitmap into a new memory canvas and reads its description.
    void adopt(HBITMAP bitmap);

    HBITMAP bitmap_ = nullptr;
    HGDIOBJ replaced_ = nullptr;
    std::unique_ptr<Canvas> canvas_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t bitsPerPixel_ = 0;
    uint8_t* bits_ = nullptr;
};

inline void swap(Image& a, Image& b) noexcept { a.swap(b); }

} // namespace winui
