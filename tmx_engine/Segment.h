#pragma once

#include "tmx_engine/SegmentElement.h"

#include <string>

class XmlAttributes;

// Every reader of segments turns the XML events inside a segment's element into elements through
// these functions, so that the index, the display and the export see one rule.

// Character data (entities resolved): the text's tokens, each as an element of its kind.
void appendSegmentText(Segment& segment, const std::wstring& text);

// A start tag inside the segment. xValue is the element's "x" attribute (used by an empty "ph"),
// attributeText its attribute map rendered as markup (empty when the caller keeps no attributes).
void appendSegmentStartTag(Segment& segment, const std::wstring& name, bool isEmpty,
                           const std::wstring& xValue, const std::wstring& attributeText);

// The same from the XML reader's start-tag event: the attribute text is the attribute map as
// markup (XmlAttributes::toMarkup), or empty when keepAttributeText is false (the indexing
// parser needs only kinds and texts).
void appendSegmentStartTag(Segment& segment, const std::wstring& name,
                           const XmlAttributes& attributes, bool isEmpty,
                           bool keepAttributeText = true);

// An end tag inside the segment other than the end of the segment's own element.
void appendSegmentEndTag(Segment& segment, const std::wstring& name, bool isEmpty);

// The same two rules for an element already there (a reader that recycles its elements): it
// becomes what the append functions would add, its strings keeping their room. The end of an
// empty tag adds nothing, so setSegmentEndTag is only for isEmpty false.
void setSegmentStartTag(SegmentElement& element, const std::wstring& name,
                        const XmlAttributes& attributes, bool isEmpty, bool keepAttributeText);
void setSegmentEndTag(SegmentElement& element, const std::wstring& name);

// True when any element is a tag (placeholders do not count).
bool segmentHasTags(const Segment& segment);

// False exactly when a closing tag meets an open tag of another name; stray closing tags and
// unclosed opening tags pass.
bool checkTagPairing(const Segment& segment);
