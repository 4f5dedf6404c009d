#pragma once

#include "tmx_engine/SegmentElement.h"

#include <cstdint>
#include <string>
#include <vector>

// A query as the search box holds it, cut into the words that must match and the words, written
// right after a "-" that starts a word of the query, that must not; a hyphen inside a word
// ("read-only") excludes nothing. Numbers, dotted words and other kind-0 tokens take part in
// neither list.
struct SearchQuery {
    std::vector<SegmentElement> includeWords;
    std::vector<SegmentElement> excludeWords;
    // The single-word search's budget per include word: maximum / (number of include words),
    // 0 without include words (which switches the single-word search off).
    uint32_t perWordBudget = 0;

    static SearchQuery split(const std::wstring& query, uint32_t maximum);

    // The maximum behind the budget for a "maxSearchResults" setting: raised to 150 when below it,
    // compared as unsigned, so that -1 stays 4294967295.
    static uint32_t budgetMaximum(int32_t maxSearchResults);
};
