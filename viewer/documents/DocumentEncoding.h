#pragma once

#include "tmx_engine/SegmentElement.h"

#include <cstdint>
#include <string>

// Appends text in a document's encoding (the reader's codes: ANSI, UTF-16LE, UTF-8, UTF-16BE),
// without a byte-order mark. In an ANSI document a character that the code page cannot hold
// becomes a character reference; inside a CDATA section (inCdata) the section is closed around
// the reference. Returns false for an unknown encoding.
bool appendEncodedText(std::string& out, const std::wstring& text, int32_t encoding,
                       bool inCdata = false);

// The content written for an edited target: its markup as it stands, or for a unit read from a
// CDATA section, the text in a CDATA section, with any "]]>" split across two sections.
// Returns the bytes in the document's encoding.
std::string encodeTargetContent(const Segment& target, bool cdata, int32_t encoding);

// The text a CDATA section holds for an edited target: its text, with tags and placeholders as
// their markup. This is also the text the target reads as once written.
std::wstring targetCdataText(const Segment& target);

// The number of bytes of one UTF-16 unit of markup punctuation ('<', '/', '>') in an encoding.
int32_t markupUnitBytes(int32_t encoding);
