#include "tmx_engine/SearchQuery.h"

#include "tmx_engine/WordTokenizer.h"

SearchQuery SearchQuery::split(const std::wstring& query, uint32_t maximum) {
    SearchQuery q;
    bool excludeNext = false;
    // A minus excludes what follows only where it stands before a word of its own: at the start,
    // after white space, or inside a run it already excludes ("-dog-house"). Inside a word
    // ("read-only", "e-mail") it is a hyphen, and both halves must match.
    bool minusMayExclude = true;
    WordTokenizer tokenizer(query);
    while (tokenizer.start() != tokenizer.end()) {
        const SegmentElement& token = tokenizer.token();
        if (token.kind == SegmentElementKind::Word)
            (excludeNext ? q.excludeWords : q.includeWords).push_back(token);
        else if (token.kind == SegmentElementKind::Punctuation)
            excludeNext = token.text == L"-" && (minusMayExclude || excludeNext);
        else
            excludeNext = false;
        minusMayExclude = token.kind == SegmentElementKind::Space;
        if (tokenizer.advance())
            tokenizer.next();
    }
    if (!q.includeWords.empty())
        q.perWordBudget = maximum / static_cast<uint32_t>(q.includeWords.size());
    return q;
}

uint32_t SearchQuery::budgetMaximum(int32_t maxSearchResults) {
    const uint32_t value = static_cast<uint32_t>(maxSearchResults);
    return value < 150 ? 150 : value;
}
