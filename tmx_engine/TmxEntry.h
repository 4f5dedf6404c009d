#pragma once

#include "tmx_engine/PackedDate.h"
#include "tmx_engine/SegmentElement.h"

#include <map>
#include <string>

// One language variant of a translation unit: the language code as normalised and its segment.
struct LanguageSegment {
    std::wstring language;
    Segment segment;
};

// One translation unit as the viewer shows it, parsed on demand from the mapped TMX file.
struct TmxEntry {
    std::wstring tuid;
    std::wstring sourceLanguage;  // normalised
    std::wstring creationId;
    std::wstring changeId;
    PackedDate creationDate;      // zero when absent
    PackedDate changeDate;
    // Keyed by the normalised language code; the last tuv of a language wins.
    std::map<std::wstring, LanguageSegment> segments;
};

// Both codes at least two units long and equal in their first two units.
bool sameLanguage(const std::wstring& a, const std::wstring& b);
// The record of that language, inserted empty (with its code set) when absent.
LanguageSegment& segmentForLanguage(TmxEntry& entry, const std::wstring& code);
// The record of that language, or a shared empty record when absent.
const LanguageSegment& findSegment(const TmxEntry& entry, const std::wstring& code);
