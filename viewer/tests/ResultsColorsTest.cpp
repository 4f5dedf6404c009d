#include "viewer/ResultsColors.h"

#include <gtest/gtest.h>

namespace {

const ResultsPalette kLight{0xFFFFFF, 0x000000, 0xD77800, 0xFFFFFF};
constexpr COLORREF kGreen = 0x00C000;

ResultsColorSettings settings(int32_t style, int32_t mode, COLORREF text = kNoColor,
                              COLORREF background1 = kNoColor) {
    ResultsColorSettings s;
    s.matchedTextStyle = style;
    s.tmColorMode = mode;
    s.text = text;
    s.background1 = background1;
    return s;
}

TEST(ResultsColorsTest, CellColoursFromSettingsPaletteAndMember) {
    const struct {
        const char* name;
        ResultsColorSettings settings;
        COLORREF member;
        bool target;
        COLORREF text, background, memberUsed, shapeFill, selectedShapeFill;
    } cases[] = {
        {"source row", settings(3, 0), kNoColor, false, 0x000000, 0xFFFFFF, kMemberColorOnLight, 0xD8D8D8, 0xD79E56},
        {"target row blends the palette 95%", settings(3, 0), kNoColor, true, 0x000000, 0xF2F2F2, kMemberColorOnLight, 0xCDCDCD, 0xD39A52},
        {"dark background takes the dark fallback", settings(3, 0, 0xFFFFFF, 0x202020), kNoColor, false, 0xFFFFFF, 0x202020, kMemberColorOnDark, 0x414141, 0x9B621A},
        {"own member colour", settings(3, 0), kGreen, false, 0x000000, 0xFFFFFF, kGreen, 0xD8D8D8, 0xD79E56},
        {"segments take 10% of the member", settings(3, 4), kGreen, false, 0x000000, 0xE5F8E5, kGreen, 0xC2D2C2, 0xCE9C4D},
        {"target row too", settings(3, 5), kGreen, true, 0x000000, 0xD9EDD9, kGreen, 0xB8C9B8, 0xCA9849},
        {"fallback member blended", settings(3, 4), kNoColor, false, 0x000000, 0xE7F0FB, kMemberColorOnLight, 0xC4CCD5, 0xCF9955},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ResultsCellColors cell = resultsCellColors(c.settings, kLight, c.member, c.target);
        EXPECT_EQ(cell.text, c.text);
        EXPECT_EQ(cell.background, c.background);
        EXPECT_EQ(cell.member, c.memberUsed);
        EXPECT_EQ(cell.shapeFill, c.shapeFill);
        EXPECT_EQ(cell.selectedShapeFill, c.selectedShapeFill);
        EXPECT_EQ(cell.selection, 0xD77800u);
        EXPECT_EQ(cell.selectionText, 0xFFFFFFu);
    }
}

TEST(ResultsColorsTest, MatchedRunsPerEmphasisAndMode) {
    const struct {
        const char* name;
        ResultsColorSettings settings;
        COLORREF background, text, pen;
        bool underline;
    } cases[] = {
        {"underline", settings(MatchedUnderline, MemberColorDoNotApply), 0xFFFFFF, 0x000000, 0x000000, true},
        {"bold", settings(MatchedBold, MemberColorDoNotApply), 0xFFFFFF, 0x000000, 0x000000, false},
        {"highlight", settings(MatchedHighlight, MemberColorDoNotApply), 0x000000, 0xFFFFFF, 0x000000, false},
        // Modes that colour names or backgrounds keep the plain highlight.
        {"highlight with member names", settings(MatchedHighlight, MemberColorNames), 0x000000, 0xFFFFFF, 0x000000, false},
        {"highlight on member background", settings(MatchedHighlight, MemberColorSegmentsBackground), 0x000000, 0xE5F8E5, 0x000000, false},
        {"highlight in member colour, dark text", settings(MatchedHighlight, MemberColorMatchedText), 0x33CC33, 0x000000, 0x000000, false},
        {"highlight in member colour, light text", settings(MatchedHighlight, MemberColorEverything, 0xFFFFFF, 0x202020), kGreen, 0xFFFFFF, 0xFFFFFF, false},
        {"bold in member colour, dark text", settings(MatchedBold, MemberColorMatchedText), 0xFFFFFF, 0x009900, kGreen, false},
        {"underline in member colour, light text", settings(MatchedUnderline, MemberColorEverything, 0xC0C0C0, 0x202020), 0x1C301C, kGreen, kGreen, true},
        {"names only", settings(MatchedUnderline, MemberColorNamesBackground), 0xFFFFFF, 0x000000, 0x000000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ResultsCellColors cell = resultsCellColors(c.settings, kLight, kGreen, false);
        const MatchedRunColors run = matchedRunColors(c.settings, cell);
        EXPECT_EQ(run.background, c.background);
        EXPECT_EQ(run.text, c.text);
        EXPECT_EQ(run.pen, c.pen);
        EXPECT_EQ(run.underline, c.underline);
    }
}

TEST(ResultsColorsTest, MemberCellsPerMode) {
    const COLORREF darkMember = 0x800000;  // luminance 15: white text
    const COLORREF lightMember = 0x80FFFF; // luminance 242: black text
    const struct {
        const char* name;
        int32_t mode;
        COLORREF member;
        COLORREF text, background;
        bool line;
    } cases[] = {
        {"do not apply", MemberColorDoNotApply, darkMember, 0x000000, 0xFFFFFF, true},
        {"matched text", MemberColorMatchedText, darkMember, 0x000000, 0xFFFFFF, true},
        {"names", MemberColorNames, darkMember, darkMember, 0xFFFFFF, true},
        {"names on dark member", MemberColorNamesBackground, darkMember, 0xFFFFFF, darkMember, false},
        {"everything on light member", MemberColorEverything, lightMember, 0x000000, lightMember, false},
        {"segments", MemberColorSegmentsBackground, kGreen, 0x000000, 0xE5F8E5, false},
        {"names without member colour", MemberColorNamesBackground, kNoColor, 0x000000, 0xFFFFFF, false},
        {"names in colour without one", MemberColorNames, kNoColor, 0x000000, 0xFFFFFF, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MemberCellColors m = memberCellColors(settings(3, c.mode), kLight, c.member, false);
        EXPECT_EQ(m.text, c.text);
        EXPECT_EQ(m.background, c.background);
        EXPECT_EQ(m.leftLine, c.line);
        EXPECT_EQ(m.line, 0xB2B2B2u);
    }
}

TEST(ResultsColorsTest, Luminance) {
    EXPECT_EQ(colorLuminance(0xFFFFFF), 257);
    EXPECT_EQ(colorLuminance(0x0000FF), 76);  // red
    EXPECT_EQ(colorLuminance(0x00FF00), 150); // green
    EXPECT_EQ(colorLuminance(0xFF0000), 30);  // blue
    EXPECT_EQ(colorLuminance(0x000000), 0);
}

} // namespace
