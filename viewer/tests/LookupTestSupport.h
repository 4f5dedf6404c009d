#pragma once

// Pieces of the tests of searches and lookups: the words a query hands to the search, and a
// text with its white space folded as a reader sees it, worked out by the tests themselves.

#include "tmx_engine/SegmentElement.h"

#include <string>
#include <vector>

namespace lookuptest {

// The lower-cased words, one space between them.
inline std::wstring words(const std::vector<SegmentElement>& list) {
    std::wstring out;
    for (const SegmentElement& w : list)
        out += (out.empty() ? L"" : L" ") + w.extra;
    return out;
}

// Every run of blanks one space, none at either end.
inline std::wstring foldedBlanks(const std::wstring& text) {
    std::wstring folded;
    for (wchar_t c : text) {
        if (c != L' ' && c != L'\t' && c != L'\r' && c != L'\n')
            folded += c;
        else if (!folded.empty() && folded.back() != L' ')
            folded += L' ';
    }
    while (!folded.empty() && folded.back() == L' ')
        folded.pop_back();
    return folded;
}

} // namespace lookuptest
