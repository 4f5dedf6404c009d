#include "tmx_engine/Search.h"

#include <map>
#include <set>

namespace {

constexpr int32_t kPairScoreFloor = 0x4FFF;
constexpr int32_t kWordScoreFloor = 1279;
constexpr int32_t kStrongScore = 65036;
constexpr uint32_t kExcludeBudget = 10000;

int32_t clampScore(int64_t score) {
    if (score > INT32_MAX)
        return INT32_MAX;
    if (score < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(score);
}

int32_t pairScore(uint32_t pairs, uint32_t divisor, uint32_t elementCount) {
    // The divisor is never 0 where a cursor exists; guard anyway rather than trap.
    const int64_t d = divisor ? divisor : 1;
    return clampScore(int64_t(pairs) * 65536 / d - int64_t(elementCount));
}

struct Cursor {
    Index::Postings postings;
    uint32_t position;
    uint32_t current() const { return postings.at(position); }
};

// The merge over the terms' posting lists; found(entry, c) is called for every entry on at least
// threshold lists, in ascending entry order.
template <class Found>
int mergePostings(const std::vector<Term>& terms, const TmxIndex& index, uint32_t threshold,
                  Found&& found) {
    if (threshold == 0)
        threshold = 1;
    std::vector<Cursor> cursors;
    cursors.reserve(terms.size());
    for (const Term& term : terms) {
        const Index::Postings p = index.postings(index.find(term.text), true);
        if (p.count)
            cursors.push_back(Cursor{p, 0});
    }
    if (cursors.empty())
        return 0;
    int candidates = 0;
    size_t active = cursors.size();
    while (active >= threshold) {
        uint32_t smallest = cursors[0].current();
        for (size_t i = 1; i < active; ++i)
            if (cursors[i].current() < smallest)
                smallest = cursors[i].current();
        uint32_t onIt = 0;
        for (size_t i = 0; i < active; ++i)
            if (cursors[i].current() == smallest)
                ++onIt;
        if (onIt >= threshold) {
            ++candidates;
            found(smallest, onIt);
        }
        for (size_t i = 0; i < active;) {
            if (cursors[i].current() == smallest && ++cursors[i].position == cursors[i].postings.count) {
                cursors[i] = cursors[--active];
                continue;
            }
            ++i;
        }
    }
    return candidates;
}

bool isSingleTerm(const Term& term) { return !term.text.empty() && term.text.back() == L'|'; }

// Entries that hold any of the exclude words.
std::set<uint32_t> excludedEntries(const TmxIndex& index,
                                   const std::vector<SegmentElement>& excludeTokens,
                                   wchar_t prefix) {
    std::set<uint32_t> excluded;
    const TermList terms = buildTerms(excludeTokens, prefix, TermSingleWords);
    for (const Term& term : terms.terms) {
        std::set<uint32_t> found;
        index.collect(index.find(term.text), found, true, kExcludeBudget);
        excluded.insert(found.begin(), found.end());
    }
    return excluded;
}

} // namespace

int scanPairs(const std::vector<Term>& terms, const TmxIndex& index, uint32_t threshold,
              SearchResults& results, uint32_t divisor) {
    return mergePostings(terms, index, threshold, [&](uint32_t entry, uint32_t pairs) {
        const int32_t score = pairScore(pairs, divisor, index.entryElementCount(entry));
        if (score > kPairScoreFloor)
            results.add(score, entry);
    });
}

int scanPairCandidates(const std::vector<Term>& terms, const TmxIndex& index, uint32_t threshold,
                       PairCandidates& candidates) {
    return mergePostings(terms, index, threshold, [&](uint32_t entry, uint32_t pairs) {
        candidates.emplace_back(entry, pairs);
    });
}

int searchIndex(const TmxIndex& index, const std::wstring& normalisedLanguage,
                const std::vector<SegmentElement>& includeTokens,
                const std::vector<SegmentElement>& excludeTokens, uint32_t budget,
                bool& strongMatch, SearchResults& results) {
    uint32_t words = 0;
    for (const SegmentElement& t : includeTokens)
        if (t.kind == SegmentElementKind::Word)
            ++words;
    const wchar_t prefix = index.searchPrefix(normalisedLanguage);
    const uint16_t pairMode = index.pairMode();
    int found = 0;

    if (words >= 2) {
        TermList all = buildTerms(includeTokens, prefix, queryTermOptions(pairMode));
        if (all.terms.empty())
            return 0;
        std::vector<Term> pairs;
        for (Term& term : all.terms)
            if (!isSingleTerm(term))
                pairs.push_back(std::move(term));
        const uint32_t n = static_cast<uint32_t>(pairs.size());
        if (excludeTokens.empty()) {
            found = scanPairs(pairs, index, n / 2, results, n);
            if (found == 0)
                found = scanPairs(pairs, index, n / 4, results, n / 2);
        } else {
            PairCandidates candidates;
            int r = scanPairCandidates(pairs, index, n / 2, candidates);
            if (r == 0) {
                candidates.clear();
                r = scanPairCandidates(pairs, index, n / 4, candidates);
            }
            if (r > 0) {
                const std::set<uint32_t> excluded = excludedEntries(index, excludeTokens, prefix);
                for (const auto& c : candidates) {
                    if (excluded.count(c.first))
                        continue;
                    ++found;
                    const int32_t score = pairScore(c.second, n, index.entryElementCount(c.first));
                    if (score > kPairScoreFloor)
                        results.add(score, c.first);
                }
            }
        }
    }

    if (found == 0) {
        if (pairMode == 1 || words > 3 || budget == 0) {
            strongMatch = false;
            return 0;
        }
        std::map<uint32_t, uint32_t> hits;
        const TermList singles = buildTerms(includeTokens, prefix, TermSingleWords);
        for (const Term& term : singles.terms) {
            std::set<uint32_t> entries;
            index.collect(index.find(term.text), entries, true, budget);
            for (uint32_t e : entries)
                ++hits[e];
        }
        if (!excludeTokens.empty() && !hits.empty()) {
            for (uint32_t e : excludedEntries(index, excludeTokens, prefix))
                hits.erase(e);
        }
        for (const auto& h : hits) {
            ++found;
            const int32_t score = clampScore(int64_t(h.second) * 4096 / (words ? words : 1) -
                                             int64_t(index.entryWordCount(h.first)));
            if (score > kWordScoreFloor)
                results.add(score, h.first);
        }
    }

    if (found == 0)
        strongMatch = false;
    else if (words == 1)
        strongMatch = true;
    else
        strongMatch = !results.empty() && results.bestScore() >= kStrongScore;
    return found;
}
