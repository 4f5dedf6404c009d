#pragma once

#include <cstdint>
#include <string>

// The character that a reference name stands for ("amp", "#38", "#x26"): 0 when it cannot be
// resolved. Named references come from the built-in table of ISO 8879 names (compared
// exactly); numeric ones are decimal after '#' or hexadecimal after "#x" (lower-case x only).
// 0, surrogate code points and values above U+10FFFF do not resolve.
uint32_t resolveEntityCodePoint(const std::wstring& name);

// The one UTF-16 unit that a reference stands for; 0 when it cannot be resolved or needs a
// surrogate pair (resolveEntityCodePoint gives those).
uint16_t resolveEntity(const std::wstring& name);

// Appends text to destination with '"', '&', '\'', '<' and '>' written as references.
void escapeXml(std::wstring& destination, const std::wstring& text);

// A new string holding the escaped text.
std::wstring xmlEscapedCopy(const std::wstring& text);
