#pragma once

#include "tmx_engine/SearchResults.h"
#include "tmx_engine/SegmentElement.h"
#include "tmx_engine/TermList.h"
#include "tmx_engine/TmxIndex.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Entry number -> how many of the query's pairs it holds, ascending by entry.
using PairCandidates = std::vector<std::pair<uint32_t, uint32_t>>;

// Merges the posting lists of the terms. An entry on at least threshold lists (0 counts as 1) is a
// candidate; it scores c * 65536 / divisor minus its element count, and a score above 20479 goes
// into the results. Returns the number of candidates.
int scanPairs(const std::vector<Term>& terms, const TmxIndex& index, uint32_t threshold,
              SearchResults& results, uint32_t divisor);
// The same merge, recording each candidate with its count instead of scoring it.
int scanPairCandidates(const std::vector<Term>& terms, const TmxIndex& index, uint32_t threshold,
                       PairCandidates& candidates);

// The word search of one TMX index for one target language (normalised code). includeTokens and
// excludeTokens are the tokenizer's tokens of the query's two word lists (see SearchQuery);
// budget is the per-word budget of the single-word fallback (0 switches it off). Adds to results
// and returns the number of candidate entries examined; strongMatch is left untouched when the
// include words yield no term at all.
int searchIndex(const TmxIndex& index, const std::wstring& normalisedLanguage,
                const std::vector<SegmentElement>& includeTokens,
                const std::vector<SegmentElement>& excludeTokens, uint32_t budget,
                bool& strongMatch, SearchResults& results);
