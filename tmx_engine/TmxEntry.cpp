#include "tmx_engine/TmxEntry.h"

#include "core/util/StringUtils.h"

std::wstring normaliseLanguage(const std::wstring& code) {
    std::wstring result = toLowerCase(trim(code));
    if (result.size() == 5 && result[2] == L'-') {
        for (size_t i = 3; i < 5; ++i) {
            if (result[i] >= L'a' && result[i] <= L'z')
                result[i] = static_cast<wchar_t>(result[i] - L'a' + L'A');
        }
    }
    return result;
}

bool sameLanguage(const std::wstring& a, const std::wstring& b) {
    return a.size() >= 2 && b.size() >= 2 && a[0] == b[0] && a[1] == b[1];
}

LanguageSegment& segmentForLanguage(TmxEntry& entry, const std::wstring& code) {
    auto it = entry.segments.find(code);
    if (it == entry.segments.end()) {
        it = entry.segments.emplace(code, LanguageSegment()).first;
        it->second.language = code;
    }
    return it->second;
}

const LanguageSegment& findSegment(const TmxEntry& entry, const std::wstring& code) {
    static const LanguageSegment empty;
    auto it = entry.segments.find(code);
    return it == entry.segments.end() ? empty : it->second;
}
