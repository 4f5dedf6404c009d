#include "group_builder/RelativePath.h"

#include "core/util/StringUtils.h"

#include <cstddef>
#include <vector>

namespace {

bool isSeparator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

struct Component {
    std::size_t begin;
    std::size_t end; // exclusive
};

// Length of the root at the start of text; 0 when it has none.
std::size_t rootLength(const std::wstring& text) {
    const std::size_t n = text.size();
    if (n > 2 && isSeparator(text[0]) && isSeparator(text[1])) {
        // A network path's root is \\server\share: two shares, or two servers, have no folder in
        // common, and "..\" can never climb out of a share.
        std::size_t i = 2;
        while (i < n && !isSeparator(text[i]))
            ++i; // server
        while (i < n && isSeparator(text[i]))
            ++i;
        while (i < n && !isSeparator(text[i]))
            ++i; // share
        if (i < n)
            ++i; // one separator after it belongs to the root, as after a drive
        return i;
    }
    if (n > 0 && isSeparator(text[0]))
        return 1;
    const std::size_t colon = text.find(L':');
    if (colon != std::wstring::npos) {
        std::size_t i = colon + 1;
        if (i < n && isSeparator(text[i]))
            ++i;
        return i;
    }
    return 0;
}

std::vector<Component> splitComponents(const std::wstring& text) {
    std::vector<Component> components;
    std::size_t i = rootLength(text);
    if (i > 0)
        components.push_back({0, i});
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && isSeparator(text[i]))
            ++i;
        const std::size_t begin = i;
        while (i < n && !isSeparator(text[i]))
            ++i;
        if (i > begin)
            components.push_back({begin, i});
    }
    return components;
}

// The comparable text of a component: one trailing separator dropped (so c:\ equals c:), and
// inside a network root either separator kind.
std::wstring comparable(const std::wstring& text, const Component& c) {
    std::size_t end = c.end;
    if (end > c.begin && isSeparator(text[end - 1]))
        --end;
    std::wstring part = text.substr(c.begin, end - c.begin);
    for (wchar_t& ch : part) {
        if (ch == L'/')
            ch = L'\\';
    }
    return part;
}

} // namespace

int makeRelativePath(const std::wstring& folder, const std::wstring& path, std::wstring& result) {
    if (folder.empty() || path.empty() || folder[0] == L'.' || path[0] == L'.') {
        result = path;
        return 0;
    }
    // Lower-casing keeps every position (one unit in, one unit out), so positions found in the
    // lower-cased path apply to the path itself.
    const std::wstring lowerFolder = toLowerCase(folder);
    const std::wstring lowerPath = toLowerCase(path);
    const std::vector<Component> folderParts = splitComponents(lowerFolder);
    const std::vector<Component> pathParts = splitComponents(lowerPath);

    std::size_t matched = 0;
    std::size_t restStart = 0;
    while (matched < folderParts.size() && matched < pathParts.size() &&
           comparable(lowerFolder, folderParts[matched]) == comparable(lowerPath, pathParts[matched])) {
        ++matched;
        restStart = matched < pathParts.size() ? pathParts[matched].begin : path.size();
    }
    if (matched == 0) {
        result = path;
        return 0;
    }

    const bool slash = folder.find(L'/') != std::wstring::npos || path.find(L'/') != std::wstring::npos;
    const wchar_t separator = slash ? L'/' : L'\\';
    const int steps = static_cast<int>(folderParts.size() - matched);
    result.clear();
    for (int i = 0; i < steps; ++i) {
        result += L"..";
        result += separator;
    }
    std::wstring rest = path.substr(restStart);
    if (slash)
        toForwardSlashes(rest);
    result += rest;
    return steps;
}
