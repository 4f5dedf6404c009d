#include "tmx_engine/TermList.h"

namespace {
const wchar_t kEndMark[] = L"#$";
} // namespace

void termText(std::wstring& out, wchar_t prefix, const std::wstring& first,
              const std::wstring* second, bool endMark) {
    out.clear();
    out += prefix;
    out += first;
    out += L'|';
    if (second)
        out += *second;
    else if (endMark)
        out += kEndMark;
}

TermList buildTerms(const SegmentElement* first, const SegmentElement* last, wchar_t prefix,
                    unsigned options) {
    TermList list;
    list.prefix = prefix;
    list.options = options;
    std::vector<const std::wstring*> words;
    for (const SegmentElement* t = first; t != last; ++t) {
        ++list.tokenCount;
        if (isTermWord(*t))
            words.push_back(&t->extra);
    }
    list.wordCount = static_cast<uint32_t>(words.size());
    if (words.empty())
        return list;
    list.terms.reserve(3 * words.size() - 2 + 1);
    forEachTermShape(list.wordCount, options, [&](const TermShape& shape) {
        Term term;
        const std::wstring& a = *words[shape.first];
        if (shape.isPair()) {
            const std::wstring& b = *words[shape.second];
            termText(term.text, prefix, a, &b, false);
            if (options & TermReversed)
                termText(term.reversed, prefix, b, &a, false);
        } else {
            termText(term.text, prefix, a, nullptr, shape.second == TermShape::kEndTerm);
        }
        list.terms.push_back(std::move(term));
    });
    return list;
}

TermList buildTerms(const std::vector<SegmentElement>& tokens, wchar_t prefix, unsigned options) {
    return buildTerms(tokens.data(), tokens.data() + tokens.size(), prefix, options);
}
