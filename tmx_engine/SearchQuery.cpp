#include "tmx_engine/SearchQuery.h"

#include "tmx_engine/WordTokenizer.h"

SearchQuery SearchQuery::split(const std::wstring& query, uint32_t maximum) {
    SearchQuery q;
    bool excludeNext = false;
    WordTokenizer tokenizer(query);
    while (tokenizer.start() != tokenizer.end()) {
        const SegmentElement& token = tokenizer.token();
        if (token.kind == SegmentElementKind::Word)
            (excludeNext ? q.excludeWords : q.includeWords).push_back(token);
        else if (token.kind == SegmentElementKind::Punctuation)
            excludeNext = token.text == L"-";
        else
            excludeNext = false;
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
