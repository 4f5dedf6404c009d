#include "viewer/ResultsColors.h"

#include "ui_toolkit/BlendColors.h"

namespace {

bool appliesToMatchedText(int32_t mode) {
    return mode == MemberColorMatchedText || mode == MemberColorEverything;
}

bool blendsSegments(int32_t mode) { return mode == MemberColorSegmentsBackground || mode == MemberColorEverything; }

} // namespace

int32_t colorLuminance(COLORREF color) {
    return (30 * static_cast<int32_t>(GetRValue(color)) + 59 * static_cast<int32_t>(GetGValue(color)) +
            12 * static_cast<int32_t>(GetBValue(color))) /
           100;
}

ResultsCellColors resultsCellColors(const ResultsColorSettings& settings, const ResultsPalette& palette,
                                    COLORREF memberColor, bool targetRow) {
    ResultsCellColors c;
    c.text = settings.text != kNoColor ? settings.text : palette.windowText;
    c.background1 = settings.background1 != kNoColor ? settings.background1 : palette.window;
    c.background2 = settings.background2 != kNoColor
                        ? settings.background2
                        : winui::blendColors(palette.windowText, palette.window, 95);
    c.selection = palette.highlight;
    c.selectionText = palette.highlightText;
    c.member = memberColor != kNoColor
                   ? memberColor
                   : (colorLuminance(c.background1) < 125 ? kMemberColorOnDark : kMemberColorOnLight);
    if (blendsSegments(settings.tmColorMode)) {
        c.background1 = winui::blendColors(c.member, c.background1, 90);
        c.background2 = winui::blendColors(c.member, c.background2, 90);
    }
    c.background = targetRow ? c.background2 : c.background1;
    c.shapeFill = winui::blendColors(c.text, c.background, 85);
    c.selectedShapeFill = winui::blendColors(c.shapeFill, c.selection, 60);
    return c;
}

MatchedRunColors matchedRunColors(const ResultsColorSettings& settings, const ResultsCellColors& cell) {
    MatchedRunColors run{cell.background, cell.text, cell.text,
                         settings.matchedTextStyle == MatchedUnderline};
    const bool memberColored = appliesToMatchedText(settings.tmColorMode);
    if (settings.matchedTextStyle == MatchedHighlight) {
        if (memberColored) {
            run.background = colorLuminance(cell.text) > 175
                                 ? cell.member
                                 : winui::blendColors(cell.background1, cell.member, 80);
        } else {
            // Modes that colour only names or backgrounds still highlight the match plainly;
            // otherwise a highlighted match would show no emphasis at all in them.
            run.background = cell.text;
            run.text = cell.background1;
        }
    } else if (memberColored) {
        run.text = colorLuminance(cell.text) > 111 ? cell.member
                                                   : winui::blendColors(cell.text, cell.member, 80);
        run.pen = cell.member;
    }
    return run;
}

MemberCellColors memberCellColors(const ResultsColorSettings& settings, const ResultsPalette& palette,
                                  COLORREF memberColor, bool targetRow) {
    const ResultsCellColors cell = resultsCellColors(settings, palette, memberColor, targetRow);
    MemberCellColors m{cell.text, cell.background, false,
                       winui::blendColors(palette.window, palette.windowText, 30)};
    const int32_t mode = settings.tmColorMode;
    m.leftLine = mode == MemberColorDoNotApply || mode == MemberColorMatchedText || mode == MemberColorNames;
    if (memberColor == kNoColor)
        return m;
    if (mode == MemberColorNames) {
        m.text = memberColor;
    } else if (mode == MemberColorNamesBackground || mode == MemberColorEverything) {
        m.background = memberColor;
        m.text = colorLuminance(memberColor) < 125 ? RGB(255, 255, 255) : RGB(0, 0, 0);
    }
    // "SegmentsBG" already blends the member colour into the row background.
    return m;
}
