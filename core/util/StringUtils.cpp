#include "core/util/StringUtils.h"

#include <windows.h>

namespace {

bool isBlank(wchar_t c) {
    return c == L'\t' || c == L'\n' || c == L'\r' || c == L' ';
}

bool isSeparator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

bool isNameBoundary(wchar_t c) {
    return c == L'/' || c == L'\\' || c == L':';
}

// Index of the last '/', ':' or '\' at a position above 0, or npos.
size_t lastNameBoundary(const std::wstring& path) {
    for (size_t i = path.size(); i > 1; --i) {
        if (isNameBoundary(path[i - 1]))
            return i - 1;
    }
    return std::wstring::npos;
}

} // namespace

std::wstring trim(const std::wstring& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::wstring toLowerCase(const std::wstring& text) {
    std::wstring result(text);
    if (!result.empty())
        CharLowerBuffW(&result[0], static_cast<DWORD>(result.size()));
    return result;
}

bool endsWith(const std::wstring& suffix, const std::wstring& text) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool startsWith(const std::wstring& prefix, const std::wstring& text) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

void toForwardSlashes(std::wstring& text) {
    for (wchar_t& c : text) {
        if (c == L'\\')
            c = L'/';
    }
}

std::wstring formatUnsigned(uint64_t value) {
    wchar_t digits[20];
    size_t n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::wstring result;
    result.reserve(n);
    while (n > 0)
        result.push_back(digits[--n]);
    return result;
}

void formatIntInto(std::wstring& out, int32_t value) {
    out.clear();
    // Negating in 32 bits would overflow for the most negative value, so take the magnitude in
    // unsigned arithmetic.
    uint32_t magnitude = static_cast<uint32_t>(value);
    if (value < 0) {
        out.push_back(L'-');
        magnitude = 0u - magnitude;
    }
    out += formatUnsigned(magnitude);
}

std::wstring formatInt(int32_t value) {
    std::wstring result;
    formatIntInto(result, value);
    return result;
}

bool parseNumber(const std::wstring& text, int32_t& value) {
    if (text.empty())
        return false;
    size_t i = 0;
    const bool negative = text[0] == L'-';
    if (negative)
        i = 1;
    uint32_t accumulated = 0;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c < L'0' || c > L'9')
            break;
        accumulated = accumulated * 10u + static_cast<uint32_t>(c - L'0');
    }
    if (negative)
        accumulated = 0u - accumulated;
    value = static_cast<int32_t>(accumulated);
    return i == text.size();
}

int32_t parseNumberOr(const std::wstring& text, int32_t fallback) {
    int32_t value = 0;
    return parseNumber(text, value) ? value : fallback;
}

bool parseHex(const std::wstring& text, uint32_t& value) {
    if (text.empty())
        return false;
    uint32_t accumulated = 0;
    for (wchar_t c : text) {
        uint32_t digit;
        if (c >= L'0' && c <= L'9')
            digit = static_cast<uint32_t>(c - L'0');
        else if (c >= L'A' && c <= L'F')
            digit = static_cast<uint32_t>(c - L'A' + 10);
        else if (c >= L'a' && c <= L'f')
            digit = static_cast<uint32_t>(c - L'a' + 10);
        else {
            value = accumulated;
            return false;
        }
        accumulated = (accumulated << 4) + digit;
    }
    value = accumulated;
    return true;
}

std::wstring getFileName(const std::wstring& path) {
    const size_t pos = lastNameBoundary(path);
    return pos == std::wstring::npos ? path : path.substr(pos + 1);
}

std::wstring getDirectory(const std::wstring& path) {
    const size_t pos = lastNameBoundary(path);
    return pos == std::wstring::npos ? std::wstring() : path.substr(0, pos);
}

std::wstring replaceExtension(const std::wstring& path, const std::wstring& suffix) {
    size_t dot = std::wstring::npos;
    for (size_t i = path.size(); i > 1; --i) {
        const wchar_t c = path[i - 1];
        if (isSeparator(c))
            break;
        if (c == L'.') {
            dot = i - 1;
            break;
        }
    }
    if (dot == std::wstring::npos)
        return path + suffix;
    return path.substr(0, dot) + suffix;
}

std::wstring combinePath(const std::wstring& relativePath, const std::wstring& folder) {
    if (folder.empty())
        return relativePath;
    if (relativePath.empty())
        return folder;

    const bool backslash = folder.find(L'\\') != std::wstring::npos ||
                           relativePath.find(L'\\') != std::wstring::npos;
    const wchar_t separator = backslash ? L'\\' : L'/';
    const wchar_t other = backslash ? L'/' : L'\\';

    size_t folderEnd = folder.size(); // the folder is folder[0, folderEnd)
    size_t relStart = 0;              // the rest of the relative path starts here
    for (;;) {
        while (folderEnd > 0 && isSeparator(folder[folderEnd - 1]))
            --folderEnd;
        if (relStart < relativePath.size() && isSeparator(relativePath[relStart])) {
            ++relStart;
            continue;
        }
        const bool twoDots = relativePath.compare(relStart, 2, L"..") == 0 &&
                             (relStart + 2 == relativePath.size() ||
                              isSeparator(relativePath[relStart + 2]));
        if (!twoDots)
            break;
        relStart += 2;
        size_t cut = folderEnd;
        while (cut > 0 && !isNameBoundary(folder[cut - 1]))
            --cut;
        if (cut == 0)
            return std::wstring();
        // The separator stays; a trailing '/' or '\' is dropped on the next round, a ':' is kept,
        // so further steps at a drive root stay there.
        folderEnd = cut;
    }

    std::wstring result = folder.substr(0, folderEnd);
    result.push_back(separator);
    result.append(relativePath, relStart, std::wstring::npos);
    for (wchar_t& c : result) {
        if (c == other)
            c = separator;
    }
    return result;
}

winui::Rect moveRectTo(const winui::Rect& rect, int32_t x, int32_t y) {
    return winui::Rect(x, y, x + rect.width(), y + rect.height());
}
