#include "ui_toolkit/PngWriter.h"

#include "core/util/FileUtils.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/PngDecoder.h"

#include <array>
#include <new>

namespace winui {

namespace {

// The largest payload of one stored deflate block.
constexpr size_t kStoredBlock = 65535;
constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

const std::array<uint32_t, 256>& crcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

void putBig32(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

// Appends a chunk: length, type, data, and the CRC over type and data.
void putChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t length) {
    putBig32(out, static_cast<uint32_t>(length));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    if (length)
        out.insert(out.end(), data, data + length);
    putBig32(out, pngCrc32(out.data() + typeAt, length + 4));
}

} // namespace

uint32_t pngCrc32(const uint8_t* data, size_t length, uint32_t crc) {
    const auto& table = crcTable();
    uint32_t c = crc ^ 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i)
        c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t adler32(const uint8_t* data, size_t length, uint32_t sum) {
    constexpr uint32_t kBase = 65521;
    uint32_t a = sum & 0xFFFF;
    uint32_t b = sum >> 16;
    while (length > 0) {
        // 5552 bytes are the most that cannot overflow b before the modulo.
        const size_t run = length < 5552 ? length : 5552;
        for (size_t i = 0; i < run; ++i) {
            a += data[i];
            b += a;
        }
        a %= kBase;
        b %= kBase;
        data += run;
        length -= run;
    }
    return (b << 16) | a;
}

bool encodePng(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
               int32_t bytesPerPixel, std::vector<uint8_t>& png) {
    png.clear();
    if (!pixels || width <= 0 || height <= 0 || (bytesPerPixel != 3 && bytesPerPixel != 4) ||
        static_cast<uint32_t>(width) > PngDecoder::kMaxDimension ||
        static_cast<uint32_t>(height) > PngDecoder::kMaxDimension ||
        static_cast<int64_t>(stride) < static_cast<int64_t>(width) * bytesPerPixel)
        return false;
    try {
        // Each row: filter byte 0, then red, green, blue.
        const size_t rowBytes = 1 + static_cast<size_t>(width) * 3;
        std::vector<uint8_t> raw(rowBytes * static_cast<size_t>(height));
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* in = pixels + static_cast<size_t>(y) * stride;
            uint8_t* out = raw.data() + static_cast<size_t>(y) * rowBytes;
            *out++ = 0;
            for (int32_t x = 0; x < width; ++x, in += bytesPerPixel) {
                *out++ = in[2];
                *out++ = in[1];
                *out++ = in[0];
            }
        }

        const size_t blocks = (raw.size() + kStoredBlock - 1) / kStoredBlock;
        std::vector<uint8_t> zlib;
        zlib.reserve(2 + raw.size() + blocks * 5 + 4);
        zlib.push_back(0x78); // deflate, 32 KB window
        zlib.push_back(0x01); // no preset dictionary, check bits
        for (size_t at = 0; at < raw.size(); at += kStoredBlock) {
            const size_t length = raw.size() - at < kStoredBlock ? raw.size() - at : kStoredBlock;
            zlib.push_back(at + length == raw.size() ? 1 : 0); // final bit, stored type
            zlib.push_back(static_cast<uint8_t>(length));
            zlib.push_back(static_cast<uint8_t>(length >> 8));
            zlib.push_back(static_cast<uint8_t>(~length));
            zlib.push_back(static_cast<uint8_t>(~length >> 8));
            zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + length);
        }
        putBig32(zlib, adler32(raw.data(), raw.size()));

        std::vector<uint8_t> header;
        putBig32(header, static_cast<uint32_t>(width));
        putBig32(header, static_cast<uint32_t>(height));
        header.push_back(8); // bit depth
        header.push_back(2); // truecolour
        header.push_back(0); // deflate
        header.push_back(0); // adaptive filtering
        header.push_back(0); // not interlaced

        png.reserve(sizeof(kSignature) + 25 + zlib.size() + 12 + 12);
        png.insert(png.end(), kSignature, kSignature + sizeof(kSignature));
        putChunk(png, "IHDR", header.data(), header.size());
        putChunk(png, "IDAT", zlib.data(), zlib.size());
        putChunk(png, "IEND", nullptr, 0);
    } catch (const std::bad_alloc&) {
        png.clear();
        return false;
    }
    return true;
}

bool encodePng(const Image& image, std::vector<uint8_t>& png) {
    if (image.isEmpty() || !image.pixels()) {
        png.clear();
        return false;
    }
    return encodePng(image.pixels(), image.width(), image.height(), image.stride(),
                     image.bitsPerPixel() / 8, png);
}

bool writePngFile(const Image& image, const std::wstring& path) {
    std::vector<uint8_t> png;
    return encodePng(image, png) && replaceFileContents(path, png.data(), png.size());
}

} // namespace winui
