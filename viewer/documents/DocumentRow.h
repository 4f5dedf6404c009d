#pragma once

#include "tmx_engine/SegmentElement.h"

#include <cstdint>
#include <string>

// Row flags of a bilingual document.
enum DocumentRowFlags : uint32_t {
    kRowTargetEdited = 1,    // the target was set through the provider
    kRowTargetConfirmed = 2, // the document marks the unit as translated or finished
    kRowUnusable = 4,        // empty source, a side of more than kMaxRowElements, or unpaired tags
    kRowCdata = 8,           // the unit's text came from a CDATA section
};

// A unit whose source or target holds more elements than this is not offered for editing.
constexpr size_t kMaxRowElements = 150;

// No byte position.
constexpr int64_t kNoPosition = -1;

// One translation unit of a document. The target is located by the byte offsets of its element
// in the document as read, so that a save copies every other byte unchanged:
//   targetStart         the '<' of the target's start tag
//   targetContentStart  the byte past that tag's '>'
//   targetContentEnd    the '<' of the target's end tag (for <t .../>: equal to content start)
//   targetEnd           the byte past the end tag's '>'
// A unit without a target has kNoPosition there, and insertAt names the byte past the end of
// its source element, where a new target element goes.
struct DocumentRow {
    Segment source;
    Segment target;
    Segment editedTarget;
    uint32_t flags = 0;

    int64_t targetStart = kNoPosition;
    int64_t targetContentStart = kNoPosition;
    int64_t targetContentEnd = kNoPosition;
    int64_t targetEnd = kNoPosition;
    bool targetSelfClosing = false; // written as <t .../>: reopened as <t ...>...</t> on saving
    std::wstring targetName;        // the element name of this unit's target
    int64_t insertAt = kNoPosition;

    bool hasTarget() const { return targetStart != kNoPosition; }
};

// Applies the unusable rule after a parse: an empty source, a side of more than
// kMaxRowElements elements, or tags that do not pair.
void markUnusableRow(DocumentRow& row);
