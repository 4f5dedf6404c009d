#include "ui_toolkit/Style.h"

#include "ui_toolkit/tests/StyleTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using style_test::fixturePackage;
using style_test::MemoryPackage;
using namespace winui;

namespace {

const std::string kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

// A style read from a file whose "style" element holds body; pictures from the fixtures.
std::unique_ptr<Style> readStyle(const std::string& body) {
    MemoryPackage package;
    package.add(L"test.xml", kXmlDeclaration + "<style>" + body + "</style>");
    return std::unique_ptr<Style>(new Style(L"test.xml", package.map()));
}

COLORREF brushColor(const winui::Brush& brush) {
    LOGBRUSH logBrush{};
    EXPECT_TRUE(brush.getLogBrush(logBrush));
    return logBrush.lbColor;
}

COLORREF defaultColor(int32_t index) { return winui::defaultStyleColors()[index]; }

} // namespace

TEST(StyleTest, ReadsAStyleFileWithItsPicturesColoursDimensionsAndOffsets) {
    Style style(L"cx.xml", fixturePackage());

    EXPECT_EQ(style.color(kColorWindow), 0x00FFFFFFu);
    EXPECT_EQ(style.color(kColorWindowText), 0x00302010u);
    EXPECT_EQ(style.color(kColorButtonText), 0x00FF0000u);
    EXPECT_EQ(style.color(kColorFormBody), 0x00D0E0F0u);
    EXPECT_EQ(style.color(kColorHighlightText), 0u);                             // "#FFFFFF"
    EXPECT_EQ(style.color(kColorHighlight), defaultColor(kColorHighlight));      // "highlight"
    EXPECT_EQ(brushColor(style.formBodyBrush()), 0x00D0E0F0u);
    EXPECT_EQ(brushColor(style.windowBrush()), 0x00FFFFFFu);

    const StyleElement& button = style.element(kElementButton);
    ASSERT_NE(button.image, nullptr);
    EXPECT_EQ(button.image->width(), 64);
    EXPECT_EQ(button.source, Rect(16, 0, 32, 16)); // the "button" glyph did not replace it
    EXPECT_EQ(button.inner, Rect(20, 4, 28, 12));
    EXPECT_EQ(button.tx, 1);
    EXPECT_EQ(button.ty, 2);
    EXPECT_EQ(button.textColor, 0x00FF0000u); // "ButtonText"

    // One picture for every element that names it; the broken picture is tried once too.
    EXPECT_EQ(style.element(kElementButtonPressed).image, button.image);
    EXPECT_EQ(style.element(kElementCheckBox).image, button.image);
    EXPECT_EQ(style.imageCount(), 3u);

    const StyleElement& tab = style.element(kElementTab);
    EXPECT_EQ(tab.source, Rect(10, 0, 64, 32));
    EXPECT_EQ(tab.inner, tab.source);
    EXPECT_EQ(tab.textColor, 0x00FF0000u); // FF0000 as written: blue

    const StyleElement& arrow = style.element(kElementComboBoxArrow);
    ASSERT_NE(arrow.image, nullptr);
    EXPECT_EQ(arrow.image->bitsPerPixel(), 32);
    EXPECT_EQ(arrow.source, Rect(0, 0, 8, 4));

    // Missing and undecodable pictures leave their elements not given.
    const StyleElement& comboButton = style.element(kElementComboBoxButton);
    EXPECT_FALSE(style.hasElement(kElementComboBoxButton));
    EXPECT_EQ(comboButton.source, Rect());
    EXPECT_EQ(comboButton.tx, 3);
    EXPECT_FALSE(style.hasElement(kElementProgressBar));
    EXPECT_FALSE(style.hasElement(kElementEditBox));

    EXPECT_EQ(style.element(kElementButtonDisabled).textColor, 0x00808080u);       // "GrayText"
    EXPECT_EQ(style.element(kElementCheckBox).textColor, 0x00302010u);             // "WindowText"
    EXPECT_EQ(style.element(kElementWindowCaption).textColor, 0x0000FF00u);        // "CaptionText"
    EXPECT_EQ(style.element(kElementWindowCaptionInactive).textColor,
              defaultColor(kColorInactiveCaptionText));
    EXPECT_EQ(style.element(kElementEditBox).textColor, 0x00302010u);

    EXPECT_EQ(style.dimension(kDimensionTabOverlap), 2);
    EXPECT_EQ(style.dimension(kDimensionWindowCaptionHeight), -3);
    EXPECT_EQ(style.dimension(kDimensionTabControlFrameWidth), 0);
    EXPECT_EQ(style.offset(kOffsetWindowCloseButton), winui::Point(-20, 5));
    EXPECT_EQ(style.offset(kOffsetToolWindowCloseButton), winui::Point(0, 0));

    // Indexes outside the tables read as nothing rather than beyond the arrays.
    EXPECT_EQ(style.element(kStyleElementCount).image, nullptr);
    EXPECT_EQ(style.element(-1).textColor, StyleElement::kNoColor);
    EXPECT_EQ(style.color(kStyleColorCount), 0u);
    EXPECT_EQ(style.dimension(-1), 0);
}

TEST(StyleTest, ColourValuesAreRedGreenBlueInHexadecimal) {
    const struct {
        const char* value; // null: no "value" attribute
        COLORREF stored;
    } cases[] = {
        {"FF0000", 0x000000FF},   {"ff0000", 0x000000FF},  {"00FF00", 0x0000FF00},
        {"0000FF", 0x00FF0000},   {"#FF0000", 0},          {"0xFF0000", 0},
        {"", 0},                  {nullptr, 0},            {" 00FF00", 0},
        {"80123456", 0x80563412}, {"1FF0000FF", 0xFFFF0000}, // the last eight digits count
    };
    for (const auto& c : cases) {
        const std::string attribute = c.value ? std::string(" value=\"") + c.value + "\"" : "";
        std::unique_ptr<Style> style = readStyle("<color name=\"Highlight\"" + attribute + "/>");
        EXPECT_EQ(style->color(kColorHighlight), c.stored) << (c.value ? c.value : "(none)");
    }

    // Names are exact: these change nothing.
    std::unique_ptr<Style> style =
        readStyle("<color name=\"highlight\" value=\"FF0000\"/><color name=\"Highlight \" "
                  "value=\"FF0000\"/><color value=\"FF0000\"/>");
    EXPECT_EQ(style->colors(), winui::defaultStyleColors());
}

TEST(StyleTest, GlyphSlicesCountFromTheirCornerAndDefaultToThePicturesEdges) {
    const struct {
        const char* attributes;
        Rect source;
        Rect inner;
    } cases[] = {
        {"x=\"10\" y=\"0\"", Rect(10, 0, 64, 32), Rect(10, 0, 64, 32)},
        {"x=\"16\" y=\"16\" width=\"16\" height=\"16\" dx=\"4\" dy=\"4\"", Rect(16, 16, 32, 32),
         Rect(20, 20, 28, 28)},
        {"width=\"16\"", Rect(0, 0, 16, 32), Rect(0, 0, 16, 32)},
        {"y=\"8\" height=\"0\" dy=\"2\"", Rect(0, 8, 64, 32), Rect(0, 10, 64, 30)},
        // Malformed numbers read as 0.
        {"x=\"12a\" width=\"8\" dx=\" 2\"", Rect(0, 0, 8, 32), Rect(0, 0, 8, 32)},
        // Numbers are taken as written, also where they leave the picture or cross over.
        {"x=\"-4\" width=\"4\"", Rect(-4, 0, 0, 32), Rect(-4, 0, 0, 32)},
        {"width=\"16\" dx=\"10\"", Rect(0, 0, 16, 32), Rect(10, 0, 6, 32)},
        {"x=\"2147483647\" width=\"1\"", Rect(2147483647, 0, INT32_MIN, 32),
         Rect(2147483647, 0, INT32_MIN, 32)},
    };
    for (const auto& c : cases) {
        std::unique_ptr<Style> style =
            readStyle(std::string("<glyph name=\"Tab\" file=\"sheet.png\" ") + c.attributes + "/>");
        const StyleElement& tab = style->element(kElementTab);
        ASSERT_NE(tab.image, nullptr) << c.attributes;
        EXPECT_EQ(tab.source, c.source) << c.attributes;
        EXPECT_EQ(tab.inner, c.inner) << c.attributes;
    }

    std::unique_ptr<Style> style =
        readStyle("<glyph name=\"Tab\" file=\"sheet.png\" tx=\"-3\" ty=\"x\"/>"
                  "<glyph name=\"Nothing\" file=\"sheet.png\"/><glyph file=\"sheet.png\"/>");
    EXPECT_EQ(style->element(kElementTab).tx, -3);
    EXPECT_EQ(style->element(kElementTab).ty, 0);
    for (int32_t i = 0; i < kStyleElementCount; ++i)
        EXPECT_EQ(style->hasElement(i), i == kElementTab) << winui::styleElementName(i);
}

TEST(StyleTest, TextColoursAreTakenAsWrittenOrFromTheColourTheirControlUses) {
    std::unique_ptr<Style> style = readStyle(
        "<glyph name=\"CheckBox\" file=\"sheet.png\" textColor=\"FF0000\"/>"
        "<glyph name=\"CheckBoxChecked\" file=\"sheet.png\" textColor=\"0000ff\"/>"
        "<glyph name=\"ButtonDisabled\" file=\"sheet.png\" textColor=\"123456\"/>"
        "<glyph name=\"Tab\" file=\"sheet.png\" textColor=\"zz\"/>"
        "<glyph name=\"TabSelected\" file=\"sheet.png\" textColor=\"\"/>"
        "<glyph name=\"ComboBox\" file=\"missing.png\" textColor=\"00FF00\"/>"
        // Colours read after the glyphs are the ones the fallbacks use.
        "<color name=\"WindowText\" value=\"000001\"/><color name=\"ButtonText\" value=\"000002\"/>"
        "<color name=\"GrayText\" value=\"000003\"/><color name=\"CaptionText\" value=\"000004\"/>"
        "<color name=\"InactiveCaptionText\" value=\"000005\"/>");

    const struct {
        StyleElementIndex element;
        COLORREF textColor;
    } cases[] = {
        {kElementCheckBox, 0x00FF0000},        {kElementCheckBoxChecked, 0x000000FF},
        {kElementButtonDisabled, 0x00123456},  {kElementComboBox, 0x0000FF00},
        {kElementTab, 0x00010000},             {kElementTabSelected, 0x00010000},
        {kElementButton, 0x00020000},          {kElementButtonHighlighted, 0x00020000},
        {kElementButtonPressed, 0x00020000},   {kElementButtonDefault, 0x00020000},
        {kElementButtonFocused, 0x00020000},   {kElementCheckBoxDisabled, 0x00030000},
        {kElementCheckBoxCheckedDisabled, 0x00030000}, {kElementComboBoxDisabled, 0x00030000},
        {kElementEditBoxDisabled, 0x00030000}, {kElementWindowCaption, 0x00040000},
        {kElementWindowCaptionInactive, 0x00050000}, {kElementComboBoxButtonDisabled, 0x00010000},
        {kElementCheckBoxGrayed, 0x00010000},  {kElementWindow, 0x00010000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(style->element(c.element).textColor, c.textColor) << winui::styleElementName(c.element);
}

TEST(StyleTest, DimensionsAndOffsetsByTheirExactNames) {
    std::unique_ptr<Style> style = readStyle(
        "<dimension name=\"WindowBorderWidth\" value=\"4\"/>"
        "<dimension name=\"WindowCaptionHeight\" value=\"12a\"/>"
        "<dimension name=\"ToolWindowBorderWidth\" value=\"-7\"/>"
        "<dimension name=\"ToolWindowCaptionHeight\" value=\"\"/>"
        "<dimension name=\"TabControlFrameWidth\" value=\"2\"/>"
        "<dimension name=\"tabOverlap\" value=\"9\"/>"
        "<dimension name=\"TabOverlap\" value=\"1\"/><dimension name=\"TabOverlap\"/>"
        "<offset name=\"windowCloseButtonOffset\" x=\"-28\" y=\"4\"/>"
        "<offset name=\"windowMaximizeButtonOffset\" x=\"5\" y=\"bad\"/>"
        "<offset name=\"WindowMinimizeButtonOffset\" x=\"9\" y=\"9\"/>"
        "<offset name=\"toolWindowCloseButtonOffset\" y=\"-1\"/>");
    const int32_t dimensions[kStyleDimensionCount] = {4, 0, -7, 0, 2, 0};
    for (int32_t i = 0; i < kStyleDimensionCount; ++i) EXPECT_EQ(style->dimension(i), dimensions[i]) << i;
    EXPECT_EQ(style->offset(kOffsetWindowCloseButton), winui::Point(-28, 4));
    EXPECT_EQ(style->offset(kOffsetWindowMaximizeButton), winui::Point(5, 0));
    EXPECT_EQ(style->offset(kOffsetWindowMinimizeButton), winui::Point(0, 0));
    EXPECT_EQ(style->offset(kOffsetWindowSysmenuButton), winui::Point(0, 0));
    EXPECT_EQ(style->offset(kOffsetToolWindowCloseButton), winui::Point(0, -1));
}

TEST(StyleTest, DamagedFilesKeepWhatWasReadAndLeaveNoTextColourUnset) {
    const std::string formBodyAndButton =
        "<color name=\"FormBody\" value=\"102030\"/><glyph name=\"Button\" file=\"sheet.png\" width=\"16\"/>";
    const struct {
        const char* what;
        std::string bytes;
        int loaded; // what load returns: 1 true, 0 false, -1 as the XML reader judges
        bool readsFormBodyAndButton;
    } cases[] = {
        {"cut inside a tag", "<style>" + formBodyAndButton + "<glyph name=\"Tab\" file=\"sheet.png\" x=\"1",
         -1, true},
        {"cut before the closing style", "<style>" + formBodyAndButton, 1, true},
        {"elements inside unknown elements", "<style><a><b x=\"1\">" + formBodyAndButton + "</b></a></style>",
         1, true},
        {"an unclosed comment", "<style>" + formBodyAndButton + "<!-- to the end", 0, true},
        {"markup that breaks off", "<style>" + formBodyAndButton + "<<>>&&;</style>", 0, true},
        {"no bytes at all", "", 1, false},
        {"not XML", std::string("\x00\xFF\xFE\x01 binary \x80\x81", 16), -1, false},
        {"UTF-16 text", std::string("\xFF\xFE<\0s\0t\0y\0l\0e\0>\0", 16), -1, false},
    };
    for (const auto& c : cases) {
        MemoryPackage package;
        package.add(L"damaged.xml", c.bytes);
        Style style(L"no such file", package.map());
        const bool loaded = style.load(L"damaged.xml", package.map());
        if (c.loaded >= 0) {
            EXPECT_EQ(loaded, c.loaded == 1) << c.what;
        }

        EXPECT_EQ(style.hasElement(kElementButton), c.readsFormBodyAndButton) << c.what;
        EXPECT_EQ(style.color(kColorFormBody),
                  c.readsFormBodyAndButton ? 0x00302010u : defaultColor(kColorFormBody)) << c.what;
        EXPECT_EQ(brushColor(style.formBodyBrush()), style.color(kColorFormBody)) << c.what;
        EXPECT_EQ(brushColor(style.windowBrush()), style.color(kColorWindow)) << c.what;
        for (int32_t i = 0; i < kStyleElementCount; ++i)
            ASSERT_NE(style.element(i).textColor, StyleElement::kNoColor) << c.what << ": " << i;
        EXPECT_EQ(style.element(kElementButton).textColor, style.color(kColorButtonText)) << c.what;
    }
}

TEST(StyleTest, AStyleWithoutItsFileHoldsTheSystemColoursAndGivesNoElement) {
    Style style(L"missing.xml", fixturePackage());
    EXPECT_EQ(style.colors(), winui::defaultStyleColors());
    EXPECT_EQ(brushColor(style.formBodyBrush()), defaultColor(kColorFormBody));
    EXPECT_EQ(brushColor(style.windowBrush()), defaultColor(kColorWindow));
    EXPECT_EQ(style.imageCount(), 0u);
    for (int32_t i = 0; i < kStyleElementCount; ++i) ASSERT_FALSE(style.hasElement(i)) << i;
    EXPECT_EQ(style.element(kElementButton).textColor, defaultColor(kColorButtonText));
    EXPECT_EQ(style.element(kElementButtonDisabled).textColor, defaultColor(kColorGrayText));
    EXPECT_EQ(style.element(kElementCheckBox).textColor, defaultColor(kColorWindowText));

    // Loading a missing file again changes nothing, not even the brushes.
    const HBRUSH brush = style.formBodyBrush().handle();
    EXPECT_FALSE(style.load(L"missing.xml", fixturePackage()));
    EXPECT_EQ(style.formBodyBrush().handle(), brush);
}

TEST(StyleTest, DeletingAStyleReleasesItsPicturesAndBrushes) {
    std::unique_ptr<Style> style(new Style(L"cx.xml", fixturePackage()));
    const HBITMAP sheet = style->element(kElementButton).image->bitmap();
    const HBITMAP arrow = style->element(kElementComboBoxArrow).image->bitmap();
    const HBRUSH formBody = style->formBodyBrush().handle();
    const HBRUSH window = style->windowBrush().handle();
    for (HGDIOBJ object : {HGDIOBJ(sheet), HGDIOBJ(arrow), HGDIOBJ(formBody), HGDIOBJ(window)})
        ASSERT_NE(GetObjectType(object), 0u);
    style.reset();
    for (HGDIOBJ object : {HGDIOBJ(sheet), HGDIOBJ(arrow), HGDIOBJ(formBody), HGDIOBJ(window)})
        EXPECT_EQ(GetObjectType(object), 0u);
}
