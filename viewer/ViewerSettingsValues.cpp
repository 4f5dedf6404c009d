#include "viewer/ViewerSettingsValues.h"

#include "core/settings/Settings.h"
#include "core/util/StringUtils.h"
#include "ui_toolkit/BlendColors.h"
#include "ui_toolkit/Style.h"
#include "ui_toolkit/StyleTables.h"
#include "viewer/SearchSettings.h"

#include <cmath>

const wchar_t* const kMatchedTextStyleKeys[kMatchedTextStyleCount] = {
    L"Default", L"Bold", L"Italic", L"Underline", L"Highlight"};
const wchar_t* const kMemberColorModeKeys[kMemberColorModeCount] = {
    L"DoNotApply", L"MatchedText", L"TMNames", L"TMNamesBG", L"SegmentsBG", L"Everything"};

namespace {

// How far the second background leans towards the text colour.
constexpr int32_t kSecondBackgroundBlend = 95;

int32_t indexWithin(int32_t index, int32_t count, int32_t fallback) {
    return index >= 0 && index < count ? index : fallback;
}

} // namespace

ResultsColors resultsColorsOf(const winui::Style* style) {
    const winui::StyleColors& colors = style ? style->colors() : winui::defaultStyleColors();
    const COLORREF text = colors[winui::kColorWindowText];
    const COLORREF window = colors[winui::kColorWindow];
    return {text, window, winui::blendColors(text, window, kSecondBackgroundBlend)};
}

ViewerSettingsValues loadViewerSettings(Properties& settings, const winui::Font& defaultFont,
                                        const winui::Style* style,
                                        const std::wstring& currentLanguage) {
    ViewerSettingsValues values;
    values.font.assign(settings.get<winui::Font>(L"font", defaultFont));
    values.memberColumnFont.assign(settings.get<winui::Font>(L"tmColFont", values.font));
    const ResultsColors defaults = resultsColorsOf(style);
    values.colors.text = settings.get<unsigned long>(L"resultsTextColor", defaults.text);
    values.colors.background1 = settings.get<unsigned long>(L"resultsBgColor1", defaults.background1);
    values.colors.background2 = settings.get<unsigned long>(L"resultsBgColor2", defaults.background2);
    values.matchedTextStyle = indexWithin(settings.get<int>(L"matchedTextStyle", MatchedUnderline),
                                          kMatchedTextStyleCount, MatchedUnderline);
    values.memberColorMode = indexWithin(settings.get<int>(L"tmColorMode", MemberColorDoNotApply),
                                         kMemberColorModeCount, MemberColorDoNotApply);
    values.maxSearchResults = readMaxSearchResults(settings);
    values.autoSearchPastedText = settings.get<bool>(L"autoSearchPastedText", false);
    values.alwaysShowLanguageCombo = settings.get<bool>(L"alwaysShowLanguageCombo", false);
    values.showPlaceHolders = settings.get<bool>(L"showPlaceHolders", true);
    values.showTags = settings.get<bool>(L"showTags", true);
    values.instantCopyText = settings.get<bool>(L"instantCopyText", false);
    values.uiLanguage = settings.get<std::wstring>(L"UILanguage", currentLanguage);
    values.uiStyle = settings.get<std::wstring>(L"UIStyle", kDefaultStyleName);
    return values;
}

void storeViewerSettings(Settings& settings, const ViewerSettingsValues& values) {
    settings.beginBatch();
    settings.set<winui::Font>(L"font", values.font);
    settings.set<winui::Font>(L"tmColFont", values.memberColumnFont);
    settings.set<unsigned long>(L"resultsTextColor", values.colors.text);
    settings.set<unsigned long>(L"resultsBgColor1", values.colors.background1);
    settings.set<unsigned long>(L"resultsBgColor2", values.colors.background2);
    settings.set<int>(L"matchedTextStyle", values.matchedTextStyle);
    settings.set<int>(L"tmColorMode", values.memberColorMode);
    settings.set<int>(L"maxSearchResults", values.maxSearchResults);
    settings.set<bool>(L"autoSearchPastedText", values.autoSearchPastedText);
    settings.set<bool>(L"alwaysShowLanguageCombo", values.alwaysShowLanguageCombo);
    settings.set<bool>(L"showPlaceHolders", values.showPlaceHolders);
    settings.set<bool>(L"showTags", values.showTags);
    settings.set<bool>(L"instantCopyText", values.instantCopyText);
    settings.set<std::wstring>(L"UILanguage", values.uiLanguage);
    settings.set<std::wstring>(L"UIStyle", values.uiStyle);
    settings.endBatch();
}

int32_t maxSearchResultsFromText(const std::wstring& text) {
    int32_t value = 0;
    const std::wstring digits = trim(text);
    // Nine digits still fit 32 bits; a longer text could wrap round to anything.
    if (digits.empty() || digits.size() > 9 || !parseNumber(digits, value) || value < 1)
        return kDefaultMaxSearchResults;
    return value;
}

int32_t indexOfName(const std::vector<std::wstring>& names, const std::wstring& name,
                    int32_t fallback) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name)
            return static_cast<int32_t>(i);
    }
    return fallback;
}

std::wstring describeFont(const winui::Font& font) {
    if (font.isNull())
        return std::wstring();
    std::wstring face;
    float size = 0;
    uint16_t style = 0;
    font.describe(face, size, style);
    return face + L", " + formatInt(static_cast<int32_t>(std::lround(size)));
}
