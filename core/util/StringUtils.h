#pragma once

#include "core/values/Rect.h"

#include <cstdint>
#include <string>

// Small free functions over UTF-16 strings shared by every part of the system. Comparisons are
// exact code-unit comparisons; every function returns a new string except toForwardSlashes.

// Strips tab, line feed, carriage return and space from both ends; no other white space counts.
std::wstring trim(const std::wstring& text);
// Lower-cases through the system's case table (CharLowerBuffW) over the whole length.
std::wstring toLowerCase(const std::wstring& text);
bool endsWith(const std::wstring& suffix, const std::wstring& text);
bool startsWith(const std::wstring& prefix, const std::wstring& text);
void toForwardSlashes(std::wstring& text);

// 64 bits wide, so that file offsets and unit indices of the largest files print in full.
std::wstring formatUnsigned(uint64_t value);
std::wstring formatInt(int32_t value);
void formatIntInto(std::wstring& out, int32_t value);
// Optional leading '-', then decimal digits with 32-bit wrap-around. The value is stored even when
// parsing stops early; the result is true only when the whole text was consumed.
bool parseNumber(const std::wstring& text, int32_t& value);
int32_t parseNumberOr(const std::wstring& text, int32_t fallback);
// Hexadecimal digits only (no prefix); only the last eight digits survive.
bool parseHex(const std::wstring& text, uint32_t& value);

// Paths: '/' and '\' separate folders; ':' also ends a folder part for the name functions.
std::wstring getFileName(const std::wstring& path);
std::wstring getDirectory(const std::wstring& path);
std::wstring replaceExtension(const std::wstring& path, const std::wstring& suffix);
// Joins a relative path to a folder, consuming leading ".." steps; the empty string when a step
// climbs above the folder's first part.
std::wstring combinePath(const std::wstring& relativePath, const std::wstring& folder);

winui::Rect moveRectTo(const winui::Rect& rect, int32_t x, int32_t y);
