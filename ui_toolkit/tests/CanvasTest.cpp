#include "ui_toolkit/Canvas.h"

#include "ui_toolkit/Image.h"
#include "ui_toolkit/StyleElement.h"
#include "ui_toolkit/tests/PngFixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using winui::Brush;
using winui::Canvas;
using winui::Font;
using winui::Image;
using winui::Pen;
using winui::Rect;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

// 0x00RRGGBB of a 32-bit image's pixel.
uint32_t rgbAt(const Image& image, int x, int y) {
    GdiFlush();
    const uint8_t* p = image.pixels() + size_t(y) * image.stride() + size_t(x) * 4;
    return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

void fill(Image& image, const Rect& r, uint32_t rgb, uint8_t alpha = 255) {
    GdiFlush();
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            uint8_t* p = image.pixels() + size_t(y) * image.stride() + size_t(x) * 4;
            p[0] = uint8_t(rgb);
            p[1] = uint8_t(rgb >> 8);
            p[2] = uint8_t(rgb >> 16);
            p[3] = alpha;
        }
    }
}

Image blank(int w, int h, uint32_t rgb = kWhite) {
    Image image;
    EXPECT_TRUE(image.createBlank(w, h));
    fill(image, Rect(0, 0, w, h), rgb);
    return image;
}

// COLORREF (0x00BBGGRR) for the 0x00RRGGBB values the tests read back.
COLORREF ref(uint32_t rgb) { return RGB(rgb >> 16, (rgb >> 8) & 255, rgb & 255); }

bool alive(HGDIOBJ object) { return GetObjectType(object) != 0; }

} // namespace

TEST(CanvasTest, SelectsPrivateCopiesAndGivesBackWhatTheContextHeld) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(dc);
    const HGDIOBJ originalFont = GetCurrentObject(dc, OBJ_FONT);
    const HGDIOBJ originalBrush = GetCurrentObject(dc, OBJ_BRUSH);
    const HGDIOBJ originalPen = GetCurrentObject(dc, OBJ_PEN);
    HGDIOBJ lastFont = nullptr, lastBrush = nullptr, lastPen = nullptr;
    {
        Canvas canvas(dc);
        EXPECT_FALSE(canvas.ownsDc());
        const Font font(L"Arial", 10.0f, 0);
        for (int i = 0; i < 3; ++i) {
            // The same caller object each time: a new copy per call, the previous one deleted.
            const Brush brush(RGB(10 * i, 20, 30));
            const Pen pen(PS_SOLID, 1, RGB(40, 50, 10 * i));
            canvas.setFont(font);
            canvas.setBrush(brush);
            canvas.setPen(pen);
            const HGDIOBJ selectedFont = GetCurrentObject(dc, OBJ_FONT);
            const HGDIOBJ selectedBrush = GetCurrentObject(dc, OBJ_BRUSH);
            const HGDIOBJ selectedPen = GetCurrentObject(dc, OBJ_PEN);
            EXPECT_EQ(selectedFont, canvas.font().handle());
            EXPECT_EQ(selectedBrush, canvas.brush().handle());
            EXPECT_EQ(selectedPen, canvas.pen().handle());
            EXPECT_NE(selectedFont, font.handle());
            EXPECT_NE(selectedBrush, brush.handle());
            EXPECT_NE(selectedPen, pen.handle());
            if (lastFont) {
                EXPECT_NE(selectedFont, lastFont);
                EXPECT_FALSE(alive(lastFont));
                EXPECT_FALSE(alive(lastBrush));
                EXPECT_FALSE(alive(lastPen));
            }
            lastFont = selectedFont;
            lastBrush = selectedBrush;
            lastPen = selectedPen;
        }
        // Selecting the canvas's own copy, or an object without a handle, changes nothing.
        canvas.setFont(canvas.font());
        canvas.setBrush(Brush());
        canvas.setPen(Pen());
        canvas.setFont(Font());
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), lastFont);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), lastBrush);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), lastPen);
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), originalFont);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), originalBrush);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), originalPen);
    EXPECT_FALSE(alive(lastFont));
    EXPECT_FALSE(alive(lastBrush));
    EXPECT_FALSE(alive(lastPen));
    // The context was somebody else's: still usable.
    EXPECT_TRUE(alive(dc));
    DeleteDC(dc);
}

TEST(CanvasTest, DrawsWithItsCopiesAfterTheCallersObjectsAreGone) {
    Image target = blank(20, 14);
    Canvas& canvas = *target.canvas();
    {
        const Brush brush(ref(0x3366CC));
        const Pen pen(PS_SOLID, 1, ref(0xCC0000));
        canvas.setBrush(brush);
        canvas.setPen(pen);
    }
    canvas.drawRoundRect(Rect(2, 2, 18, 12), 6);
    EXPECT_EQ(rgbAt(target, 10, 7), 0x3366CCu);  // filled
    EXPECT_EQ(rgbAt(target, 10, 2), 0xCC0000u);  // top edge
    EXPECT_EQ(rgbAt(target, 10, 11), 0xCC0000u); // bottom edge, exclusive rectangle
    EXPECT_EQ(rgbAt(target, 2, 7), 0xCC0000u);
    EXPECT_EQ(rgbAt(target, 2, 2), kWhite);      // the corner is rounded off
    EXPECT_EQ(rgbAt(target, 10, 12), kWhite);
}

TEST(CanvasTest, LinesRunFromTheCurrentPositionToTheExclusiveEnd) {
    Image target = blank(12, 6);
    Canvas& canvas = *target.canvas();
    canvas.setPen(Pen(PS_SOLID, 1, ref(0x00AA00)));
    EXPECT_EQ(canvas.moveTo(1, 2), winui::Point(0, 0));
    canvas.lineTo(9, 2);
    EXPECT_EQ(canvas.moveTo(3, 0), winui::Point(9, 2));
    canvas.lineTo(3, 5);
    for (int x = 0; x < 12; ++x) {
        EXPECT_EQ(rgbAt(target, x, 2), (x >= 1 && x < 9) || x == 3 ? 0x00AA00u : kWhite) << x;
    }
    for (int y = 0; y < 6; ++y) EXPECT_EQ(rgbAt(target, 3, y), y < 5 ? 0x00AA00u : kWhite) << y;
}

TEST(CanvasTest, TextIsDrawnInsideItsRectangleAndMeasured) {
    Image target = blank(120, 40);
    Canvas& canvas = *target.canvas();
    const Font font(L"Arial", 12.0f, winui::FontBold);
    canvas.setFont(font);
    SetTextColor(canvas.dc, RGB(0, 0, 0));
    SetBkMode(canvas.dc, TRANSPARENT);

    const Rect measured = canvas.measureText(L"Hello");
    EXPECT_EQ(measured.left, 0);
    EXPECT_EQ(measured.top, 0);
    EXPECT_GT(measured.right, 10);
    EXPECT_GT(measured.bottom, 5);
    EXPECT_EQ(canvas.measureText(L"").right, 0);

    const Rect box(30, 10, 100, 30);
    canvas.drawText(L"Hello", box, DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOCLIP | DT_CALCRECT);
    // DT_CALCRECT measures only: nothing is drawn.
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 120; ++x) ASSERT_EQ(rgbAt(target, x, y), kWhite);
    }
    canvas.drawText(L"Hello", box, DT_SINGLELINE | DT_LEFT | DT_TOP);
    canvas.drawTextRange(L"Wo!!", 2, Rect(0, 0, 28, 40), DT_SINGLELINE | DT_LEFT | DT_TOP);
    int inside = 0, outside = 0, inRange = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 120; ++x) {
            if (rgbAt(target, x, y) == kWhite) continue;
            if (x >= box.left && x < box.right && y >= box.top && y < box.bottom) {
                ++inside;
            } else if (x < 28) {
                ++inRange;
            } else {
                ++outside;
            }
        }
    }
    EXPECT_GT(inside, 10);
    EXPECT_GT(inRange, 10);
    EXPECT_EQ(outside, 0);
}

TEST(CanvasTest, ACanvasWithoutAContextMeasuresNothingAndDrawsNothing) {
    Canvas canvas(static_cast<HDC>(nullptr));
    canvas.setFont(Font(L"Arial", 10.0f, 0));
    EXPECT_FALSE(canvas.font().isNull()); // the copy is still made
    EXPECT_EQ(canvas.measureText(L"text"), Rect());
    EXPECT_EQ(canvas.moveTo(4, 4), winui::Point());
    canvas.lineTo(1, 1);
    canvas.drawText(L"text", Rect(0, 0, 10, 10), 0);
}

TEST(CanvasTest, ImagesAreCopiedWholeOrInPartAndStretched) {
    Image source = blank(4, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) fill(source, Rect(x, y, x + 1, y + 1), uint32_t(0x101010 * (x + 4 * y + 1)));
    }
    Image target = blank(16, 12);
    Canvas& canvas = *target.canvas();
    canvas.drawImage(source, 5, 6);
    canvas.drawImagePart(Rect(1, 1, 3, 3), source, 0, 0);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(rgbAt(target, 5 + x, 6 + y), rgbAt(source, x, y));
    }
    EXPECT_EQ(rgbAt(target, 0, 0), rgbAt(source, 1, 1));
    EXPECT_EQ(rgbAt(target, 1, 1), rgbAt(source, 2, 2));
    EXPECT_EQ(rgbAt(target, 2, 0), kWhite);
    EXPECT_EQ(rgbAt(target, 9, 6), kWhite);

    Image plain = blank(2, 2, 0x884422);
    SetStretchBltMode(canvas.dc, COLORONCOLOR);
    canvas.stretchImage(Rect(10, 0, 16, 5), plain);
    EXPECT_EQ(GetStretchBltMode(canvas.dc), COLORONCOLOR);
    for (int y = 0; y < 5; ++y) {
        for (int x = 10; x < 16; ++x) EXPECT_EQ(rgbAt(target, x, y), 0x884422u) << x << "," << y;
    }
    EXPECT_EQ(rgbAt(target, 10, 5), kWhite);

    // An image without a bitmap draws nothing.
    const Image empty;
    canvas.drawImage(empty, 0, 0);
    canvas.stretchImage(Rect(0, 0, 16, 12), empty);
    canvas.blendImage(empty, 0, 0);
    EXPECT_EQ(rgbAt(target, 15, 11), kWhite);
}

TEST(CanvasTest, BlendingUsesAlphaForThirtyTwoBitsAndMagentaForTwentyFour) {
    Image target = blank(8, 4, 0x204060);
    Canvas& canvas = *target.canvas();

    Image overlay = blank(3, 1);
    fill(overlay, Rect(0, 0, 1, 1), 0xFFFFFF, 0);   // transparent
    fill(overlay, Rect(1, 0, 2, 1), 0x0000FF, 255); // opaque
    fill(overlay, Rect(2, 0, 3, 1), 0xFF0000, 128); // half
    canvas.blendImage(overlay, 1, 1);
    EXPECT_EQ(rgbAt(target, 1, 1), 0x204060u);
    EXPECT_EQ(rgbAt(target, 2, 1), 0x0000FFu);
    // red (255 * 128 + 0x20 * 128) / 256, green 0x40 / 2, blue 0x60 / 2
    EXPECT_EQ(rgbAt(target, 3, 1), (uint32_t((255 * 128 + 0x20 * 128) / 256) << 16) | 0x2030u);
    EXPECT_EQ(rgbAt(target, 0, 1), 0x204060u);
    EXPECT_EQ(rgbAt(target, 4, 1), 0x204060u);

    const std::vector<uint8_t> keyed = png_fixtures::readFixture("key_rgb8.png");
    const Image keyedImage(keyed.data(), keyed.size());
    ASSERT_EQ(keyedImage.bitsPerPixel(), 24);
    canvas.blendImage(keyedImage, 4, 2);
    const uint32_t want[2][3] = {{0x204060, 0xFF0000, 0x204060}, {0x00FF00, 0x204060, 0x0000FF}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) EXPECT_EQ(rgbAt(target, 4 + x, 2 + y), want[y][x]) << x << "," << y;
    }

    // Neither rule applies to palette and grey bitmaps: the canvas stays as it was.
    Image before = blank(8, 4);
    before.canvas()->drawImage(target, 0, 0);
    for (const char* name : {"grey1.png", "pal4.png", "grey8.png"}) {
        const std::vector<uint8_t> bytes = png_fixtures::readFixture(name);
        const Image image(bytes.data(), bytes.size());
        ASSERT_FALSE(image.isEmpty()) << name;
        ASSERT_LE(image.bitsPerPixel(), 8) << name;
        canvas.blendImage(image, 0, 0);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 8; ++x) EXPECT_EQ(rgbAt(target, x, y), rgbAt(before, x, y)) << name;
        }
    }
}

namespace {

// A 16 x 12 element image: side borders 6 wide, top and bottom 3 high, each of the nine
// slices a colour of its own.
const uint32_t kSliceColour[3][3] = {
    {0xFF0000, 0x00FF00, 0x0000FF}, // top-left, top, top-right
    {0xFFFF00, 0x808080, 0x00FFFF}, // left, centre, right
    {0xFF00FF, 0x804000, 0x004080}, // bottom-left, bottom, bottom-right
};

Image sliceImage() {
    Image image = blank(16, 12);
    const int xs[4] = {0, 6, 10, 16}, ys[4] = {0, 3, 9, 12};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) fill(image, Rect(xs[c], ys[r], xs[c + 1], ys[r + 1]), kSliceColour[r][c]);
    }
    return image;
}

} // namespace

TEST(CanvasTest, ElementsArePaintedAsNineSlicesByTheirPartBits) {
    Image image = sliceImage();
    winui::StyleElement element;
    element.image = &image;
    element.source = Rect(0, 0, 16, 12);
    element.inner = Rect(6, 3, 10, 9);

    Image target = blank(40, 30);
    Canvas& canvas = *target.canvas();
    SetStretchBltMode(canvas.dc, BLACKONWHITE);
    canvas.drawElement(element, Rect(0, 0, 40, 30), winui::PartAll);
    EXPECT_EQ(GetStretchBltMode(canvas.dc), BLACKONWHITE);
    // Corners keep their size; edges and centre stretch. Sample inside each slice.
    const int sx[3] = {2, 20, 37}, sy[3] = {1, 15, 28};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(rgbAt(target, sx[c], sy[r]), kSliceColour[r][c]) << r << "," << c;
    }
    EXPECT_EQ(rgbAt(target, 5, 2), kSliceColour[0][0]);
    EXPECT_EQ(rgbAt(target, 6, 2), kSliceColour[0][1]);
    EXPECT_EQ(rgbAt(target, 34, 27), kSliceColour[2][2]);
    EXPECT_EQ(rgbAt(target, 33, 27), kSliceColour[2][1]);

    // Only the centre.
    Image centreOnly = blank(40, 30);
    centreOnly.canvas()->drawElement(element, Rect(0, 0, 40, 30), winui::PartCenter);
    EXPECT_EQ(rgbAt(centreOnly, 20, 15), kSliceColour[1][1]);
    EXPECT_EQ(rgbAt(centreOnly, 2, 1), kWhite);
    EXPECT_EQ(rgbAt(centreOnly, 20, 1), kWhite);
    EXPECT_EQ(rgbAt(centreOnly, 2, 15), kWhite);
}

TEST(CanvasTest, ANarrowDestinationGetsOverlappingCornersAndSidesButNoMiddleColumn) {
    Image image = sliceImage();
    winui::StyleElement element;
    element.image = &image;
    element.source = Rect(0, 0, 16, 12);
    element.inner = Rect(6, 3, 10, 9);

    Image target = blank(10, 20);
    target.canvas()->drawElement(element, Rect(0, 0, 10, 20), winui::PartAll);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 10; ++x) {
            const uint32_t got = rgbAt(target, x, y);
            EXPECT_NE(got, kSliceColour[0][1]) << x << "," << y; // top edge
            EXPECT_NE(got, kSliceColour[1][1]) << x << "," << y; // centre
            EXPECT_NE(got, kSliceColour[2][1]) << x << "," << y; // bottom edge
            EXPECT_NE(got, kWhite) << x << "," << y;             // everything is covered
        }
    }
    // The right-hand pieces are painted after the left-hand ones and win the overlap.
    EXPECT_EQ(rgbAt(target, 3, 1), kSliceColour[0][0]);
    EXPECT_EQ(rgbAt(target, 5, 1), kSliceColour[0][2]);
    EXPECT_EQ(rgbAt(target, 3, 10), kSliceColour[1][0]);
    EXPECT_EQ(rgbAt(target, 5, 10), kSliceColour[1][2]);
    EXPECT_EQ(rgbAt(target, 3, 18), kSliceColour[2][0]);
    EXPECT_EQ(rgbAt(target, 5, 18), kSliceColour[2][2]);
}

TEST(CanvasTest, AnElementWithoutBordersIsStretchedWholeWhateverThePartBits) {
    Image image = sliceImage();
    winui::StyleElement element;
    element.image = &image;
    element.source = Rect(0, 0, 16, 12);
    element.inner = element.source;
    Image target = blank(32, 24);
    target.canvas()->drawElement(element, Rect(0, 0, 32, 24), 0);
    EXPECT_EQ(rgbAt(target, 1, 1), kSliceColour[0][0]);
    EXPECT_EQ(rgbAt(target, 16, 12), kSliceColour[1][1]);
    EXPECT_EQ(rgbAt(target, 30, 22), kSliceColour[2][2]);

    // An element the style does not give paints nothing.
    winui::StyleElement missing;
    target.canvas()->drawElement(missing, Rect(0, 0, 32, 24), winui::PartAll);
    EXPECT_EQ(rgbAt(target, 16, 12), kSliceColour[1][1]);
}

TEST(CanvasTest, ModifierKeysComeFromTheKeyboardState) {
    BYTE saved[256];
    ASSERT_TRUE(GetKeyboardState(saved));
    struct Case {
        std::vector<int> down;
        bool capsLock;
        uint16_t mask;
    };
    const Case cases[] = {
        {{}, false, 0},
        {{VK_CONTROL, VK_RCONTROL}, false, 0x0082},
        {{VK_SHIFT, VK_LSHIFT}, true, 0x0019},
        {{VK_MENU, VK_RMENU, VK_LWIN}, false, 0x0604},
        {{VK_CONTROL, VK_LCONTROL, VK_SHIFT, VK_RSHIFT, VK_RWIN}, false, 0x0863},
    };
    for (const Case& c : cases) {
        BYTE state[256];
        std::memset(state, 0, sizeof state);
        for (int key : c.down) state[key] = 0x80;
        if (c.capsLock) state[VK_CAPITAL] = 0x01;
        ASSERT_TRUE(SetKeyboardState(state));
        EXPECT_EQ(winui::getModifierKeys(), c.mask);
    }
    SetKeyboardState(saved);
}
