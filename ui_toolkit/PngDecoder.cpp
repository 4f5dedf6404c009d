#include "ui_toolkit/PngDecoder.h"

#include "ui_toolkit/HeapBuffer.h"
#include "ui_toolkit/PngInflater.h"
#include "ui_toolkit/PngRowWriter.h"
#include "ui_toolkit/WindowDc.h"

#include <cstring>

namespace winui {

namespace {

const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr uint32_t kIhdrLength = 13;
constexpr uint32_t kSourceMemory = 3;
// No deflate stream yields more than 1032 bytes per byte of input (a 258-byte copy costs at
// least two bits), so an image needing more than that cannot be filled: refusing it before
// allocating keeps a few hostile bytes from reserving gigabytes.
constexpr uint64_t kMaxInflateRatio = 1032;
// Buffers are sized from 64-bit sums and must fit a 32-bit process with room to spare.
constexpr uint64_t kMaxBufferSize = 0x40000000;

inline uint32_t readBigEndian32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Chunk types with the case bit of the first letter cleared, as the walk classifies them.
inline bool typeIs(const uint8_t* type, const char* name) {
    return (type[0] & 0xDF) == uint8_t(name[0]) && type[1] == uint8_t(name[1]) &&
           type[2] == uint8_t(name[2]) && type[3] == uint8_t(name[3]);
}

bool formatAllowed(uint8_t colorType, uint8_t depth) {
    switch (colorType) {
    case PngGrey: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case PngTruecolor: return depth == 8 || depth == 16;
    case PngPalette: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case PngGreyAlpha: return depth == 8 || depth == 16;
    case PngTruecolorAlpha: return depth == 8 || depth == 16;
    default: return false;
    }
}

} // namespace

void PngDecoder::clear() {
    width_ = height_ = error_ = paletteCount_ = 0;
    colorType_ = bitDepth_ = interlace_ = 0;
    source_ = nullptr;
    sourceLength_ = 0;
    chunk_ = nullptr;
    filtered_ = nullptr;
    filteredSize_ = 0;
    palette_ = nullptr;
    sourceKind_ = 0;
    ihdr_ = nullptr;
    firstIdat_ = nullptr;
    state_ = PngCleared;
}

void PngDecoder::init() { free(); }

void PngDecoder::free() {
    if (filtered_) HeapFree(GetProcessHeap(), 0, filtered_);
    clear();
}

bool PngDecoder::fail(uint32_t code) {
    error_ = code;
    return false;
}

bool PngDecoder::openMemory(const uint8_t* bytes, size_t length) {
    if (state_ != PngCleared || sourceKind_ != 0) return fail(PngErrorNotCleared);
    source_ = bytes;
    sourceLength_ = bytes ? length : 0;
    sourceKind_ = kSourceMemory;
    if (!readHeaders()) {
        const uint32_t code = error_;
        clear();
        error_ = code;
        return false;
    }
    error_ = PngErrorNone;
    state_ = PngHeadersRead;
    return true;
}

bool PngDecoder::nextChunk(const uint8_t* pos, Chunk& chunk) const {
    const uint8_t* end = source_ + sourceLength_;
    if (pos < source_ || pos > end) return false;
    const size_t remaining = static_cast<size_t>(end - pos);
    if (remaining < 12) return false;
    const uint32_t length = readBigEndian32(pos);
    if (length > remaining - 12) return false;
    chunk.start = pos;
    chunk.data = pos + 8;
    chunk.length = length;
    chunk.next = pos + 12 + length;
    return true;
}

bool PngDecoder::readHeaders() {
    if (!source_ || sourceLength_ < 16 || std::memcmp(source_, kSignature, 8) != 0) {
        return fail(PngErrorBadData);
    }
    Chunk header;
    if (!nextChunk(source_ + 8, header) || !typeIs(header.start + 4, "IHDR") ||
        header.length < kIhdrLength) {
        return fail(PngErrorBadData);
    }
    ihdr_ = header.data;
    width_ = readBigEndian32(ihdr_);
    height_ = readBigEndian32(ihdr_ + 4);
    bitDepth_ = ihdr_[8];
    colorType_ = ihdr_[9];
    interlace_ = ihdr_[12];
    if (width_ == 0 || height_ == 0) return fail(PngErrorBadData);

    Chunk chunk;
    for (chunk_ = header.next; nextChunk(chunk_, chunk); chunk_ = chunk.next) {
        const uint8_t* type = chunk.start + 4;
        if (typeIs(type, "PLTE")) {
            if (!palette_) {
                palette_ = chunk.data;
                paletteCount_ = chunk.length / 3;
            }
        } else if (typeIs(type, "IDAT")) {
            if (!firstIdat_) firstIdat_ = chunk.start;
        } else if (!typeIs(type, "IHDR") && !typeIs(type, "IEND") && !(type[0] & 0x20)) {
            return fail(PngErrorUnsupported); // a critical chunk we cannot honour
        }
    }

    if (!formatAllowed(colorType_, bitDepth_)) return fail(PngErrorUnsupported);
    if (ihdr_[10] != 0 || ihdr_[11] != 0 || interlace_ > 1) return fail(PngErrorUnsupported);
    // The bitmap's colour table holds at most 256 entries and a palette image without one
    // has no colours at all.
    if (colorType_ == PngPalette && (paletteCount_ == 0 || paletteCount_ > 256)) {
        return fail(PngErrorUnsupported);
    }
    if (width_ > kMaxDimension || height_ > kMaxDimension) return fail(PngErrorUnsupported);
    if (!firstIdat_) return fail(PngErrorBadData);
    return true;
}

uint64_t PngDecoder::filteredSize() const {
    if (interlace_ == 0) {
        return uint64_t(height_) * (PngRowWriter::rowBytes(colorType_, bitDepth_, width_) + 1);
    }
    uint64_t size = 0;
    for (const PngRowWriter::Pass& pass : PngRowWriter::kPasses) {
        const uint32_t w = PngRowWriter::passExtent(width_, pass.x0, pass.dx);
        const uint32_t h = PngRowWriter::passExtent(height_, pass.y0, pass.dy);
        if (w && h) size += uint64_t(h) * (PngRowWriter::rowBytes(colorType_, bitDepth_, w) + 1);
    }
    return size;
}

uint64_t PngDecoder::compressedRunLength() const {
    // The same run that the inflater reads: the first IDAT chunk as the walk found it, then
    // every following chunk that the inflater takes for IDAT.
    Chunk chunk;
    if (!nextChunk(firstIdat_, chunk)) return 0;
    uint64_t total = chunk.length;
    for (const uint8_t* pos = chunk.next; nextChunk(pos, chunk); pos = chunk.next) {
        const uint8_t* type = chunk.start + 4;
        if (type[0] != 'I' || type[1] != 'D' || type[2] != 'A' || (type[3] & 0xDF) != 'T') break;
        total += chunk.length;
    }
    return total;
}

bool PngDecoder::decode() {
    if (state_ != PngHeadersRead) return fail(PngErrorWrongState);
    const uint64_t size = filteredSize();
    if (size > compressedRunLength() * kMaxInflateRatio + kMaxInflateRatio) {
        return fail(PngErrorBadData);
    }
    if (size > kMaxBufferSize) return fail(PngErrorNoMemory);
    filtered_ = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, static_cast<size_t>(size)));
    if (!filtered_) return fail(PngErrorNoMemory);
    filteredSize_ = static_cast<size_t>(size);

    if (!inflate()) {
        HeapFree(GetProcessHeap(), 0, filtered_);
        filtered_ = nullptr;
        filteredSize_ = 0;
        return fail(PngErrorBadData);
    }
    error_ = PngErrorNone;
    state_ = PngInflated;
    return true;
}

bool PngDecoder::inflate() {
    PngInflater inflater(firstIdat_, source_ + sourceLength_);
    return inflater.inflate(filtered_, filteredSize_);
}

int PngDecoder::outputBitsPerPixel() const {
    switch (colorType_) {
    case PngGrey:
    case PngPalette:
        if (bitDepth_ == 2) return 4;
        return bitDepth_ == 16 ? 8 : bitDepth_;
    case PngTruecolor: return 24;
    case PngGreyAlpha: return 8;
    case PngTruecolorAlpha: return 32;
    default: return 0;
    }
}

uint32_t PngDecoder::bitmapStride() const {
    const uint64_t bits = uint64_t(outputBitsPerPixel()) * width_;
    return static_cast<uint32_t>(((bits + 31) / 32) * 4);
}

void PngDecoder::bitmapHeader(PngBitmapInfo& info) const {
    std::memset(&info, 0, sizeof info);
    BITMAPINFOHEADER& header = info.header;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = static_cast<LONG>(width_);
    header.biHeight = -static_cast<LONG>(height_);
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(outputBitsPerPixel());
    header.biCompression = BI_RGB;

    uint32_t colors = 0;
    if (colorType_ == PngPalette) {
        // Never more entries than the bitmap's pixels can index.
        const uint32_t indexable = 1u << header.biBitCount;
        colors = paletteCount_ < indexable ? paletteCount_ : indexable;
        for (uint32_t i = 0; i < colors && palette_; ++i) {
            info.colors[i].rgbRed = palette_[3 * i];
            info.colors[i].rgbGreen = palette_[3 * i + 1];
            info.colors[i].rgbBlue = palette_[3 * i + 2];
        }
    } else if (colorType_ == PngGrey || colorType_ == PngGreyAlpha) {
        const uint32_t depth = (colorType_ == PngGrey && bitDepth_ < 8) ? bitDepth_ : 8;
        colors = 1u << depth;
        for (uint32_t i = 0; i < colors; ++i) {
            const BYTE grey = static_cast<BYTE>(i * 255 / (colors - 1));
            info.colors[i].rgbRed = info.colors[i].rgbGreen = info.colors[i].rgbBlue = grey;
        }
    }
    header.biClrUsed = colors;
}

bool PngDecoder::writeRows(uint8_t* bits) {
    PngRowWriter::Format format;
    format.width = width_;
    format.height = height_;
    format.colorType = colorType_;
    format.bitDepth = bitDepth_;
    format.interlaced = interlace_ == 1;
    format.bitmapBitsPerPixel = outputBitsPerPixel();
    format.bitmapStride = bitmapStride();
    switch (PngRowWriter(format).write(filtered_, filteredSize_, bits)) {
    case PngRowWriter::Written: return true;
    case PngRowWriter::NoMemory: return fail(PngErrorNoMemory);
    default: return fail(PngErrorBadData);
    }
}

HBITMAP PngDecoder::createBitmap(HWND window, bool deviceDependent) {
    if (state_ != PngInflated) {
        fail(PngErrorWrongState);
        return nullptr;
    }
    const uint64_t bitmapSize = uint64_t(bitmapStride()) * height_;
    if (bitmapSize > kMaxBufferSize) {
        fail(PngErrorNoMemory);
        return nullptr;
    }
    WindowDc dc(window);
    PngBitmapInfo info;
    bitmapHeader(info);
    const BITMAPINFO* bitmapInfo = reinterpret_cast<const BITMAPINFO*>(&info);

    if (!deviceDependent) {
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc.handle(), bitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap || !bits) {
            if (bitmap) DeleteObject(bitmap);
            fail(PngErrorBitmap);
            return nullptr;
        }
        if (!writeRows(static_cast<uint8_t*>(bits))) {
            DeleteObject(bitmap);
            return nullptr;
        }
        error_ = PngErrorNone;
        return bitmap;
    }

    HeapBuffer rows(static_cast<size_t>(bitmapSize));
    if (!rows) {
        fail(PngErrorNoMemory);
        return nullptr;
    }
    if (!writeRows(rows.data())) return nullptr;
    HBITMAP bitmap = CreateDIBitmap(dc.handle(), &info.header, CBM_INIT, rows.data(), bitmapInfo,
                                    DIB_RGB_COLORS);
    if (!bitmap) {
        fail(PngErrorBitmap);
        return nullptr;
    }
    error_ = PngErrorNone;
    return bitmap;
}

} // namespace winui
