#include "core/values/Font.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using winui::Font;

namespace {

// Every conversion reads the resolution from winui::screenDpiY; pin it per test.
class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = winui::screenDpiY;
        winui::screenDpiY = 96;
    }
    void TearDown() override { winui::screenDpiY = saved_; }

    static LOGFONTW logFontOf(const Font& font) {
        LOGFONTW lf;
        EXPECT_TRUE(font.getLogFont(lf));
        return lf;
    }
    static LOGFONTW heightOnly(LONG height) {
        LOGFONTW lf;
        std::memset(&lf, 0, sizeof lf);
        lf.lfHeight = height;
        lf.lfWeight = FW_NORMAL;
        return lf;
    }

private:
    int32_t saved_ = 0;
};

} // namespace

TEST_F(FontTest, HeightIsTruncatedFromPointsAtTheResolution) {
    EXPECT_EQ(logFontOf(Font(L"Arial", 10.0f, 0)).lfHeight, -13);
    EXPECT_EQ(logFontOf(Font(L"Arial", 9.0f, 0)).lfHeight, -12);
    EXPECT_EQ(logFontOf(Font(L"Arial", 9.75f, 0)).lfHeight, -13);
    winui::screenDpiY = 120;
    EXPECT_EQ(logFontOf(Font(L"Arial", 10.0f, 0)).lfHeight, -16);
}

TEST_F(FontTest, CreationFillsTheRecordFromTheDescription) {
    const LOGFONTW lf = logFontOf(Font(L"Tahoma", 10.0f, 0x0F));
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfStrikeOut, 1);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf.lfQuality, ANTIALIASED_QUALITY);
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfPitchAndFamily, 0);
    EXPECT_STREQ(lf.lfFaceName, L"Tahoma");

    // Bits other than the four style bits are ignored.
    const LOGFONTW plain = logFontOf(Font(L"Tahoma", 10.0f, 0x10));
    EXPECT_EQ(plain.lfWeight, 400);
    EXPECT_EQ(plain.lfItalic, 0);
    EXPECT_EQ(plain.lfUnderline, 0);
    EXPECT_EQ(plain.lfStrikeOut, 0);
}

TEST_F(FontTest, OnlyThirtyOneUnitsOfTheFaceReachTheFont) {
    const std::wstring face(40, L'x');
    const LOGFONTW lf = logFontOf(Font(face, 10.0f, 0));
    EXPECT_EQ(std::wstring(lf.lfFaceName), face.substr(0, 31));
}

TEST_F(FontTest, EmptyFaceOrZeroSizeGivesANullFont) {
    for (const Font& font : {Font(), Font(L"", 10.0f, 0), Font(L"Arial", 0.0f, 1)}) {
        EXPECT_TRUE(font.isNull());
        std::wstring face = L"junk";
        float size = 1.0f;
        uint16_t style = 7;
        font.describe(face, size, style);
        EXPECT_EQ(face, L"");
        EXPECT_EQ(size, 0.0f);
        EXPECT_EQ(style, 0);
    }
    Font target(L"Arial", 10.0f, 0);
    target.assign(Font());
    EXPECT_TRUE(target.isNull());
    target = Font(L"Arial", 10.0f, 0);
    target.assignStyled(winui::FontMakeBold, Font());
    EXPECT_TRUE(target.isNull());
}

TEST_F(FontTest, DescriptionSettlesAfterTheFirstPass) {
    std::wstring face;
    float size = 0;
    uint16_t style = 0;
    Font(L"Arial", 10.0f, winui::FontBold | winui::FontUnderline).describe(face, size, style);
    EXPECT_EQ(face, L"Arial");
    EXPECT_FLOAT_EQ(size, 9.75f);
    EXPECT_EQ(style, winui::FontBold | winui::FontUnderline);

    float again = 0;
    Font(face, size, style).describe(face, again, style);
    EXPECT_FLOAT_EQ(again, 9.75f);
}

TEST_F(FontTest, PointSizeFromHeight) {
    EXPECT_FLOAT_EQ(winui::pointSizeFromHeight(heightOnly(-13)), 9.75f);
    EXPECT_FLOAT_EQ(winui::pointSizeFromHeight(heightOnly(-16)), 12.0f);
    // A positive height is a cell height: scaled by one and a half.
    EXPECT_FLOAT_EQ(winui::pointSizeFromHeight(heightOnly(16)), 18.0f);
    EXPECT_FLOAT_EQ(winui::pointSizeFromHeight(heightOnly(0)), 0.0f);
    winui::screenDpiY = 144;
    EXPECT_FLOAT_EQ(winui::pointSizeFromHeight(heightOnly(-19)), 9.5f);
}

TEST_F(FontTest, ChangeBitsRewriteTheRecord) {
    struct Case {
        uint16_t changes;
        LONG height;
        LONG wantHeight;
        LONG wantWeight;
    };
    const Case cases[] = {
        {0x0800 | 0x0010, -13, -12, 700},
        {0x0001, -13, -11, 400},          // 8.75 pt
        {0x0002, -13, -10, 400},          // 7.75 pt
        {0x0004, -13, -14, 400},          // 10.75 pt
        {0x0008, -13, -15, 400},          // 11.75 pt
        {0x0020, -13, -11, 400},
        {0x0040, -13, -10, 400},
        {0x0080, -13, -14, 400},
        {0x0100, -13, -15, 400},
        {0x0200, -13, -16, 400},
        {0x0010, 10, -14, 400},           // a positive height counts as 15 pixels
        {0x0010 | 0x0200, -13, -16, 400}, // a later bit overwrites an earlier one
        {0x0004 | 0x0010, -13, -12, 400}, // pixel steps start from the incoming height
        {0x0000, -13, -13, 400},
    };
    for (const Case& c : cases) {
        LOGFONTW lf = heightOnly(c.height);
        winui::applyFontChanges(c.changes, lf);
        EXPECT_EQ(lf.lfHeight, c.wantHeight) << "changes " << c.changes << " on " << c.height;
        EXPECT_EQ(lf.lfWeight, c.wantWeight) << "changes " << c.changes;
    }
}

TEST_F(FontTest, PlainThenStyleBits) {
    LOGFONTW lf = heightOnly(-13);
    lf.lfWeight = 700;
    lf.lfItalic = lf.lfUnderline = lf.lfStrikeOut = 1;
    winui::applyFontChanges(winui::FontMakePlain | winui::FontMakeBold, lf);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfItalic, 0);
    EXPECT_EQ(lf.lfUnderline, 0);
    EXPECT_EQ(lf.lfStrikeOut, 0);

    winui::applyFontChanges(winui::FontMakeItalic | winui::FontMakeUnderline | winui::FontMakeStrikeOut, lf);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfStrikeOut, 1);
    EXPECT_EQ(lf.lfHeight, -13);
}

TEST_F(FontTest, CopiesNeverShareAHandle) {
    Font original(L"Arial", 12.0f, winui::FontItalic);
    Font copy(original);
    ASSERT_FALSE(copy.isNull());
    EXPECT_NE(copy.handle(), original.handle());
    const LOGFONTW copied = logFontOf(copy);
    const LOGFONTW source = logFontOf(original);
    EXPECT_EQ(std::memcmp(&copied, &source, sizeof(LOGFONTW)), 0);

    Font assigned;
    assigned = original;
    EXPECT_NE(assigned.handle(), original.handle());

    const LOGFONTW before = logFontOf(copy);
    const Font& self = copy;
    copy.assign(self);
    ASSERT_FALSE(copy.isNull());
    const LOGFONTW after = logFontOf(copy);
    EXPECT_EQ(std::memcmp(&after, &before, sizeof(LOGFONTW)), 0);

    Font moved(std::move(copy));
    EXPECT_TRUE(copy.isNull());
    EXPECT_FALSE(moved.isNull());
}

TEST_F(FontTest, StyledVariantLeavesTheSourceAlone) {
    const Font base(L"Arial", 10.0f, 0);
    Font bold;
    bold.assignStyled(winui::FontMakeBold | winui::FontOnePixelSmaller, base);
    EXPECT_EQ(logFontOf(bold).lfWeight, 700);
    EXPECT_EQ(logFontOf(bold).lfHeight, -12);
    EXPECT_STREQ(logFontOf(bold).lfFaceName, L"Arial");
    EXPECT_EQ(logFontOf(base).lfWeight, 400);
    EXPECT_EQ(logFontOf(base).lfHeight, -13);
}

TEST(FontResolutionTest, UnsetResolutionIsReadFromTheScreen) {
    const int32_t saved = winui::screenDpiY;
    winui::screenDpiY = 0;
    const int32_t dpi = winui::fontResolution();
    EXPECT_GT(dpi, 0);
    EXPECT_EQ(winui::screenDpiY, dpi);
    winui::screenDpiY = saved;
}
