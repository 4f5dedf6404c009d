#pragma once

#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/SegmentElement.h"
#include "tmx_engine/TmxHeader.h"

#include <cstdint>
#include <string>

// What choosing a document row looks up in the open memory. Pure, so that the rules are checked
// without a window.

// A row's source as a lookup: text is the source's plain text with every run of white space one
// space, trimmed (what the search field then shows and the results emphasise); words holds every
// word of it as a word that must match. The translator's text is no query: its minus signs
// ("--check-order", "-a", "high-order") exclude nothing. Empty text for a source without text.
struct DocumentLookup {
    std::wstring text;
    SearchQuery words;
};
DocumentLookup lookupOfSource(const Segment& source, uint32_t maximum);

// The index, in the memory's language order, of the language a document is translated into: the
// same code in any letter case, else the first language of the same primary code ("fr" for
// "fr-FR" and the other way round); -1 when the memory holds no such language or the document
// names none.
int32_t documentLanguageIndex(const LanguageMap& languages, const std::wstring& documentLanguage);
