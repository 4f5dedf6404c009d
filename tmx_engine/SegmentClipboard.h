#pragma once

#include "tmx_engine/SegmentElement.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A copied segment goes onto the clipboard twice: as Unicode text, and in a private format that
// keeps every element with its kind for other programs. Every operation opens the clipboard
// once, with the caller's window as its owner when one is given (without an owner Windows may
// refuse the data), replaces what it held, and closes it again.

// The registered number of the private format "2c5894ea-fe52-49e7-afc1-65d962581a04";
// registered on first use, 0 when the system refuses it.
UINT segmentClipboardFormat();

// Appends the private format of a segment: the element count as a varint, then for each element
// one kind byte and its text and extra as counted strings. At most 65535 elements are written,
// so the count always matches the elements that follow.
void writeSegmentBinary(const Segment& segment, std::vector<uint8_t>& out);

// Puts one segment on the clipboard as the text that renderSegmentText gives for the two flags
// and in the private format. An empty segment leaves the clipboard alone. True when both
// formats were set.
bool copySegmentToClipboard(const Segment& segment, bool showPlaceholders, bool showTags,
                            HWND owner = nullptr);

// The clipboard then holds only this text (CF_UNICODETEXT). True when it was set.
bool putClipboardText(const std::wstring& text, HWND owner = nullptr);

// The clipboard then holds only these bytes in the given registered format. True when set.
bool putClipboardBytes(const std::vector<uint8_t>& bytes, UINT format, HWND owner = nullptr);
