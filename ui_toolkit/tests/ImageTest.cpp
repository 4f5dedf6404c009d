#include "ui_toolkit/Image.h"

#include "ui_toolkit/tests/PngFixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

using winui::Image;
using namespace png_fixtures;

namespace {

Image fromFixture(const std::string& name) {
    const std::vector<uint8_t> bytes = readFixture(name);
    EXPECT_FALSE(bytes.empty()) << name;
    return Image(bytes.data(), bytes.size());
}

uint8_t* pixelAt(Image& image, int x, int y) {
    return image.pixels() + size_t(y) * image.stride() + size_t(x) * (image.bitsPerPixel() / 8);
}

void setPixel(Image& image, int x, int y, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    uint8_t* p = pixelAt(image, x, y);
    p[0] = b;
    p[1] = g;
    p[2] = r;
    if (image.bitsPerPixel() == 32) p[3] = a;
}

std::vector<uint8_t> bytesOf(const Image& image) {
    GdiFlush();
    const uint8_t* p = image.pixels();
    return std::vector<uint8_t>(p, p + size_t(image.stride()) * image.height());
}

Image blank(int w, int h, uint8_t fillByte) {
    Image image;
    EXPECT_TRUE(image.createBlank(w, h));
    GdiFlush();
    std::memset(image.pixels(), fillByte, size_t(image.stride()) * h);
    return image;
}

} // namespace

TEST(ImageTest, DecodedImagesDescribeTheirBitmap) {
    Image rgba = fromFixture("rgba8.png");
    ASSERT_FALSE(rgba.isEmpty());
    EXPECT_EQ(rgba.width(), 13);
    EXPECT_EQ(rgba.height(), 7);
    EXPECT_EQ(rgba.bitsPerPixel(), 32);
    ASSERT_NE(rgba.pixels(), nullptr);
    ASSERT_NE(rgba.canvas(), nullptr);
    EXPECT_EQ(GetCurrentObject(rgba.canvas()->dc, OBJ_BITMAP), rgba.bitmap());
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 13; ++x) {
            const Rgba want = expectedPixel(6, 8, x, y);
            const uint8_t* p = pixelAt(rgba, x, y);
            EXPECT_TRUE(p[0] == want.b && p[1] == want.g && p[2] == want.r && p[3] == want.a) << x << "," << y;
        }
    }

    const Image rgb = fromFixture("rgb16.png");
    EXPECT_EQ(rgb.bitsPerPixel(), 24);
    EXPECT_EQ(rgb.stride(), 40); // 13 x 3 bytes padded to a multiple of 4
    EXPECT_NE(rgb.pixels(), nullptr);

    // Palette and grey bitmaps have no pixel rows to offer.
    const Image grey = fromFixture("grey4.png");
    EXPECT_EQ(grey.bitsPerPixel(), 4);
    EXPECT_FALSE(grey.isEmpty());
    EXPECT_EQ(grey.pixels(), nullptr);
}

TEST(ImageTest, AnUndecodableImageIsEmpty) {
    for (const char* name : {"bad_stream_cut.png", "bad_signature.png", "bad_filter_type.png"}) {
        const Image image = fromFixture(name);
        EXPECT_TRUE(image.isEmpty()) << name;
        EXPECT_EQ(image.canvas(), nullptr) << name;
        EXPECT_EQ(image.width(), 0) << name;
        EXPECT_EQ(image.height(), 0) << name;
        EXPECT_EQ(image.bitsPerPixel(), 0) << name;
        EXPECT_EQ(image.pixels(), nullptr) << name;
    }
    const Image none(nullptr, 0);
    EXPECT_TRUE(none.isEmpty());
}

TEST(ImageTest, BlankImagesAreClearedTopDownThirtyTwoBitSurfaces) {
    Image image;
    ASSERT_TRUE(image.createBlank(5, 3));
    EXPECT_EQ(image.bitsPerPixel(), 32);
    EXPECT_EQ(image.stride(), 20);
    const std::vector<uint8_t> bytes = bytesOf(image);
    EXPECT_EQ(bytes, std::vector<uint8_t>(60, 0));

    // Top-down: the first row in memory is the top row on screen.
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT top = {0, 0, 5, 1};
    FillRect(image.canvas()->dc, &top, red);
    DeleteObject(red);
    GdiFlush();
    EXPECT_EQ(image.pixels()[2], 255);
    EXPECT_EQ(pixelAt(image, 0, 2)[2], 0);

    // Replacing the picture releases the previous bitmap.
    const HBITMAP first = image.bitmap();
    ASSERT_TRUE(image.createBlank(2, 2));
    EXPECT_EQ(GetObjectType(first), 0u);

    for (auto size : {std::pair<int, int>{0, 4}, {4, 0}, {-3, 4}, {100000, 100000}}) {
        Image refused;
        EXPECT_FALSE(refused.createBlank(size.first, size.second)) << size.first << "x" << size.second;
        EXPECT_TRUE(refused.isEmpty());
    }
}

TEST(ImageTest, ReleaseDeselectsAndDeletesTheBitmap) {
    Image image = fromFixture("rgb8.png");
    const HBITMAP bitmap = image.bitmap();
    ASSERT_NE(GetObjectType(bitmap), 0u);
    image.release();
    // A bitmap still selected into a DC could not have been deleted.
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_TRUE(image.isEmpty());
    EXPECT_EQ(image.canvas(), nullptr);
    image.release(); // twice is harmless
}

TEST(ImageTest, SwapAndMoveExchangeEverything) {
    Image a = blank(3, 2, 0x11);
    Image b = fromFixture("grey8.png");
    const HBITMAP bitmapA = a.bitmap(), bitmapB = b.bitmap();
    const winui::Canvas* canvasA = a.canvas();
    a.swap(b);
    EXPECT_EQ(a.bitmap(), bitmapB);
    EXPECT_EQ(b.bitmap(), bitmapA);
    EXPECT_EQ(b.canvas(), canvasA);
    EXPECT_EQ(a.width(), 13);
    EXPECT_EQ(a.bitsPerPixel(), 8);
    EXPECT_EQ(b.width(), 3);
    EXPECT_EQ(b.pixels()[0], 0x11);
    b.swap(b);
    EXPECT_EQ(b.bitmap(), bitmapA);

    Image moved(std::move(b));
    EXPECT_TRUE(b.isEmpty());
    EXPECT_EQ(moved.bitmap(), bitmapA);
    moved = std::move(a);
    EXPECT_EQ(GetObjectType(bitmapA), 0u); // the overwritten image was released
    EXPECT_EQ(moved.bitmap(), bitmapB);
}

TEST(ImageTest, AlphaCompositionFollowsTheSourceAlpha) {
    struct Case {
        uint8_t s, a, d, destinationAlpha;
        uint8_t colour, alpha;
    } cases[] = {
        {200, 0, 50, 77, 50, 77},     // transparent: untouched
        {200, 255, 50, 77, 200, 255}, // opaque: copied, alpha included
        {255, 128, 0, 77, 127, 77},   // mixed: (s*a + d*(256-a)) / 256, alpha kept
        {255, 1, 255, 9, 255, 9},
        {0, 64, 200, 9, 150, 9},
    };
    const int n = int(sizeof cases / sizeof cases[0]);
    Image source = blank(n, 1, 0), destination = blank(n, 1, 0);
    for (int i = 0; i < n; ++i) {
        setPixel(source, i, 0, cases[i].s, cases[i].s, cases[i].s, cases[i].a);
        setPixel(destination, i, 0, cases[i].d, cases[i].d, cases[i].d, cases[i].destinationAlpha);
    }
    Image::alphaBlendOnto(source, destination);
    for (int i = 0; i < n; ++i) {
        const uint8_t* p = pixelAt(destination, i, 0);
        EXPECT_EQ(p[0], cases[i].colour) << i;
        EXPECT_EQ(p[1], cases[i].colour) << i;
        EXPECT_EQ(p[2], cases[i].colour) << i;
        EXPECT_EQ(p[3], cases[i].alpha) << i;
    }
}

TEST(ImageTest, CompositionNeedsEqualSizesAndFittingFormats) {
    Image source = blank(4, 3, 0xFF);
    Image wider = blank(5, 3, 0x10), taller = blank(4, 4, 0x10);
    Image::alphaBlendOnto(source, wider);
    Image::alphaBlendOnto(source, taller);
    Image::copyKeyedOnto(wider, source);
    EXPECT_EQ(bytesOf(wider), std::vector<uint8_t>(60, 0x10));
    EXPECT_EQ(bytesOf(taller), std::vector<uint8_t>(64, 0x10));

    // Alpha composition wants 32 bits on both sides.
    Image rgb = fromFixture("key_rgb8.png");
    Image target = blank(3, 2, 0x10);
    Image::alphaBlendOnto(rgb, target);
    EXPECT_EQ(bytesOf(target), std::vector<uint8_t>(24, 0x10));

    // Empty images and bitmaps without pixel rows are left alone.
    Image empty;
    Image::alphaBlendOnto(empty, target);
    Image::copyKeyedOnto(target, empty);
    Image grey = fromFixture("grey8.png");
    Image greyTarget = blank(13, 7, 0x10);
    Image::copyKeyedOnto(greyTarget, grey);
    EXPECT_EQ(bytesOf(target), std::vector<uint8_t>(24, 0x10));
    EXPECT_EQ(bytesOf(greyTarget), std::vector<uint8_t>(13 * 7 * 4, 0x10));
}

TEST(ImageTest, MagentaIsTheTransparentColourOfAKeyedCopy) {
    // 24-bit onto 32-bit: magenta skipped, other pixels written with alpha 0.
    Image keyed = fromFixture("key_rgb8.png");
    Image target = blank(3, 2, 0x33);
    Image::copyKeyedOnto(target, keyed);
    const uint8_t want[2][3][4] = {
        {{0x33, 0x33, 0x33, 0x33}, {0, 0, 255, 0}, {0x33, 0x33, 0x33, 0x33}},
        {{0, 255, 0, 0}, {0x33, 0x33, 0x33, 0x33}, {255, 0, 0, 0}},
    };
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(0, std::memcmp(pixelAt(target, x, y), want[y][x], 4)) << x << "," << y;
        }
    }

    // All magenta: nothing changes.
    Image magenta = fromFixture("key_all_magenta.png");
    Image untouched = blank(3, 2, 0x33);
    Image::copyKeyedOnto(untouched, magenta);
    EXPECT_EQ(bytesOf(untouched), std::vector<uint8_t>(24, 0x33));

    // 32-bit onto 24-bit, each with its own row stride.
    Image source = blank(3, 2, 0x44);
    setPixel(source, 1, 1, 255, 0, 255, 9);
    Image rgbTarget = fromFixture("key_rgb8.png");
    Image::copyKeyedOnto(rgbTarget, source);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const uint8_t* p = pixelAt(rgbTarget, x, y);
            if (x == 1 && y == 1) {
                EXPECT_TRUE(p[0] == 255 && p[1] == 0 && p[2] == 255); // was magenta, kept
            } else {
                EXPECT_TRUE(p[0] == 0x44 && p[1] == 0x44 && p[2] == 0x44) << x << "," << y;
            }
        }
    }
}
