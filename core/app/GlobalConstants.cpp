#include "core/app/GlobalConstants.h"

namespace {

SystemColors readSystemColors() {
    static const int kSources[kSystemColorCount] = {
        COLOR_WINDOW,      COLOR_WINDOWTEXT,    COLOR_HIGHLIGHT,    COLOR_HIGHLIGHTTEXT,
        COLOR_GRAYTEXT,    COLOR_BTNFACE,       COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW,
        COLOR_BTNTEXT,     COLOR_ACTIVECAPTION, COLOR_INACTIVECAPTIONTEXT,
        COLOR_BTNFACE,     COLOR_BTNTEXT,
    };
    SystemColors colors{};
    for (int i = 0; i < kSystemColorCount; ++i)
        colors[i] = GetSysColor(kSources[i]);
    return colors;
}

} // namespace

const SystemColors& systemColors() {
    static const SystemColors colors = readSystemColors();
    return colors;
}

COLORREF systemColor(int index) {
    if (index < 0 || index >= kSystemColorCount)
        return 0;
    return systemColors()[static_cast<std::size_t>(index)];
}

// Read before the main routine runs, like every program-wide constant.
const SystemColors& systemColorsAtStart = systemColors();
