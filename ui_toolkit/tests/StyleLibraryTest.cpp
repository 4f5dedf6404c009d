#include "ui_toolkit/StyleLibrary.h"

#include "core/util/StringUtils.h"
#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"
#include "ui_toolkit/Canvas.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/tests/StyleTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using style_test::fixturePackage;
using style_test::MemoryPackage;
using namespace winui;

namespace {

// What a style file names: colour values, dimensions and offsets, by name.
class StyleFileNames : public XmlParser {
public:
    std::map<std::wstring, std::wstring> colors;
    std::vector<std::wstring> dimensions;
    std::vector<std::wstring> offsets;

    void startElement(const std::wstring& name, const XmlAttributes& attributes, bool) override {
        if (name == L"color") colors[attributes.get(L"name")] = attributes.get(L"value");
        if (name == L"dimension") dimensions.push_back(attributes.get(L"name"));
        if (name == L"offset") offsets.push_back(attributes.get(L"name"));
    }
};

uint32_t pixelAt(const Image& image, int32_t x, int32_t y) {
    const uint8_t* p = image.pixels() + y * image.stride() + x * 4;
    return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

} // namespace

TEST(StyleLibraryTest, ReadsTheStylesInTheLibrarysOrderAndKeepsTheFirstOfOneName) {
    StyleCache cache;
    EXPECT_TRUE(winui::readStyleLibrary(cache, fixturePackage()));
    EXPECT_EQ(cache.names(), (std::vector<std::wstring>{L"CX", L"Nested", L"Lost"}));

    const Style* cx = cache.find(L"CX");
    ASSERT_NE(cx, nullptr);
    EXPECT_EQ(cx->color(kColorWindow), 0x00FFFFFFu); // cx.xml, not the second entry's other.xml
    EXPECT_TRUE(cx->hasElement(kElementButton));
    ASSERT_NE(cache.find(L"Nested"), nullptr);
    EXPECT_EQ(cache.find(L"Nested")->color(kColorWindow), 0u);
    EXPECT_EQ(cache.find(L"cx"), nullptr);

    // A style whose file is missing is entered all the same.
    const Style* lost = cache.find(L"Lost");
    ASSERT_NE(lost, nullptr);
    EXPECT_EQ(lost->colors(), winui::defaultStyleColors());
    EXPECT_FALSE(lost->formBodyBrush().isNull());
    EXPECT_FALSE(lost->hasElement(kElementButton));

    // Reading again adds nothing: every name is taken.
    EXPECT_TRUE(winui::readStyleLibrary(cache, fixturePackage()));
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.find(L"CX"), cx);
}

TEST(StyleLibraryTest, MissingAndDamagedLibraries) {
    StyleCache empty;
    EXPECT_FALSE(winui::readStyleLibrary(empty, PackageMap()));
    EXPECT_TRUE(empty.empty());

    const struct {
        const char* library;
        bool wellFormed;
        std::vector<std::wstring> names;
    } cases[] = {
        {"<style-library><style name=\"A\" file=\"cx.xml\"/><style name=\"B\" fi", false, {L"A"}},
        {"<style-library><style name=\"A\" file=\"cx.xml\"/></style-library><<>>", false, {L"A"}},
        {"\xFF\xFE\x00<", false, {}},
        {"", true, {}},
        {"<styles><Style name=\"A\" file=\"cx.xml\"/><style file=\"cx.xml\" name=\"B\" x=\"1\"/></styles>",
         true, {L"B"}},
    };
    for (const auto& c : cases) {
        MemoryPackage package;
        package.add(L"StyleLibrary.xml", c.library);
        StyleCache cache;
        EXPECT_EQ(winui::readStyleLibrary(cache, package.map()), c.wellFormed) << c.library;
        EXPECT_EQ(cache.names(), c.names) << c.library;
    }
}

TEST(StyleLibraryTest, TheProgramsPackageOffersCx) {
    EXPECT_NE(winui::findStyleResource(L"StyleLibrary.xml").data, nullptr);
    EXPECT_EQ(winui::findStyleResource(L"stylelibrary.xml").data, nullptr);

    const std::vector<std::wstring> names = winui::styleNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), L"CX");
    for (const std::wstring& name : names) EXPECT_NE(winui::getStyle(name), nullptr);
    EXPECT_NE(winui::getStyle(L"CX"), nullptr);
    EXPECT_EQ(winui::getStyle(L"CX"), winui::getStyle(L"CX"));
    EXPECT_EQ(winui::getStyle(L"cx"), nullptr);
    EXPECT_EQ(winui::getStyle(L"System"), nullptr);
}

TEST(StyleLibraryTest, CxGivesEveryElementFromASliceOfItsPicture) {
    const Style* cx = winui::getStyle(L"CX");
    ASSERT_NE(cx, nullptr);
    for (int32_t i = 0; i < kStyleElementCount; ++i) {
        const StyleElement& element = cx->element(i);
        const wchar_t* name = winui::styleElementName(i);
        ASSERT_NE(element.image, nullptr) << name;
        const Image& image = *element.image;
        const Rect& s = element.source;
        const Rect& m = element.inner;
        EXPECT_TRUE(0 <= s.left && s.left < s.right && s.right <= image.width()) << name;
        EXPECT_TRUE(0 <= s.top && s.top < s.bottom && s.bottom <= image.height()) << name;
        EXPECT_TRUE(s.left <= m.left && m.left <= m.right && m.right <= s.right) << name;
        EXPECT_TRUE(s.top <= m.top && m.top <= m.bottom && m.bottom <= s.bottom) << name;
        EXPECT_NE(element.textColor, StyleElement::kNoColor) << name;

        // The combo box cover blends an arrow's whole picture over the button; every other
        // element is copied without transparency, so it carries none.
        const bool arrow = i == kElementComboBoxArrow || i == kElementComboBoxArrowPressed ||
                           i == kElementComboBoxArrowDisabled;
        EXPECT_EQ(image.bitsPerPixel(), arrow ? 32 : 24) << name;
        if (arrow) {
            EXPECT_EQ(s, Rect(0, 0, image.width(), image.height())) << name;
        }
    }
}

TEST(StyleLibraryTest, CxFileGivesEveryColourDimensionAndOffset) {
    const Style* cx = winui::getStyle(L"CX");
    ASSERT_NE(cx, nullptr);
    const std::vector<uint8_t> bytes = unscrambledCopy(winui::findStyleResource(L"CX/CX.xml"));
    ASSERT_FALSE(bytes.empty());
    XmlMemoryStream stream(bytes.data(), kXmlEncodingUtf8, static_cast<int32_t>(bytes.size()));
    StyleFileNames file;
    ASSERT_TRUE(file.parse(stream));

    ASSERT_EQ(file.colors.size(), size_t(kStyleColorCount));
    for (int32_t i = 0; i < kStyleColorCount; ++i) {
        const auto found = file.colors.find(winui::styleColorName(i));
        ASSERT_NE(found, file.colors.end()) << winui::styleColorName(i);
        uint32_t value = 0;
        ASSERT_TRUE(parseHex(found->second, value)) << winui::styleColorName(i);
        EXPECT_EQ(cx->color(i), ((value & 0xFF) << 16) | (value & 0xFF00) | (value >> 16))
            << winui::styleColorName(i);
    }
    EXPECT_EQ(file.dimensions.size(), size_t(kStyleDimensionCount));
    for (const std::wstring& name : file.dimensions) EXPECT_GE(winui::styleDimensionIndex(name), 0);
    EXPECT_EQ(file.offsets.size(), size_t(kStyleOffsetCount));
    for (const std::wstring& name : file.offsets) EXPECT_GE(winui::styleOffsetIndex(name), 0);
    EXPECT_GT(cx->dimension(kDimensionTabControlFrameWidth), 0);
    EXPECT_GT(cx->dimension(kDimensionTabOverlap), 0);
}

TEST(StyleLibraryTest, CxElementsPaintTheirColoursWherePartsOfThePictureMeet) {
    const Style* cx = winui::getStyle(L"CX");
    ASSERT_NE(cx, nullptr);
    const struct {
        StyleElementIndex element;
        int32_t width, height; // of the painted rectangle
        int32_t x, y;          // where to look
        uint32_t rgb;
    } cases[] = {
        {kElementButton, 40, 30, 20, 15, 0xFFFFFF},          // centre
        {kElementButton, 40, 30, 20, 0, 0xC4C9D0},           // top edge
        {kElementButtonPressed, 40, 30, 20, 15, 0xDCE6F8},
        {kElementButtonDisabled, 40, 30, 20, 15, 0xF0F1F3},
        {kElementButtonFocused, 40, 30, 20, 1, 0x2F6FDE},    // a border two pixels wide
        {kElementCheckBox, 12, 12, 6, 6, 0xFFFFFF},
        {kElementCheckBox, 12, 12, 6, 0, 0x9AA3AE},
        {kElementCheckBoxChecked, 12, 12, 6, 1, 0x2F6FDE},
        {kElementComboBox, 40, 20, 39, 10, 0xFFFFFF},        // open towards the button
        {kElementComboBoxButton, 20, 20, 0, 10, 0xE1E4E8},   // the separator
        {kElementEditBox, 40, 20, 20, 0, 0xC4C9D0},
        {kElementProgressBar, 40, 10, 20, 5, 0xE3E6EA},
        {kElementProgressBarFull, 40, 10, 20, 5, 0x2F6FDE},
        {kElementTabControlBox, 40, 30, 0, 15, 0xC4C9D0},
        {kElementTabControlBox, 40, 30, 20, 15, 0xF3F4F6},
        {kElementTab, 40, 20, 20, 10, 0xE6E8EB},
        {kElementTab, 40, 20, 20, 18, 0xC4C9D0},             // the box's line, two above the bottom
        {kElementTab, 40, 20, 20, 19, 0xF3F4F6},
        {kElementTabSelected, 40, 20, 20, 0, 0x2F6FDE},
        {kElementTabSelected, 40, 20, 20, 19, 0xF3F4F6},
        {kElementWindowCloseButtonHighlighted, 28, 22, 1, 1, 0xE81123},
        {kElementWindowInactiveCloseButton, 28, 22, 1, 1, 0xF3F4F6},
    };
    for (const auto& c : cases) {
        Image target;
        ASSERT_TRUE(target.createBlank(c.width, c.height));
        target.canvas()->drawElement(cx->element(c.element), Rect(0, 0, c.width, c.height), 0x1FF);
        GdiFlush();
        EXPECT_EQ(pixelAt(target, c.x, c.y), c.rgb)
            << winui::styleElementName(c.element) << " at " << c.x << ", " << c.y;
    }
}

TEST(StyleLibraryTest, ReleasingTheStylesDeletesThemAndALaterLookupReadsThemAgain) {
    const Style* before = winui::getStyle(L"CX");
    ASSERT_NE(before, nullptr);
    const HBRUSH brush = before->formBodyBrush().handle();
    const HBITMAP picture = before->element(kElementButton).image->bitmap();
    winui::releaseStyles();
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_EQ(GetObjectType(picture), 0u);

    const Style* after = winui::getStyle(L"CX");
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(after->hasElement(kElementButton));
    EXPECT_FALSE(after->formBodyBrush().isNull());
}
