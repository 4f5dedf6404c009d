#include "viewer/ViewerSettingsValues.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsConsumer.h"
#include "ui_toolkit/BlendColors.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/StyleTables.h"
#include "viewer/tests/SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ViewerSettingsValuesTest, UnsetKeysShowTheDefaults) {
    Settings settings;
    const winui::Font fallback(L"Tahoma", 8, 0);
    winui::Style* style = winui::getStyle(L"CX");
    ASSERT_NE(style, nullptr);
    const ViewerSettingsValues values = loadViewerSettings(settings, fallback, style, L"English");
    EXPECT_EQ(describeFont(values.font), L"Tahoma, 8");
    EXPECT_EQ(describeFont(values.memberColumnFont), L"Tahoma, 8");
    EXPECT_EQ(values.colors.text, style->color(winui::kColorWindowText));
    EXPECT_EQ(values.colors.background1, style->color(winui::kColorWindow));
    EXPECT_EQ(values.colors.background2,
              winui::blendColors(style->color(winui::kColorWindowText), style->color(winui::kColorWindow), 95));
    EXPECT_EQ(values.matchedTextStyle, MatchedUnderline);
    EXPECT_EQ(values.memberColorMode, MemberColorDoNotApply);
    EXPECT_EQ(values.maxSearchResults, 25);
    EXPECT_FALSE(values.autoSearchPastedText);
    EXPECT_FALSE(values.alwaysShowLanguageCombo);
    EXPECT_TRUE(values.showPlaceHolders);
    EXPECT_TRUE(values.showTags);
    EXPECT_FALSE(values.instantCopyText);
    EXPECT_EQ(values.uiLanguage, L"English");
    EXPECT_EQ(values.uiStyle, L"CX");
    // Without a style, the system's colours.
    const ResultsColors system = resultsColorsOf(nullptr);
    EXPECT_EQ(system.text, winui::defaultStyleColors()[winui::kColorWindowText]);
    EXPECT_EQ(system.background1, winui::defaultStyleColors()[winui::kColorWindow]);
}

TEST(ViewerSettingsValuesTest, StoredValuesShowAndDamagedIndexesShowTheDefaultEntry) {
    struct Case {
        int storedStyle;
        int storedMode;
        int32_t style;
        int32_t mode;
    };
    const Case cases[] = {
        {1, 5, MatchedBold, MemberColorEverything},
        {5, 6, MatchedUnderline, MemberColorDoNotApply},
        {-1, -1, MatchedUnderline, MemberColorDoNotApply},
        {4, 0, MatchedHighlight, MemberColorDoNotApply},
    };
    for (const Case& c : cases) {
        Settings settings;
        settings.set<int>(L"matchedTextStyle", c.storedStyle);
        settings.set<int>(L"tmColorMode", c.storedMode);
        settings.set<int>(L"maxSearchResults", 400);
        settings.set<unsigned long>(L"resultsBgColor2", 0x123456);
        settings.set<std::wstring>(L"UIStyle", L"Gone");
        const ViewerSettingsValues values = loadViewerSettings(settings, winui::Font(), nullptr, L"");
        EXPECT_EQ(values.matchedTextStyle, c.style) << c.storedStyle;
        EXPECT_EQ(values.memberColorMode, c.mode) << c.storedMode;
        EXPECT_EQ(values.maxSearchResults, 400);
        EXPECT_EQ(values.colors.background2, 0x123456u);
        EXPECT_EQ(values.uiStyle, L"Gone");
    }
}

TEST(ViewerSettingsValuesTest, AnUnsetMemberColumnFontShowsTheFontTheResultsBoxUses) {
    Settings settings;
    settings.set<winui::Font>(L"font", winui::Font(L"Courier New", 12, 0));
    const ViewerSettingsValues values =
        loadViewerSettings(settings, winui::Font(L"Tahoma", 8, 0), nullptr, L"English");
    EXPECT_EQ(describeFont(values.memberColumnFont), L"Courier New, 12");

    // Stored as shown, it leaves the member column as it was.
    storeViewerSettings(settings, values);
    EXPECT_EQ(faceOf(settings.get<winui::Font>(L"tmColFont", winui::Font())), L"Courier New");
}

TEST(ViewerSettingsValuesTest, StoringWritesFifteenKeysInOneBatch) {
    Settings settings;
    CountingConsumer consumer(settings);
    for (const wchar_t* key : {L"font", L"resultsTextColor", L"maxSearchResults", L"UIStyle"})
        consumer.trackSetting(key);
    ViewerSettingsValues values = loadViewerSettings(settings, winui::Font(L"Tahoma", 8, 0), nullptr, L"English");
    values.maxSearchResults = 60;
    values.uiStyle = kSystemStyleName;
    storeViewerSettings(settings, values);
    EXPECT_EQ(consumer.notices, 1);
    EXPECT_EQ(settings.typedValues().size(), 15u);
    EXPECT_EQ(settings.get<int>(L"maxSearchResults", 0), 60);
    EXPECT_EQ(settings.get<std::wstring>(L"UIStyle", L""), L"System");
    EXPECT_EQ(settings.get<bool>(L"showTags", false), true);
    EXPECT_EQ(settings.batchDepth(), 0);
}

TEST(ViewerSettingsValuesTest, TheMaximumIsANumberOfAtLeastOne) {
    struct Case {
        const wchar_t* text;
        int32_t stored;
    };
    const Case cases[] = {
        {L"abc", 25}, {L"-5", 25},        {L"0", 25},        {L"12", 12},
        {L"", 25},    {L" 40 ", 40},      {L"12abc", 25},    {L"99999999", 99999999},
        {L"+7", 25},  {L"4294967297", 25}, {L"1", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(maxSearchResultsFromText(c.text), c.stored) << testing::PrintToString(std::wstring(c.text));
}

TEST(ViewerSettingsValuesTest, NamesAndFontDescriptions) {
    const std::vector<std::wstring> names = {L"CX", L"Blue", L"System"};
    EXPECT_EQ(indexOfName(names, L"Blue", 2), 1);
    EXPECT_EQ(indexOfName(names, L"blue", 2), 2); // names compare exactly
    EXPECT_EQ(indexOfName({}, L"CX", 0), 0);
    EXPECT_EQ(describeFont(winui::Font()), L"");
    EXPECT_EQ(describeFont(winui::Font(L"Tahoma", 10, winui::FontBold)), L"Tahoma, 10");
}

} // namespace
