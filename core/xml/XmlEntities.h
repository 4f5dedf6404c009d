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

// The characters that escapeXml writes as references; every other unit is copied as it is.
constexpr unsigned kXmlEscapeAmpLt = 0x01;  // '&' and '<'
constexpr unsigned kXmlEscapeGt = 0x02;     // '>'
constexpr unsigned kXmlEscapeQuot = 0x04;   // '"'
constexpr unsigned kXmlEscapeApos = 0x08;   // '\''
// CR as "&#13;": a reader turns a raw CR, and CR LF, into one LF.
constexpr unsigned kXmlEscapeCr = 0x10;
// TAB and LF as "&#9;" and "&#10;": in an attribute value a reader turns them into blanks.
constexpr unsigned kXmlEscapeTabLf = 0x20;
// Text and attribute values in full: every character that is markup, and those that a reader
// would not give back as they are.
constexpr unsigned kXmlEscapeText = kXmlEscapeAmpLt | kXmlEscapeGt | kXmlEscapeQuot | kXmlEscapeApos | kXmlEscapeCr;
constexpr unsigned kXmlEscapeAttribute = kXmlEscapeText | kXmlEscapeTabLf;

// Appends text to destination with the characters of `set` written as references. This is the
// one escaping step of everything the programs write as XML.
void escapeXml(std::wstring& destination, const wchar_t* text, size_t length, unsigned set);
void escapeXml(std::wstring& destination, const std::wstring& text, unsigned set);

// Appends text to destination with '"', '&', '\'', '<' and '>' written as references (display
// markup, which no reader parses: line breaks stay as they are).
void escapeXml(std::wstring& destination, const std::wstring& text);

// A new string holding the escaped text.
std::wstring xmlEscapedCopy(const std::wstring& text);
