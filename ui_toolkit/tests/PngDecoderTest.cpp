#include "ui_toolkit/PngDecoder.h"

#include "ui_toolkit/tests/PngFixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace png_fixtures;
using winui::PngDecoder;

namespace {

// Owns a bitmap the decoder made.
struct OwnedBitmap {
    HBITMAP handle = nullptr;
    explicit OwnedBitmap(HBITMAP h) : handle(h) {}
    OwnedBitmap(const OwnedBitmap&) = delete;
    OwnedBitmap& operator=(const OwnedBitmap&) = delete;
    ~OwnedBitmap() {
        if (handle) DeleteObject(handle);
    }
};

// Runs all steps on the bytes; the bitmap is null when a step failed (see the decoder's
// error code).
HBITMAP decodeBytes(PngDecoder& decoder, const std::vector<uint8_t>& bytes) {
    if (!decoder.openMemory(bytes.data(), bytes.size())) return nullptr;
    if (!decoder.decode()) return nullptr;
    return decoder.createBitmap(GetDesktopWindow(), false);
}

void expectPattern(const BitmapView& view, int colorType, int depth, int width, int height,
                   const std::string& what) {
    ASSERT_EQ(view.width, width) << what;
    ASSERT_EQ(view.height, height) << what;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgba want = expectedPixel(colorType, depth, x, y);
            const Rgba got = view.pixel(x, y);
            ASSERT_TRUE(got == want) << what << " pixel (" << x << ", " << y << "): got " << int(got.r)
                                     << "," << int(got.g) << "," << int(got.b) << "," << int(got.a)
                                     << " want " << int(want.r) << "," << int(want.g) << ","
                                     << int(want.b) << "," << int(want.a);
        }
    }
}

struct FormatCase {
    const char* name;
    int colorType;
    int depth;
    int bitmapBits;
    uint32_t colors; // colour table entries of the bitmap
};

const FormatCase kFormats[] = {
    {"grey1", 0, 1, 1, 2},         {"grey2", 0, 2, 4, 4},         {"grey4", 0, 4, 4, 16},
    {"grey8", 0, 8, 8, 256},       {"grey16", 0, 16, 8, 256},     {"rgb8", 2, 8, 24, 0},
    {"rgb16", 2, 16, 24, 0},       {"pal1", 3, 1, 1, 2},          {"pal2", 3, 2, 4, 4},
    {"pal4", 3, 4, 4, 16},         {"pal8", 3, 8, 8, 200},        {"greyalpha8", 4, 8, 8, 256},
    {"greyalpha16", 4, 16, 8, 256}, {"rgba8", 6, 8, 32, 0},       {"rgba16", 6, 16, 32, 0},
};

} // namespace

TEST(PngDecoderTest, EveryFormatDecodesToTheExactPixelsPlainAndInterlaced) {
    for (const FormatCase& format : kFormats) {
        for (bool interlaced : {false, true}) {
            const std::string name = std::string(interlaced ? "adam7_" : "") + format.name + ".png";
            const std::vector<uint8_t> bytes = readFixture(name);
            ASSERT_FALSE(bytes.empty()) << name;
            PngDecoder decoder;
            OwnedBitmap bitmap(decodeBytes(decoder, bytes));
            ASSERT_TRUE(bitmap.handle) << name << " error " << std::hex << decoder.errorCode();
            EXPECT_EQ(decoder.errorCode(), 0u);
            EXPECT_EQ(decoder.outputBitsPerPixel(), format.bitmapBits) << name;
            const BitmapView view(bitmap.handle);
            EXPECT_EQ(view.bitsPerPixel, format.bitmapBits) << name;
            // The platform may pad the colour table to the bitmap's full size.
            if (format.bitmapBits <= 8) {
                EXPECT_GE(view.colors.size(), format.colors) << name;
            }
            expectPattern(view, format.colorType, format.depth, 13, interlaced ? 11 : 7, name);
        }
    }
}

TEST(PngDecoderTest, TwoBitImagesBecomeFourBitBitmapsWithTheirSmallPalettes) {
    const std::vector<uint8_t> bytes = readFixture("grey2.png");
    PngDecoder decoder;
    OwnedBitmap bitmap(decodeBytes(decoder, bytes));
    ASSERT_TRUE(bitmap.handle);
    const BitmapView view(bitmap.handle);
    ASSERT_EQ(view.bitsPerPixel, 4);
    ASSERT_GE(view.colors.size(), 4u);
    {
        winui::PngBitmapInfo info;
        decoder.bitmapHeader(info);
        EXPECT_EQ(info.header.biClrUsed, 4u);
        EXPECT_EQ(info.header.biBitCount, 4);
        EXPECT_EQ(info.header.biHeight, -7);
    }
    const BYTE ramp[4] = {0, 85, 170, 255};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(view.colors[i].rgbRed, ramp[i]);
        EXPECT_EQ(view.colors[i].rgbGreen, ramp[i]);
        EXPECT_EQ(view.colors[i].rgbBlue, ramp[i]);
    }
    // The 2-bit values themselves stand in the nibbles, unscaled.
    for (int x = 0; x < 13; ++x) EXPECT_EQ(view.index(x, 3), patternValue(x, 3, 0) & 3) << x;
}

TEST(PngDecoderTest, EveryBlockKindAndChunkLayoutDecodesTheSamePicture) {
    const char* names[] = {
        "stream_stored.png",     "stream_fixed.png",      "stream_dynamic.png",
        "stream_mixed.png",      "layout_split_idat.png", "layout_bad_crc.png",
        "layout_bad_adler.png",  "layout_ancillary.png",  "layout_trailing_bytes.png",
    };
    for (const char* name : names) {
        PngDecoder decoder;
        OwnedBitmap bitmap(decodeBytes(decoder, readFixture(name)));
        ASSERT_TRUE(bitmap.handle) << name << " error " << std::hex << decoder.errorCode();
        expectPattern(BitmapView(bitmap.handle), 2, 8, 40, 30, name);
    }
}

TEST(PngDecoderTest, SmallInterlacedImagesWithEmptyPassesMatchTheirPlainTwins) {
    PngDecoder plainDecoder, interlacedDecoder;
    OwnedBitmap plain(decodeBytes(plainDecoder, readFixture("rgb8_3x3.png")));
    OwnedBitmap interlaced(decodeBytes(interlacedDecoder, readFixture("adam7_rgb8_3x3.png")));
    ASSERT_TRUE(plain.handle && interlaced.handle);
    const BitmapView a(plain.handle), b(interlaced.handle);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) EXPECT_TRUE(a.pixel(x, y) == b.pixel(x, y)) << x << "," << y;
    }
    expectPattern(b, 2, 8, 3, 3, "adam7 3x3");

    PngDecoder single;
    OwnedBitmap one(decodeBytes(single, readFixture("adam7_grey1_1x1.png")));
    ASSERT_TRUE(one.handle);
    expectPattern(BitmapView(one.handle), 0, 1, 1, 1, "adam7 1x1");
}

TEST(PngDecoderTest, TransparencyOfAPaletteIsIgnored) {
    PngDecoder decoder;
    OwnedBitmap bitmap(decodeBytes(decoder, readFixture("pal8_trns.png")));
    ASSERT_TRUE(bitmap.handle);
    const BitmapView view(bitmap.handle);
    EXPECT_EQ(view.bitsPerPixel, 8);
    expectPattern(view, 3, 8, 13, 7, "pal8 with tRNS");
}

namespace {

enum Step { AtOpen, AtDecode, AtBitmap };

struct FailureCase {
    const char* name;
    Step step;
    uint32_t code;
};

const FailureCase kFailures[] = {
    {"bad_short.png", AtOpen, 0x2000},
    {"bad_signature.png", AtOpen, 0x2000},
    {"bad_first_chunk.png", AtOpen, 0x2000},
    {"bad_zero_width.png", AtOpen, 0x2000},
    {"bad_ihdr_length.png", AtOpen, 0x2000},
    {"bad_no_idat.png", AtOpen, 0x2000},
    {"bad_chunk_length.png", AtOpen, 0x2000},
    {"bad_truncated.png", AtOpen, 0x2000},
    {"bad_critical_chunk.png", AtOpen, 0x2001},
    {"bad_depth.png", AtOpen, 0x2001},
    {"bad_color_type.png", AtOpen, 0x2001},
    {"bad_compression_method.png", AtOpen, 0x2001},
    {"bad_filter_method.png", AtOpen, 0x2001},
    {"bad_interlace_method.png", AtOpen, 0x2001},
    {"bad_palette_missing.png", AtOpen, 0x2001},
    {"bad_palette_too_large.png", AtOpen, 0x2001},
    {"bad_too_wide.png", AtOpen, 0x2001},
    {"bad_too_large_valid.png", AtOpen, 0x2001},
    {"bad_overflowing_size.png", AtOpen, 0x2001},
    {"bad_huge_for_its_data.png", AtDecode, 0x2000},
    {"bad_zlib_method.png", AtDecode, 0x2000},
    {"bad_zlib_window.png", AtDecode, 0x2000},
    {"bad_zlib_dictionary.png", AtDecode, 0x2000},
    {"bad_block_type3.png", AtDecode, 0x2000},
    {"bad_stored_length.png", AtDecode, 0x2000},
    {"bad_distance_too_far.png", AtDecode, 0x2000},
    {"bad_distance_symbol.png", AtDecode, 0x2000},
    {"bad_length_symbol.png", AtDecode, 0x2000},
    {"bad_huffman_oversubscribed.png", AtDecode, 0x2000},
    {"bad_huffman_incomplete.png", AtDecode, 0x2000},
    {"bad_huffman_no_end_code.png", AtDecode, 0x2000},
    {"bad_huffman_repeat_first.png", AtDecode, 0x2000},
    {"bad_huffman_repeat_overrun.png", AtDecode, 0x2000},
    {"bad_too_much_data.png", AtDecode, 0x2000},
    {"bad_too_little_data.png", AtDecode, 0x2000},
    {"bad_stream_cut.png", AtDecode, 0x2000},
    {"bad_filter_type.png", AtBitmap, 0x2000},
};

} // namespace

TEST(PngDecoderTest, DamagedFilesFailAtTheirStepWithTheirCode) {
    for (const FailureCase& failure : kFailures) {
        const std::vector<uint8_t> bytes = readFixture(failure.name);
        ASSERT_FALSE(bytes.empty()) << failure.name;
        PngDecoder decoder;
        const bool opened = decoder.openMemory(bytes.data(), bytes.size());
        EXPECT_EQ(opened, failure.step != AtOpen) << failure.name;
        if (!opened) {
            EXPECT_EQ(decoder.errorCode(), failure.code) << failure.name;
            EXPECT_EQ(decoder.state(), 0u) << failure.name;
            continue;
        }
        const bool decoded = decoder.decode();
        EXPECT_EQ(decoded, failure.step != AtDecode) << failure.name;
        if (!decoded) {
            EXPECT_EQ(decoder.errorCode(), failure.code) << failure.name;
            EXPECT_EQ(decoder.state(), 1u) << failure.name;
            continue;
        }
        OwnedBitmap bitmap(decoder.createBitmap(GetDesktopWindow(), false));
        EXPECT_EQ(bitmap.handle, nullptr) << failure.name;
        EXPECT_EQ(decoder.errorCode(), failure.code) << failure.name;
    }
}

TEST(PngDecoderTest, StepsOutOfOrderFailWithoutChangingTheContext) {
    const std::vector<uint8_t> bytes = readFixture("rgb8.png");
    PngDecoder decoder;
    EXPECT_FALSE(decoder.decode());
    EXPECT_EQ(decoder.errorCode(), 0x2003u);
    EXPECT_EQ(decoder.createBitmap(nullptr, false), nullptr);
    EXPECT_EQ(decoder.errorCode(), 0x2003u);

    ASSERT_TRUE(decoder.openMemory(bytes.data(), bytes.size()));
    EXPECT_EQ(decoder.createBitmap(nullptr, false), nullptr);
    EXPECT_EQ(decoder.errorCode(), 0x2003u);
    EXPECT_FALSE(decoder.openMemory(bytes.data(), bytes.size()));
    EXPECT_EQ(decoder.errorCode(), 0x1002u);
    EXPECT_EQ(decoder.state(), 1u);
    EXPECT_EQ(decoder.width(), 13u);

    ASSERT_TRUE(decoder.decode());
    EXPECT_FALSE(decoder.decode());
    EXPECT_EQ(decoder.errorCode(), 0x2003u);
    EXPECT_FALSE(decoder.openMemory(bytes.data(), bytes.size()));
    EXPECT_EQ(decoder.errorCode(), 0x1002u);

    // Any number of bitmaps from one decoded image, all alike.
    OwnedBitmap first(decoder.createBitmap(GetDesktopWindow(), false));
    OwnedBitmap second(decoder.createBitmap(GetDesktopWindow(), false));
    ASSERT_TRUE(first.handle && second.handle);
    expectPattern(BitmapView(first.handle), 2, 8, 13, 7, "first");
    expectPattern(BitmapView(second.handle), 2, 8, 13, 7, "second");

    decoder.free();
    EXPECT_EQ(decoder.state(), 0u);
    EXPECT_EQ(decoder.width(), 0u);
    ASSERT_TRUE(decoder.openMemory(bytes.data(), bytes.size()));
}

TEST(PngDecoderTest, AFailedOpenLeavesNothingBehindForTheNextImage) {
    // A palette image that fails after its palette was found must not lend that palette to
    // the next image opened with the same context.
    const std::vector<uint8_t> bad = readFixture("bad_palette_too_large.png");
    const std::vector<uint8_t> good = readFixture("grey8.png");
    PngDecoder decoder;
    EXPECT_FALSE(decoder.openMemory(bad.data(), bad.size()));
    EXPECT_EQ(decoder.paletteCount(), 0u);
    OwnedBitmap bitmap(decodeBytes(decoder, good));
    ASSERT_TRUE(bitmap.handle);
    expectPattern(BitmapView(bitmap.handle), 0, 8, 13, 7, "grey8 after a failure");
}

TEST(PngDecoderTest, DeviceDependentBitmapsHoldTheSamePicture) {
    const std::vector<uint8_t> bytes = readFixture("rgb8.png");
    PngDecoder decoder;
    ASSERT_TRUE(decoder.openMemory(bytes.data(), bytes.size()));
    ASSERT_TRUE(decoder.decode());
    OwnedBitmap bitmap(decoder.createBitmap(GetDesktopWindow(), true));
    ASSERT_TRUE(bitmap.handle) << std::hex << decoder.errorCode();

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 13;
    header.biHeight = -7;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    std::vector<uint8_t> pixels(13 * 7 * 4);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap.handle, 0, 7, pixels.data(),
                               reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(rows, 7);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 13; ++x) {
            const uint8_t* p = &pixels[(y * 13 + x) * 4];
            const Rgba want = expectedPixel(2, 8, x, y);
            EXPECT_EQ(p[2], want.r);
            EXPECT_EQ(p[1], want.g);
            EXPECT_EQ(p[0], want.b);
        }
    }
}

TEST(PngDecoderTest, EveryPrefixAndEveryCorruptedByteFailsCleanlyOrDecodes) {
    // Hostile input sweep: no cut or flipped byte may crash, hang or leave a bitmap
    // behind a failure code.
    const std::vector<uint8_t> original = readFixture("stream_dynamic.png");
    ASSERT_FALSE(original.empty());
    auto run = [](const std::vector<uint8_t>& bytes) {
        PngDecoder decoder;
        OwnedBitmap bitmap(decodeBytes(decoder, bytes));
        if (bitmap.handle) {
            EXPECT_EQ(decoder.errorCode(), 0u);
        } else {
            const uint32_t code = decoder.errorCode();
            EXPECT_TRUE(code == 0x2000 || code == 0x2001) << std::hex << code;
        }
        return bitmap.handle != nullptr;
    };
    for (size_t length = 0; length < original.size(); ++length) {
        std::vector<uint8_t> cut(original.begin(), original.begin() + length);
        // Only the last 16 bytes (Adler-32 and IEND) may go and leave a picture.
        if (run(cut)) {
            EXPECT_GE(length + 16, original.size()) << length;
        }
    }
    for (size_t i = 8; i < original.size(); ++i) {
        for (uint8_t flip : {uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
            std::vector<uint8_t> bytes = original;
            bytes[i] ^= flip;
            run(bytes);
        }
    }
}
