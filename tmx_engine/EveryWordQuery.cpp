#include "tmx_engine/EveryWordQuery.h"

#include "tmx_engine/WordTokenizer.h"

SearchQuery everyWordQuery(const std::wstring& text, uint32_t maximum) {
    SearchQuery q;
    WordTokenizer tokenizer(text);
    while (tokenizer.start() != tokenizer.end()) {
        if (tokenizer.token().kind == SegmentElementKind::Word)
            q.includeWords.push_back(tokenizer.token());
        if (tokenizer.advance())
            tokenizer.next();
    }
    if (!q.includeWords.empty())
        q.perWordBudget = maximum / static_cast<uint32_t>(q.includeWords.size());
    return q;
}
