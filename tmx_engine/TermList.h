#pragma once

#include "tmx_engine/SegmentElement.h"

#include <cstdint>
#include <string>
#include <vector>

// Which terms a segment or a query yields.
enum TermOptions : unsigned {
    TermSingleWords = 0x01,  // P + word + "|" for every word
    TermPreviousWord = 0x02, // pairs with the word before
    TermTwoBefore = 0x04,
    TermThreeBefore = 0x08,
    TermFourBefore = 0x10,
    TermReversed = 0x20,     // each pair also gets P + second + "|" + first
    TermEndMark = 0x40,      // P + last word + "|" + "#$"
};

// The terms of each pair mode that an index's header names: 1 single words only; 2 pairs with
// the three words before and the end term; 3 those pairs both ways, with no end term. A query
// looks up the pairs of the index's mode, without the end term.
constexpr unsigned kSingleWordTerms = TermSingleWords;
constexpr unsigned kPairTerms = TermPreviousWord | TermTwoBefore | TermThreeBefore;
constexpr unsigned kIndexPairTerms = kPairTerms | TermEndMark;
constexpr unsigned kReversedPairTerms = kPairTerms | TermReversed;

// The terms that an index of the given pair mode holds for each entry.
constexpr unsigned indexTermOptions(uint32_t pairMode) {
    return pairMode == 1 ? kSingleWordTerms : pairMode == 3 ? kReversedPairTerms : kIndexPairTerms;
}

// The terms that a query of two words or more looks up in an index of the given pair mode.
constexpr unsigned queryTermOptions(uint32_t pairMode) {
    return pairMode == 1 ? kSingleWordTerms : pairMode == 3 ? kReversedPairTerms : kPairTerms;
}

// A search term: P + first word + "|" + second word, or the single and end-mark forms.
struct Term {
    std::wstring text;
    std::wstring reversed; // empty unless the options ask for reversed pairs
};

struct TermList {
    std::vector<Term> terms;
    wchar_t prefix = 0;
    uint32_t tokenCount = 0;
    uint32_t wordCount = 0; // Word tokens other than "the"
    unsigned options = 0;
};

// The words that take part in terms: lower-cased Word tokens, "the" left out.
inline bool isTermWord(const SegmentElement& token) {
    const std::wstring& w = token.extra;
    return token.kind == SegmentElementKind::Word &&
           !(w.size() == 3 && w[0] == L't' && w[1] == L'h' && w[2] == L'e');
}

// One term as positions in the list of kept words. second is kSingleTerm for P + w + "|" and
// kEndTerm for P + w + "|#$".
struct TermShape {
    static constexpr uint32_t kSingleTerm = 0xFFFFFFFFu;
    static constexpr uint32_t kEndTerm = 0xFFFFFFFEu;
    uint32_t first;
    uint32_t second;
    bool isPair() const { return second < kEndTerm; }
};

// Calls emit(TermShape) for every term of wordCount kept words, in the order the index and the
// search both rely on: singles first, then for each word its pairs with the words one, two, three
// and four before it, then the end term. The end term belongs to the pairs: a single kept word
// yields its single term only.
template <class Emit> void forEachTermShape(uint32_t wordCount, unsigned options, Emit&& emit) {
    if (wordCount == 0)
        return;
    if ((options & TermSingleWords) || wordCount == 1) {
        for (uint32_t i = 0; i < wordCount; ++i)
            emit(TermShape{i, TermShape::kSingleTerm});
    }
    if (wordCount < 2 || !(options & (TermPreviousWord | TermTwoBefore | TermThreeBefore)))
        return;
    for (uint32_t c = 1; c < wordCount; ++c) {
        if (options & TermPreviousWord)
            emit(TermShape{c - 1, c});
        if (c >= 2) {
            if (options & TermTwoBefore)
                emit(TermShape{c - 2, c});
            if (c >= 3) {
                if (options & TermThreeBefore)
                    emit(TermShape{c - 3, c});
                if (c >= 4 && (options & TermFourBefore))
                    emit(TermShape{c - 4, c});
            }
        }
    }
    if (options & TermEndMark)
        emit(TermShape{wordCount - 1, TermShape::kEndTerm});
}

// Writes the term's text into out (replacing its content).
void termText(std::wstring& out, wchar_t prefix, const std::wstring& first, const std::wstring* second,
              bool endMark);

TermList buildTerms(const SegmentElement* first, const SegmentElement* last, wchar_t prefix,
                    unsigned options);
TermList buildTerms(const std::vector<SegmentElement>& tokens, wchar_t prefix, unsigned options);
