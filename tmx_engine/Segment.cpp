#include "tmx_engine/Segment.h"

#include "tmx_engine/WordTokenizer.h"

#include "core/xml/XmlAttributes.h"

#include <vector>

void appendSegmentText(Segment& segment, const std::wstring& text) { appendTokens(segment, text); }

void appendSegmentStartTag(Segment& segment, const std::wstring& name, bool isEmpty,
                           const std::wstring& xValue, const std::wstring& attributeText) {
    if (isEmpty && name == L"ph") {
        segment.emplace_back(SegmentElementKind::Placeholder, xValue);
        return;
    }
    segment.emplace_back(isEmpty ? SegmentElementKind::EmptyTag : SegmentElementKind::OpeningTag,
                         name, attributeText);
}

void setSegmentStartTag(SegmentElement& element, const std::wstring& name,
                        const XmlAttributes& attributes, bool isEmpty, bool keepAttributeText) {
    static const std::wstring x = L"x";
    if (isEmpty && name == L"ph") {
        element.kind = SegmentElementKind::Placeholder;
        element.text = attributes.get(x);
        element.extra.clear();
        return;
    }
    element.kind = isEmpty ? SegmentElementKind::EmptyTag : SegmentElementKind::OpeningTag;
    element.text = name;
    if (keepAttributeText)
        element.extra = attributes.toMarkup();
    else
        element.extra.clear();
}

void setSegmentEndTag(SegmentElement& element, const std::wstring& name) {
    element.kind = SegmentElementKind::ClosingTag;
    element.text = name;
    element.extra.clear();
}

void appendSegmentStartTag(Segment& segment, const std::wstring& name,
                           const XmlAttributes& attributes, bool isEmpty, bool keepAttributeText) {
    segment.emplace_back();
    setSegmentStartTag(segment.back(), name, attributes, isEmpty, keepAttributeText);
}

void appendSegmentEndTag(Segment& segment, const std::wstring& name, bool isEmpty) {
    // The end that follows an empty start tag at once adds nothing: the start made the element.
    if (isEmpty)
        return;
    segment.emplace_back();
    setSegmentEndTag(segment.back(), name);
}

bool segmentHasTags(const Segment& segment) {
    for (const SegmentElement& e : segment)
        if (e.isTag())
            return true;
    return false;
}

bool checkTagPairing(const Segment& segment) {
    std::vector<const std::wstring*> open;
    for (const SegmentElement& e : segment) {
        if (e.kind == SegmentElementKind::OpeningTag) {
            open.push_back(&e.text);
        } else if (e.kind == SegmentElementKind::ClosingTag && !open.empty()) {
            if (*open.back() != e.text)
                return false;
            open.pop_back();
        }
    }
    return true;
}
