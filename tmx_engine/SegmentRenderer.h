#pragma once

#include "tmx_engine/SegmentElement.h"

#include <cstddef>
#include <string>

// Turns segments back into text: TMX markup for the export, the details window and the
// document writers; display or plain text for copying and the text export.

// The elements as content for a TMX "seg" element: text escaped, tags as markup, placeholders
// as <ph type="x-LPH" x="..."/>. Attribute and placeholder values are escaped too, so that the
// markup stays well-formed whatever they hold.
std::wstring renderSegmentXml(const SegmentElement* elements, size_t count);
std::wstring renderSegmentXml(const Segment& segment);

// Display text. Plain text (false, false) is the text elements alone; with showPlaceholders a
// placeholder shows as {x}; with showTags a segment holding tags becomes escaped markup as
// renderSegmentXml gives it, while one without tags stays plain text.
std::wstring renderSegmentText(const SegmentElement* elements, size_t count,
                               bool showPlaceholders, bool showTags);
std::wstring renderSegmentText(const Segment& segment, bool showPlaceholders, bool showTags);
