#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The first four kinds are the tokenizer's token kinds; a segment's text is stored as its tokens.
enum class SegmentElementKind : int32_t {
    Other = 0,
    Word = 1,
    Punctuation = 2,
    Space = 3,
    Placeholder = 4,
    EmptyTag = 5,
    OpeningTag = 6,
    ClosingTag = 7,
};

// One element of a segment. For a Word, extra holds the lower-cased word, the key under which it is
// indexed and searched; for EmptyTag and OpeningTag it holds the attribute text.
struct SegmentElement {
    SegmentElementKind kind = SegmentElementKind::Other;
    std::wstring text;
    std::wstring extra;

    SegmentElement() = default;
    SegmentElement(SegmentElementKind kind, std::wstring text)
        : kind(kind), text(std::move(text)) {}
    SegmentElement(SegmentElementKind kind, std::wstring text, std::wstring extra)
        : kind(kind), text(std::move(text)), extra(std::move(extra)) {}

    bool isTag() const {
        return kind == SegmentElementKind::EmptyTag || kind == SegmentElementKind::OpeningTag ||
               kind == SegmentElementKind::ClosingTag;
    }
};

inline bool operator==(const SegmentElement& a, const SegmentElement& b) {
    return a.kind == b.kind && a.text == b.text && a.extra == b.extra;
}
inline bool operator!=(const SegmentElement& a, const SegmentElement& b) { return !(a == b); }

// A segment is owned by value: copying it copies every element.
using Segment = std::vector<SegmentElement>;
