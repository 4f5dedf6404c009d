#include "viewer/DocumentLookup.h"

#include "core/util/StringUtils.h"
#include "tmx_engine/EveryWordQuery.h"
#include "tmx_engine/SegmentRenderer.h"

namespace {

bool isBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

// "fr" of "fr-FR" or "fr_FR", lower-cased.
std::wstring primaryCode(const std::wstring& language) {
    return toLowerCase(language.substr(0, language.find_first_of(L"-_")));
}

} // namespace

DocumentLookup lookupOfSource(const Segment& source, uint32_t maximum) {
    DocumentLookup lookup;
    for (wchar_t c : renderSegmentText(source, false, false)) {
        if (!isBlank(c))
            lookup.text += c;
        else if (!lookup.text.empty() && lookup.text.back() != L' ')
            lookup.text += L' ';
    }
    lookup.text = trim(lookup.text);
    lookup.words = everyWordQuery(lookup.text, maximum);
    return lookup;
}

int32_t documentLanguageIndex(const LanguageMap& languages, const std::wstring& documentLanguage) {
    if (documentLanguage.empty())
        return -1;
    const std::wstring wanted = toLowerCase(documentLanguage);
    const std::wstring wantedPrimary = primaryCode(documentLanguage);
    int32_t samePrimary = -1;
    int32_t index = 0;
    for (const auto& language : languages) {
        if (toLowerCase(language.first) == wanted)
            return index;
        if (samePrimary < 0 && primaryCode(language.first) == wantedPrimary)
            samePrimary = index;
        ++index;
    }
    return samePrimary;
}
