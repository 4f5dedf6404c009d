#include "ui_toolkit/PngRowWriter.h"

#include "ui_toolkit/HeapBuffer.h"
#include "ui_toolkit/PngDecoder.h"

#include <cstdlib>
#include <cstring>

namespace winui {

const PngRowWriter::Pass PngRowWriter::kPasses[7] = {
    {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2},
};

namespace {

// Reverses one filter into cur (n bytes); prev is the unfiltered row above (zeros for the
// first row of the image or pass). False for a filter type the format does not define.
bool unfilter(uint8_t type, const uint8_t* in, const uint8_t* prev, uint8_t* cur, size_t n,
              size_t distance) {
    switch (type) {
    case 1: // Sub
        for (size_t i = 0; i < n && i < distance; ++i) cur[i] = in[i];
        for (size_t i = distance; i < n; ++i) cur[i] = static_cast<uint8_t>(in[i] + cur[i - distance]);
        return true;
    case 2: // Up
        for (size_t i = 0; i < n; ++i) cur[i] = static_cast<uint8_t>(in[i] + prev[i]);
        return true;
    case 3: // Average, of the nine-bit sum
        for (size_t i = 0; i < n && i < distance; ++i) cur[i] = static_cast<uint8_t>(in[i] + (prev[i] >> 1));
        for (size_t i = distance; i < n; ++i) {
            cur[i] = static_cast<uint8_t>(in[i] + ((unsigned(cur[i - distance]) + prev[i]) >> 1));
        }
        return true;
    case 4: // Paeth: left, then up, then upper-left on ties
        for (size_t i = 0; i < n; ++i) {
            const int a = i >= distance ? cur[i - distance] : 0;
            const int b = prev[i];
            const int c = i >= distance ? prev[i - distance] : 0;
            const int p = a + b - c;
            const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
            cur[i] = static_cast<uint8_t>(in[i] + predictor);
        }
        return true;
    default:
        return false;
    }
}

} // namespace

int PngRowWriter::samplesPerPixel(uint8_t colorType) {
    switch (colorType) {
    case PngTruecolor: return 3;
    case PngGreyAlpha: return 2;
    case PngTruecolorAlpha: return 4;
    default: return 1;
    }
}

size_t PngRowWriter::rowBytes(uint8_t colorType, uint8_t bitDepth, uint32_t width) {
    const uint64_t bits = uint64_t(bitDepth) * samplesPerPixel(colorType) * width;
    return static_cast<size_t>((bits + 7) / 8);
}

PngRowWriter::PngRowWriter(const Format& format) : format_(format) {
    const size_t bytes = (size_t(format.bitDepth) * samplesPerPixel(format.colorType)) / 8;
    pixelDistance_ = bytes ? bytes : 1;
}

void PngRowWriter::convertRow(const uint8_t* in, uint8_t* out, uint32_t pixels) const {
    const uint8_t depth = format_.bitDepth;
    switch (format_.colorType) {
    case PngGrey:
    case PngPalette:
        if (depth == 2) {
            // Each 2-bit value widened to a 4-bit one: one input byte gives two output bytes.
            const size_t inBytes = (size_t(pixels) + 3) / 4;
            for (size_t i = 0; i < inBytes; ++i) {
                const uint8_t b = in[i];
                out[2 * i] = static_cast<uint8_t>(((b >> 6) & 3) << 4 | ((b >> 4) & 3));
                if (2 * i + 1 < (size_t(pixels) + 1) / 2) {
                    out[2 * i + 1] = static_cast<uint8_t>(((b >> 2) & 3) << 4 | (b & 3));
                }
            }
        } else if (depth == 16) {
            for (uint32_t i = 0; i < pixels; ++i) out[i] = in[2 * i];
        } else {
            std::memcpy(out, in, rowBytes(format_.colorType, depth, pixels));
        }
        break;
    case PngTruecolor: {
        const size_t step = depth == 16 ? 6 : 3;
        const size_t lane = depth == 16 ? 2 : 1;
        for (uint32_t i = 0; i < pixels; ++i, in += step, out += 3) {
            out[0] = in[2 * lane];
            out[1] = in[lane];
            out[2] = in[0];
        }
        break;
    }
    case PngGreyAlpha: {
        const size_t step = depth == 16 ? 4 : 2;
        for (uint32_t i = 0; i < pixels; ++i) out[i] = in[i * step];
        break;
    }
    case PngTruecolorAlpha: {
        const size_t step = depth == 16 ? 8 : 4;
        const size_t lane = depth == 16 ? 2 : 1;
        for (uint32_t i = 0; i < pixels; ++i, in += step, out += 4) {
            out[0] = in[2 * lane];
            out[1] = in[lane];
            out[2] = in[0];
            out[3] = in[3 * lane];
        }
        break;
    }
    default:
        break;
    }
}

void PngRowWriter::placePassRow(const uint8_t* converted, uint8_t* row, uint32_t pixels,
                                uint32_t x0, uint32_t dx) const {
    switch (format_.bitmapBitsPerPixel) {
    case 1:
        for (uint32_t i = 0, x = x0; i < pixels; ++i, x += dx) {
            if ((converted[i >> 3] >> (7 - (i & 7))) & 1) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        }
        break;
    case 4:
        for (uint32_t i = 0, x = x0; i < pixels; ++i, x += dx) {
            const uint8_t value = (i & 1) ? (converted[i >> 1] & 15) : (converted[i >> 1] >> 4);
            row[x >> 1] |= static_cast<uint8_t>((x & 1) ? value : value << 4);
        }
        break;
    default: {
        const size_t bytes = size_t(format_.bitmapBitsPerPixel) / 8;
        for (uint32_t i = 0, x = x0; i < pixels; ++i, x += dx) {
            std::memcpy(row + size_t(x) * bytes, converted + size_t(i) * bytes, bytes);
        }
        break;
    }
    }
}

PngRowWriter::Result PngRowWriter::write(const uint8_t* filtered, size_t filteredSize,
                                         uint8_t* bits) const {
    const size_t fullRow = rowBytes(format_.colorType, format_.bitDepth, format_.width);
    // Two rows alternate as the current and the previous unfiltered row; a row filtered
    // with None is used where it stands.
    HeapBuffer rows[2] = {HeapBuffer(fullRow ? fullRow : 1), HeapBuffer(fullRow ? fullRow : 1)};
    HeapBuffer work;
    if (!rows[0] || !rows[1]) return NoMemory;
    if (format_.interlaced) {
        work = HeapBuffer(size_t(format_.bitmapStride) + 16);
        if (!work) return NoMemory;
    }

    const uint8_t* in = filtered;
    const uint8_t* const end = filtered + filteredSize;
    const uint8_t* prev = nullptr;

    // Unfilters the next row of n bytes and returns where it now stands; null for a filter
    // type that does not exist (or data that ends early, which the exact size rules out).
    auto nextRow = [&](size_t n) -> const uint8_t* {
        if (size_t(end - in) < n + 1) return nullptr;
        const uint8_t type = *in++;
        const uint8_t* data = in;
        in += n;
        if (type == 0) return data;
        uint8_t* cur = prev == rows[0].data() ? rows[1].data() : rows[0].data();
        return unfilter(type, data, prev, cur, n, pixelDistance_) ? cur : nullptr;
    };

    if (!format_.interlaced) {
        std::memset(rows[1].data(), 0, rows[1].size());
        prev = rows[1].data();
        for (uint32_t y = 0; y < format_.height; ++y) {
            const uint8_t* row = nextRow(fullRow);
            if (!row) return BadFilter;
            convertRow(row, bits + size_t(y) * format_.bitmapStride, format_.width);
            prev = row;
        }
        return Written;
    }

    if (format_.bitmapBitsPerPixel < 8) {
        std::memset(bits, 0, size_t(format_.bitmapStride) * format_.height);
    }
    for (const Pass& pass : kPasses) {
        const uint32_t passWidth = passExtent(format_.width, pass.x0, pass.dx);
        const uint32_t passHeight = passExtent(format_.height, pass.y0, pass.dy);
        if (!passWidth || !passHeight) continue;
        const size_t n = rowBytes(format_.colorType, format_.bitDepth, passWidth);
        std::memset(rows[1].data(), 0, n);
        prev = rows[1].data();
        for (uint32_t j = 0; j < passHeight; ++j) {
            const uint8_t* row = nextRow(n);
            if (!row) return BadFilter;
            convertRow(row, work.data(), passWidth);
            const uint32_t y = pass.y0 + j * pass.dy;
            placePassRow(work.data(), bits + size_t(y) * format_.bitmapStride, passWidth, pass.x0, pass.dx);
            prev = row;
        }
    }
    return Written;
}

} // namespace winui
