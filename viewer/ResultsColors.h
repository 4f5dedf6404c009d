#pragma once

#include "viewer/ViewerSettingsValues.h"

#include <windows.h>

#include <cstdint>

// The colour rules of the results box, kept apart from the window so that each mode and
// emphasis can be checked without painting.

// A colour setting or member colour that is not given.
constexpr COLORREF kNoColor = 0xEEEEEEEE;
// Member colours used when a member has none: one for light and one for dark backgrounds.
constexpr COLORREF kMemberColorOnLight = 0x0F71DD;
constexpr COLORREF kMemberColorOnDark = 0x2E70AB;

// The emphasis (MatchedTextStyle) and member colour modes (MemberColorMode) are the settings
// window's list indexes.

// (30 red + 59 green + 12 blue) / 100, integer division.
int32_t colorLuminance(COLORREF color);

// The colour settings of the box; kNoColor takes the colour from the palette.
struct ResultsColorSettings {
    COLORREF text = kNoColor;
    COLORREF background1 = kNoColor;
    COLORREF background2 = kNoColor;
    int32_t matchedTextStyle = MatchedUnderline;
    int32_t tmColorMode = MemberColorDoNotApply;
};

// The style's colours the box uses (the system colours when it has no style).
struct ResultsPalette {
    COLORREF window = 0;
    COLORREF windowText = 0;
    COLORREF highlight = 0;
    COLORREF highlightText = 0;
};

// The colours of one cell of either column.
struct ResultsCellColors {
    COLORREF text;                // T
    COLORREF background1;         // B1, after the member blend of "SegmentsBG" and "Everything"
    COLORREF background2;         // B2, likewise
    COLORREF background;          // R: B2 for a target row, B1 for a source row
    COLORREF selection;           // S
    COLORREF selectionText;       // ST
    COLORREF member;              // M, with the fallback by the luminance of the unblended B1
    COLORREF shapeFill;           // F
    COLORREF selectedShapeFill;
};

ResultsCellColors resultsCellColors(const ResultsColorSettings& settings, const ResultsPalette& palette,
                                    COLORREF memberColor, bool targetRow);

// How a matched run that is not selected is painted. transparent: the run keeps the row's
// background; underline: a line in the pen colour under the run.
struct MatchedRunColors {
    COLORREF background;
    COLORREF text;
    COLORREF pen;
    bool underline;
};

MatchedRunColors matchedRunColors(const ResultsColorSettings& settings, const ResultsCellColors& cell);

// The member column's cell: text and background, and the separating line down its left edge.
struct MemberCellColors {
    COLORREF text;
    COLORREF background;
    bool leftLine;
    COLORREF line;
};

MemberCellColors memberCellColors(const ResultsColorSettings& settings, const ResultsPalette& palette,
                                  COLORREF memberColor, bool targetRow);
