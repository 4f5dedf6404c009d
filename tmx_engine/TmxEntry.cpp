#include "tmx_engine/TmxEntry.h"

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
