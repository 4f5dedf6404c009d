#pragma once

#include "core/app/GlobalConstants.h"
#include "core/values/Font.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class Properties;
class Settings;

namespace winui {
class Style;
}

// The settings that the settings window edits, as it shows and stores them. Loading and storing
// need no window, so the rules are tested on their own.

// List entries of "matchedTextStyle" and "tmColorMode": the stored value is the index.
enum MatchedTextStyle : int32_t {
    MatchedDefault = 0,
    MatchedBold,
    MatchedItalic,
    MatchedUnderline,
    MatchedHighlight,
    kMatchedTextStyleCount
};
enum MemberColorMode : int32_t {
    MemberColorDoNotApply = 0,
    MemberColorMatchedText,
    MemberColorNames,
    MemberColorNamesBackground,
    MemberColorSegmentsBackground,
    MemberColorEverything,
    kMemberColorModeCount
};

// The localisation keys of the two lists, in index order.
extern const wchar_t* const kMatchedTextStyleKeys[kMatchedTextStyleCount];
extern const wchar_t* const kMemberColorModeKeys[kMemberColorModeCount];

inline constexpr int32_t kDefaultMaxSearchResults = 25;
// The edit for the maximum takes at most this many characters.
inline constexpr int32_t kMaxSearchResultsDigits = 8;
// The style list's last entry: no style, the system's own colours.
inline constexpr const wchar_t* kSystemStyleName = L"System";

// The results box's three colours as a style gives them: its "WindowText", its "Window" and a
// blend of the two; the system colours for no style.
struct ResultsColors {
    COLORREF text;
    COLORREF background1;
    COLORREF background2;
};
ResultsColors resultsColorsOf(const winui::Style* style);

struct ViewerSettingsValues {
    winui::Font font;
    winui::Font memberColumnFont;
    ResultsColors colors{};
    int32_t matchedTextStyle = MatchedUnderline;
    int32_t memberColorMode = MemberColorDoNotApply;
    int32_t maxSearchResults = kDefaultMaxSearchResults;
    bool autoSearchPastedText = false;
    bool alwaysShowLanguageCombo = false;
    bool showPlaceHolders = true;
    bool showTags = true;
    bool instantCopyText = false;
    std::wstring uiLanguage;
    std::wstring uiStyle;
};

// What to show for the stored settings. Unset keys show: "font" the given default font;
// "tmColFont" the main font shown, which is what the results box draws its member column in
// while that key is unset; colours those of the style; "UILanguage" the given current
// language. A list index outside its list shows the list's default entry.
ViewerSettingsValues loadViewerSettings(Properties& settings, const winui::Font& defaultFont,
                                        const winui::Style* style,
                                        const std::wstring& currentLanguage);

// Stores all fifteen keys in one batch, so that each consumer of the changed keys is told once.
void storeViewerSettings(Settings& settings, const ViewerSettingsValues& values);

// The maximum as typed: a decimal number of at least 1, else the default (text, a sign or a
// count of none would leave the results box empty).
int32_t maxSearchResultsFromText(const std::wstring& text);

// The index of the name in the list, or the fallback.
int32_t indexOfName(const std::vector<std::wstring>& names, const std::wstring& name,
                    int32_t fallback);

// "Face, points" with the size rounded to whole points; empty for a null font.
std::wstring describeFont(const winui::Font& font);
