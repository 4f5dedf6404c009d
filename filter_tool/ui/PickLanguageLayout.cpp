#include "filter_tool/ui/PickLanguageLayout.h"

#include "ui_toolkit/BlendColors.h"

LanguageColumns languageColumns(int32_t clientWidth) {
    const int32_t code = clientWidth * 25 / 100;
    return {code, clientWidth - code};
}

int32_t languageRowHeight(int32_t textHeight) {
    return (textHeight > 0 ? textHeight : 0) + 4;
}

COLORREF languageGridLineColor(COLORREF text, COLORREF background) {
    return winui::blendColors(text, background, 80);
}
