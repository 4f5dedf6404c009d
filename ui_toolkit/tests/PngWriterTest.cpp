#include "ui_toolkit/PngWriter.h"

#include "core/tests/TestFiles.h"
#include "core/util/FileUtils.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/WindowCapture.h"
#include "ui_toolkit/tests/ControlProbe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using winui::Image;

namespace {

uint32_t rgbAt(const Image& image, int32_t x, int32_t y) {
    const uint8_t* p = image.pixels() + y * image.stride() + x * (image.bitsPerPixel() / 8);
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16);
}

// A picture in which every pixel differs from its neighbours in every channel.
void fillPattern(Image& image) {
    for (int32_t y = 0; y < image.height(); ++y) {
        uint8_t* row = image.pixels() + y * image.stride();
        for (int32_t x = 0; x < image.width(); ++x) {
            row[x * 4 + 0] = static_cast<uint8_t>(x * 7 + y);
            row[x * 4 + 1] = static_cast<uint8_t>(x + y * 13);
            row[x * 4 + 2] = static_cast<uint8_t>(x * y + 5);
            row[x * 4 + 3] = 0x80;
        }
    }
}

uint32_t big32(const std::vector<uint8_t>& bytes, size_t at) {
    return (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) | (uint32_t(bytes[at + 2]) << 8) |
           uint32_t(bytes[at + 3]);
}

} // namespace

TEST(PngWriterTest, ChecksumsOfKnownInputs) {
    struct Case {
        const char* text;
        uint32_t crc;
        uint32_t adler;
    };
    const Case cases[] = {
        {"", 0x00000000u, 0x00000001u},
        {"123456789", 0xCBF43926u, 0x091E01DEu},
        {"Wikipedia", 0xADAAC02Eu, 0x11E60398u},
        {"IEND", 0xAE426082u, 0x02D70121u},
    };
    for (const Case& c : cases) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(c.text);
        const size_t length = std::strlen(c.text);
        EXPECT_EQ(winui::pngCrc32(bytes, length), c.crc) << c.text;
        EXPECT_EQ(winui::adler32(bytes, length), c.adler) << c.text;
        // Continued in two pieces gives the same.
        EXPECT_EQ(winui::pngCrc32(bytes + length / 2, length - length / 2, winui::pngCrc32(bytes, length / 2)),
                  c.crc) << c.text;
        EXPECT_EQ(winui::adler32(bytes + length / 2, length - length / 2, winui::adler32(bytes, length / 2)),
                  c.adler) << c.text;
    }
    // Long runs of 0xFF: the sum is reduced often enough not to overflow.
    const std::vector<uint8_t> ones(100000, 0xFF);
    EXPECT_EQ(winui::adler32(ones.data(), ones.size()), 0x149A302Cu);
}

TEST(PngWriterTest, TheToolkitsDecoderReadsBackWhatWasWritten) {
    // One pixel; odd widths with padded rows; more than one stored block (over 64 KB of data).
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {37, 23}, {203, 150}};
    for (const auto& size : sizes) {
        Image source;
        ASSERT_TRUE(source.createBlank(size.first, size.second));
        fillPattern(source);
        std::vector<uint8_t> png;
        ASSERT_TRUE(winui::encodePng(source, png)) << size.first;

        // The chunks are where they belong, each with its CRC.
        ASSERT_GT(png.size(), 8u + 25u + 12u + 12u);
        EXPECT_EQ(std::memcmp(png.data() + 12, "IHDR", 4), 0);
        EXPECT_EQ(big32(png, 16), static_cast<uint32_t>(size.first));
        EXPECT_EQ(big32(png, 20), static_cast<uint32_t>(size.second));
        EXPECT_EQ(big32(png, 29), winui::pngCrc32(png.data() + 12, 17));
        const uint32_t idatLength = big32(png, 33);
        EXPECT_EQ(big32(png, 41 + idatLength), winui::pngCrc32(png.data() + 37, idatLength + 4));
        EXPECT_EQ(std::memcmp(png.data() + png.size() - 8, "IEND", 4), 0);

        Image decoded(png.data(), png.size());
        ASSERT_FALSE(decoded.isEmpty()) << size.first;
        ASSERT_EQ(decoded.width(), size.first);
        ASSERT_EQ(decoded.height(), size.second);
        for (int32_t y = 0; y < size.second; ++y) {
            for (int32_t x = 0; x < size.first; ++x)
                ASSERT_EQ(rgbAt(decoded, x, y), rgbAt(source, x, y)) << x << "," << y;
        }
    }
}

TEST(PngWriterTest, RefusesWhatItCannotEncode) {
    std::vector<uint8_t> png = {1, 2, 3};
    const uint8_t pixels[16] = {};
    struct Case {
        const char* name;
        const uint8_t* pixels;
        int32_t width, height, stride, bytesPerPixel;
    };
    const Case cases[] = {
        {"no pixels", nullptr, 1, 1, 4, 4},
        {"zero width", pixels, 0, 1, 4, 4},
        {"negative height", pixels, 1, -1, 4, 4},
        {"two bytes a pixel", pixels, 1, 1, 4, 2},
        {"rows shorter than their pixels", pixels, 2, 1, 4, 4},
        {"wider than any PNG the toolkit reads", pixels, 20000, 1, 80000, 4},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(winui::encodePng(c.pixels, c.width, c.height, c.stride, c.bytesPerPixel, png)) << c.name;
        EXPECT_TRUE(png.empty()) << c.name;
    }
    EXPECT_FALSE(winui::encodePng(Image(), png));
}

TEST(PngWriterTest, AWindowCaptureWritesAFileOfTheClientArea) {
    winui::Form form(nullptr, 120, 80, 0);
    form.setStyle(const_cast<winui::Style*>(winui::getStyle(L"CX")));
    ASSERT_NE(form.style, nullptr);
    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    pumpMessages();

    Image shot;
    ASSERT_TRUE(winui::captureWindow(form.hwnd, shot));
    ASSERT_EQ(shot.width(), 120);
    ASSERT_EQ(shot.height(), 80);
    const COLORREF body = form.style->color(winui::kColorFormBody);
    const uint32_t expected = (GetBValue(body)) | (GetGValue(body) << 8) | (GetRValue(body) << 16);
    for (const auto& p : {std::make_pair(0, 0), std::make_pair(119, 79), std::make_pair(60, 40)})
        EXPECT_EQ(rgbAt(shot, p.first, p.second), expected) << p.first << "," << p.second;

    testfiles::TempDir folder(L"capture");
    const std::wstring path = folder.file(L"shot.png");
    ASSERT_TRUE(winui::writeWindowPng(form.hwnd, path));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(path, 1 << 20, bytes));
    Image decoded(bytes.data(), bytes.size());
    ASSERT_EQ(decoded.width(), 120);
    ASSERT_EQ(decoded.height(), 80);
    EXPECT_EQ(rgbAt(decoded, 60, 40), expected);

    // No window, nothing written.
    EXPECT_FALSE(winui::captureWindow(nullptr, shot));
    EXPECT_TRUE(shot.isEmpty());
    EXPECT_FALSE(winui::writeWindowPng(nullptr, folder.file(L"none.png")));
    EXPECT_EQ(GetFileAttributesW(folder.file(L"none.png").c_str()), INVALID_FILE_ATTRIBUTES);
}
