#include "ui_toolkit/Image.h"

#include "ui_toolkit/PngDecoder.h"

#include <atomic>
#include <cstring>
#include <new>
#include <utility>

namespace winui {

namespace {

// Blank work surfaces are sized by painters from window sizes; anything beyond this is a
// caller's mistake, not a picture.
constexpr int64_t kMaxBlankBytes = 0x10000000;

constexpr uint8_t kKeyBlue = 255, kKeyGreen = 0, kKeyRed = 255;

std::atomic<int> liveBitmapCount{0};

} // namespace

int Image::liveBitmaps() { return liveBitmapCount.load(); }

Image::Image(const uint8_t* png, size_t length) { decodePng(png, length); }

Image::Image(Image&& other) noexcept { swap(other); }

Image& Image::operator=(Image&& other) noexcept {
    if (this != &other) {
        release();
        swap(other);
    }
    return *this;
}

Image::~Image() { release(); }

void Image::swap(Image& other) noexcept {
    if (this == &other) return;
    std::swap(bitmap_, other.bitmap_);
    std::swap(replaced_, other.replaced_);
    std::swap(canvas_, other.canvas_);
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(bitsPerPixel_, other.bitsPerPixel_);
    std::swap(bits_, other.bits_);
}

void Image::release() {
    if (canvas_) {
        if (canvas_->dc && replaced_) SelectObject(canvas_->dc, replaced_);
        canvas_.reset();
    }
    if (bitmap_) {
        DeleteObject(bitmap_);
        --liveBitmapCount;
    }
    bitmap_ = nullptr;
    replaced_ = nullptr;
    width_ = height_ = bitsPerPixel_ = 0;
    bits_ = nullptr;
}

void Image::adopt(HBITMAP bitmap) {
    bitmap_ = bitmap;
    if (bitmap_)
        ++liveBitmapCount;
    try {
        canvas_.reset(new Canvas());
    } catch (const std::bad_alloc&) {
        canvas_.reset();
    }
    if (canvas_ && canvas_->dc) replaced_ = SelectObject(canvas_->dc, bitmap_);
    readInfo();
}

bool Image::decodePng(const uint8_t* png, size_t length) {
    release();
    PngDecoder decoder;
    decoder.init();
    HBITMAP bitmap = nullptr;
    if (decoder.openMemory(png, length) && decoder.decode()) {
        bitmap = decoder.createBitmap(GetDesktopWindow(), false);
    }
    decoder.free();
    if (!bitmap) return false;
    adopt(bitmap);
    return true;
}

bool Image::createBlank(int32_t width, int32_t height) {
    release();
    if (width <= 0 || height <= 0 || int64_t(width) * height * 4 > kMaxBlankBytes) return false;

    BITMAPINFOHEADER header;
    std::memset(&header, 0, sizeof header);
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biXPelsPerMeter = 3780;
    header.biYPelsPerMeter = 3780;

    std::unique_ptr<Canvas> canvas;
    try {
        canvas.reset(new Canvas());
    } catch (const std::bad_alloc&) {
        return false;
    }
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(canvas->dc, reinterpret_cast<const BITMAPINFO*>(&header),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return false;
    }
    bitmap_ = bitmap;
    ++liveBitmapCount;
    canvas_ = std::move(canvas);
    if (canvas_->dc) replaced_ = SelectObject(canvas_->dc, bitmap_);
    width_ = width;
    height_ = height;
    bitsPerPixel_ = 32;
    bits_ = static_cast<uint8_t*>(bits);
    return true;
}

void Image::readInfo() {
    if (!bitmap_) {
        width_ = height_ = bitsPerPixel_ = 0;
        bits_ = nullptr;
        return;
    }
    BITMAP info;
    if (GetObjectW(bitmap_, sizeof info, &info) == 0) return;
    width_ = info.bmWidth;
    height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    bitsPerPixel_ = info.bmBitsPixel;
    bits_ = static_cast<uint8_t*>(info.bmBits);
}

uint8_t* Image::pixels() const {
    return (bitsPerPixel_ == 24 || bitsPerPixel_ == 32) ? bits_ : nullptr;
}

void Image::alphaBlendOnto(const Image& source, Image& destination) {
    const uint8_t* s = source.pixels();
    uint8_t* d = destination.pixels();
    if (!s || !d || source.bitsPerPixel_ != 32 || destination.bitsPerPixel_ != 32 ||
        source.width_ != destination.width_ || source.height_ != destination.height_) {
        return;
    }
    GdiFlush(); // pending GDI drawing into either section must land before the bytes are read
    const size_t count = size_t(source.width_) * size_t(source.height_);
    for (size_t i = 0; i < count; ++i, s += 4, d += 4) {
        const unsigned a = s[3];
        if (a == 0) continue;
        if (a == 255) {
            std::memcpy(d, s, 4);
            continue;
        }
        for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((s[c] * a + d[c] * (256 - a)) >> 8);
    }
}

void Image::copyKeyedOnto(Image& destination, const Image& source) {
    const uint8_t* s = source.pixels();
    uint8_t* d = destination.pixels();
    if (!s || !d || source.width_ != destination.width_ || source.height_ != destination.height_) {
        return;
    }
    GdiFlush();
    const size_t sourceStep = size_t(source.bitsPerPixel_) / 8;
    const size_t destinationStep = size_t(destination.bitsPerPixel_) / 8;
    const size_t sourceStride = size_t(source.stride());
    const size_t destinationStride = size_t(destination.stride());
    for (int32_t y = 0; y < source.height_; ++y) {
        const uint8_t* from = s + size_t(y) * sourceStride;
        uint8_t* to = d + size_t(y) * destinationStride;
        for (int32_t x = 0; x < source.width_; ++x, from += sourceStep, to += destinationStep) {
            if (from[0] == kKeyBlue && from[1] == kKeyGreen && from[2] == kKeyRed) continue;
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            if (destinationStep == 4) to[3] = 0;
        }
    }
}

} // namespace winui
