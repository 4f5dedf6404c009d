#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace winui {

// Failure codes left in the decoder after a step returned false (0 after success).
enum PngError : uint32_t {
    PngErrorNone = 0,
    PngErrorNoMemory = 0x1001,    // a buffer could not be allocated
    PngErrorNotCleared = 0x1002,  // openMemory on a context that is already open or decoded
    PngErrorBadData = 0x2000,     // damaged file or compressed stream
    PngErrorUnsupported = 0x2001, // format combination, method, critical chunk or size refused
    PngErrorWrongState = 0x2003,  // a step called out of order
    PngErrorBitmap = 0x2006,      // the platform refused to create the bitmap
};

enum PngColorType : uint8_t {
    PngGrey = 0,
    PngTruecolor = 2,
    PngPalette = 3,
    PngGreyAlpha = 4,
    PngTruecolorAlpha = 6,
};

enum PngState : uint32_t {
    PngCleared = 0,
    PngHeadersRead = 1,
    PngInflated = 2,
};

// The bitmap header and colour table that the decoder's rows are written for.
struct PngBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

// Decodes PNG data held in memory into a Windows DIB. The bytes come from resources, but
// every length, size and code in them is checked: damaged data fails with a code and never
// reads or writes outside its buffers. Chunk CRCs and the Adler-32 sum are not verified and
// ancillary chunks are skipped.
//
// Steps, each returning false (or null) on failure with the code in errorCode():
//   init -> openMemory -> decode -> createBitmap (any number of times) -> free.
// The destructor frees, so a context that is dropped after a failed step leaks nothing.
class PngDecoder {
public:
    // Largest width and height accepted; larger images are refused as unsupported before
    // any buffer is sized from them. An interface image needs no more: at this size a picture
    // decodes to at most 64 MB of pixels (32 bits each) and 128 MB of filtered rows.
    static constexpr uint32_t kMaxDimension = 4096;

    PngDecoder() { clear(); }
    ~PngDecoder() { free(); }
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    // Clears the context (releasing anything a previous use left in it).
    void init();
    // Attaches the caller's bytes (kept, never copied or freed) and reads the headers.
    bool openMemory(const uint8_t* bytes, size_t length);
    // Inflates the image data into the decoder's filtered-rows buffer.
    bool decode();
    // A bitmap of the decoded image made with the window's DC: a DIB section, or with
    // deviceDependent a bitmap made by CreateDIBitmap. Null on failure.
    HBITMAP createBitmap(HWND window, bool deviceDependent);
    // Frees the filtered-rows buffer and clears the context.
    void free();

    // Bytes of the inflated, still filtered image data (64-bit so that no header can
    // overflow it). Valid once the headers are read.
    uint64_t filteredSize() const;
    // The header and colour table of the bitmap for this image. Valid once headers are read.
    void bitmapHeader(PngBitmapInfo& info) const;
    // Bits per pixel of the bitmap made for this image (1, 4, 8, 24 or 32).
    int outputBitsPerPixel() const;
    // Bytes of one bitmap row: rounded up to a multiple of 4.
    uint32_t bitmapStride() const;

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    uint32_t errorCode() const { return error_; }
    uint32_t paletteCount() const { return paletteCount_; }
    uint8_t colorType() const { return colorType_; }
    uint8_t bitDepth() const { return bitDepth_; }
    uint8_t interlaceMethod() const { return interlace_; }
    uint32_t state() const { return state_; }

private:
    struct Chunk {
        const uint8_t* start = nullptr; // the length field
        const uint8_t* data = nullptr;
        uint32_t length = 0;
        const uint8_t* next = nullptr; // after the CRC
    };

    void clear();
    bool fail(uint32_t code);
    bool readHeaders();
    // Whether a whole chunk (header, data and CRC) starts at pos inside the source.
    bool nextChunk(const uint8_t* pos, Chunk& chunk) const;
    bool inflate();
    bool writeRows(uint8_t* bits);
    uint64_t compressedRunLength() const;

    uint32_t width_;
    uint32_t height_;
    uint32_t error_;
    uint32_t paletteCount_;
    uint8_t colorType_;
    uint8_t bitDepth_;
    uint8_t interlace_;
    const uint8_t* source_;
    size_t sourceLength_;
    const uint8_t* chunk_;
    uint8_t* filtered_;
    size_t filteredSize_;
    const uint8_t* palette_;
    uint32_t sourceKind_;
    const uint8_t* ihdr_;
    const uint8_t* firstIdat_;
    uint32_t state_;
};

} // namespace winui
