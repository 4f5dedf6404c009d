#pragma once

// The picture that tools/gen_png_fixtures.py draws into every fixture, recomputed here so
// that tests can check decoded pixels exactly, plus helpers to read fixtures and bitmaps.

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace png_fixtures {

inline std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> readFixture(const std::string& name) {
    return readFile(std::string(TEST_DATA_DIR) + "/png/" + name);
}

inline uint64_t patternValue(uint32_t x, uint32_t y, uint32_t channel) {
    return uint64_t(x * 31 + y * 17 + channel * 59 + x * y * 7 + 3) * 40503;
}

inline uint32_t paletteEntries(int depth) { return depth == 8 ? 200 : 1u << depth; }

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

inline Rgba paletteColour(uint32_t i) {
    return Rgba{uint8_t((i * 47 + 11) & 255), uint8_t((i * 91 + 13) & 255), uint8_t((255 - i * 29) & 255), 255};
}

// What the decoder must show for the pattern pixel: 16-bit samples by their high byte,
// grey below 8 bits scaled over the ramp, alpha only for truecolour with alpha.
inline Rgba expectedPixel(int colorType, int depth, uint32_t x, uint32_t y) {
    const uint64_t mask = (uint64_t(1) << depth) - 1;
    auto channel = [&](uint32_t c) -> uint8_t {
        const uint64_t s = patternValue(x, y, c) & mask;
        if (depth == 16) return uint8_t(s >> 8);
        return uint8_t(s * 255 / mask);
    };
    switch (colorType) {
    case 3: return paletteColour(uint32_t(patternValue(x, y, 0) % paletteEntries(depth)));
    case 0:
    case 4: {
        const uint8_t v = channel(0);
        return Rgba{v, v, v, 255};
    }
    case 2: return Rgba{channel(0), channel(1), channel(2), 255};
    default: return Rgba{channel(0), channel(1), channel(2), channel(3)};
    }
}

// A DIB section's pixels read back through its own colour table.
struct BitmapView {
    int width = 0, height = 0, bitsPerPixel = 0, stride = 0;
    const uint8_t* bits = nullptr;
    std::vector<RGBQUAD> colors;

    explicit BitmapView(HBITMAP bitmap) {
        DIBSECTION section{};
        if (!bitmap || GetObjectW(bitmap, sizeof section, &section) != sizeof section) return;
        width = section.dsBm.bmWidth;
        height = section.dsBm.bmHeight;
        bitsPerPixel = section.dsBm.bmBitsPixel;
        stride = section.dsBm.bmWidthBytes;
        bits = static_cast<const uint8_t*>(section.dsBm.bmBits);
        if (bitsPerPixel <= 8) {
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, bitmap);
            colors.resize(256);
            colors.resize(GetDIBColorTable(dc, 0, 256, colors.data()));
            SelectObject(dc, old);
            DeleteDC(dc);
        }
    }

    uint32_t index(int x, int y) const {
        const uint8_t* row = bits + size_t(y) * stride;
        switch (bitsPerPixel) {
        case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 4: return (x & 1) ? (row[x >> 1] & 15) : (row[x >> 1] >> 4);
        default: return row[x];
        }
    }

    Rgba pixel(int x, int y) const {
        const uint8_t* row = bits + size_t(y) * stride;
        if (bitsPerPixel == 24) return Rgba{row[3 * x + 2], row[3 * x + 1], row[3 * x], 255};
        if (bitsPerPixel == 32) return Rgba{row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]};
        const uint32_t i = index(x, y);
        if (i >= colors.size()) return Rgba{0, 0, 0, 0};
        return Rgba{colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 255};
    }
};

} // namespace png_fixtures
