#include "ui_toolkit/NamedImages.h"

#include "core/resources/Scrambling.h"
#include "ui_toolkit/tests/PngFixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using winui::Image;

// The test program carries the package from tests/data/resources/WinUI_BitmapResources:
// "pattern" (the 13 x 7 truecolour-with-alpha fixture), "broken" (a cut stream), "empty".

TEST(NamedImagesTest, ANamedImageIsDecodedOnceAndSharedByEveryCall) {
    Image* first = winui::getImage(L"pattern");
    ASSERT_NE(first, nullptr);
    ASSERT_FALSE(first->isEmpty());
    EXPECT_EQ(first->width(), 13);
    EXPECT_EQ(first->height(), 7);
    EXPECT_EQ(first->bitsPerPixel(), 32);
    const png_fixtures::Rgba want = png_fixtures::expectedPixel(6, 8, 4, 5);
    GdiFlush();
    const uint8_t* p = first->pixels() + 5 * first->stride() + 4 * 4;
    EXPECT_TRUE(p[0] == want.b && p[1] == want.g && p[2] == want.r && p[3] == want.a);
    EXPECT_EQ(winui::getImage(L"pattern"), first);
}

TEST(NamedImagesTest, MissingEmptyAndBrokenEntriesGiveCachedEmptyImages) {
    for (const wchar_t* name : {L"PATTERN", L"Pattern", L"missing", L"empty", L"broken", L""}) {
        Image* image = winui::getImage(name);
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(image->isEmpty());
        EXPECT_EQ(image->width(), 0);
        EXPECT_EQ(winui::getImage(name), image); // cached like any other
    }
    EXPECT_NE(winui::getImage(L"PATTERN"), winui::getImage(L"pattern"));
}

TEST(NamedImagesTest, ReleasingTheCacheLetsALaterLookupStartAgain) {
    Image* before = winui::getImage(L"pattern");
    const HBITMAP bitmap = before->bitmap();
    winui::releaseNamedImages();
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    Image* after = winui::getImage(L"pattern");
    ASSERT_NE(after, nullptr);
    EXPECT_FALSE(after->isEmpty());
    EXPECT_EQ(after->width(), 13);
}

TEST(NamedImagesTest, EntriesAreUnscrambledBeforeDecoding) {
    std::vector<uint8_t> plain = png_fixtures::readFixture("rgb8.png");
    std::vector<uint8_t> scrambled = plain;
    scrambleBytes(scrambled.data(), scrambled.size());
    PackageMap package;
    package[L"scrambled"] = PackageEntry{scrambled.data(), uint32_t(scrambled.size())};
    package[L"plain"] = PackageEntry{plain.data(), uint32_t(plain.size())};
    package[L"nothing"] = PackageEntry{plain.data(), 0};

    const auto decoded = winui::loadNamedImage(package, L"scrambled");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width(), 13);
    EXPECT_EQ(decoded->bitsPerPixel(), 24);
    // The package's own bytes stay as they were.
    std::vector<uint8_t> again = plain;
    scrambleBytes(again.data(), again.size());
    EXPECT_EQ(scrambled, again);

    for (const wchar_t* name : {L"plain", L"nothing", L"absent"}) {
        const auto image = winui::loadNamedImage(package, name);
        ASSERT_TRUE(image);
        EXPECT_TRUE(image->isEmpty());
    }
}

TEST(NamedImagesTest, TheShippedBitmapsDecodeToSixteenPixelSquaresWithAlpha) {
    const std::string folder = std::string(TEST_DATA_DIR) + "/../../../resources/bitmaps/";
    for (const char* name : {"btnAdd", "btnRemove", "btnUp", "btnDown"}) {
        const std::vector<uint8_t> bytes = png_fixtures::readFile(folder + name);
        ASSERT_FALSE(bytes.empty()) << name;
        Image image(bytes.data(), bytes.size());
        ASSERT_FALSE(image.isEmpty()) << name;
        EXPECT_EQ(image.width(), 16) << name;
        EXPECT_EQ(image.height(), 16) << name;
        EXPECT_EQ(image.bitsPerPixel(), 32) << name;
        GdiFlush();
        int opaque = 0;
        for (int i = 0; i < 16 * 16; ++i) opaque += image.pixels()[i * 4 + 3] == 255;
        EXPECT_GT(opaque, 20) << name;
        EXPECT_EQ(image.pixels()[3], 0) << name; // the corners are see-through
    }
}
