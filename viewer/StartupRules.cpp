#include "viewer/StartupRules.h"

#include "core/app/GlobalConstants.h"
#include "core/util/StringUtils.h"

#include <algorithm>

std::wstring unquoteCommandLine(const std::wstring& tail) {
    std::wstring path = trim(tail);
    while (path.size() > 2 && path.front() == L'"' && path.back() == L'"')
        path = path.substr(1, path.size() - 2);
    return path;
}

bool raiseSmallFont(LOGFONTW& logFont) {
    constexpr LONG kSmallestHeight = -13;
    if (logFont.lfHeight >= 0 || logFont.lfHeight <= kSmallestHeight)
        return false;
    logFont.lfHeight = kSmallestHeight;
    return true;
}

bool placementFitsDesktop(const winui::Rect& stored, const winui::Rect& desktop) {
    const winui::Rect common(std::max(stored.left, desktop.left), std::max(stored.top, desktop.top),
                             std::min(stored.right, desktop.right),
                             std::min(stored.bottom, desktop.bottom));
    // A rectangle that reaches past the desktop, or an empty one, has no common part equal to it.
    if (common.left >= common.right || common.top >= common.bottom)
        return false;
    return common == stored;
}

std::wstring captionForPath(const std::wstring& path) {
    return replaceExtension(getFileName(path), L"");
}
