#pragma once

#include <cstddef>
#include <cstdint>

namespace winui {

// Undoes the scanline filters of inflated PNG data and writes the rows, converted to the
// bitmap's pixel format, into top-down bitmap rows; Adam7 passes are placed at their
// columns and rows. It never changes the filtered data, so a decoder can write the same
// image into any number of bitmaps.
class PngRowWriter {
public:
    struct Format {
        uint32_t width = 0;
        uint32_t height = 0;
        uint8_t colorType = 0;
        uint8_t bitDepth = 0;
        bool interlaced = false;
        int bitmapBitsPerPixel = 0; // 1, 4, 8, 24 or 32
        uint32_t bitmapStride = 0;   // bytes per bitmap row, a multiple of 4
    };

    enum Result { Written, BadFilter, NoMemory };

    // The seven Adam7 passes: first column and row, and the steps between them.
    struct Pass {
        uint32_t x0, y0, dx, dy;
    };
    static const Pass kPasses[7];
    // Pixels of a pass along one axis of the given size (0 when the pass has none there).
    static uint32_t passExtent(uint32_t size, uint32_t start, uint32_t step) {
        return size > start ? (size - start + step - 1) / step : 0;
    }

    explicit PngRowWriter(const Format& format);

    // Writes height rows of bitmapStride bytes at bits from filteredSize bytes of filtered
    // data (the exact size the format needs; less fails as bad data).
    Result write(const uint8_t* filtered, size_t filteredSize, uint8_t* bits) const;

    // Bytes of one filtered row of the given width, without its filter-type byte.
    static size_t rowBytes(uint8_t colorType, uint8_t bitDepth, uint32_t width);
    static int samplesPerPixel(uint8_t colorType);

private:
    void convertRow(const uint8_t* in, uint8_t* out, uint32_t pixels) const;
    void placePassRow(const uint8_t* converted, uint8_t* row, uint32_t pixels, uint32_t x0,
                      uint32_t dx) const;

    Format format_;
    size_t pixelDistance_; // bytes back to the left neighbour for the filters
};

} // namespace winui
