#pragma once

#include <cstddef>
#include <string>

// UTF-16 to UTF-8 for everything the programs write. A valid surrogate pair becomes one
// four-byte sequence, which every UTF-8 reader accepts; a lone surrogate has no valid form and
// keeps its three-byte one, which our own reader turns back into the same unit.
void appendUtf8(std::string& out, const wchar_t* text, std::size_t length);
void appendUtf8(std::string& out, const std::wstring& text);
std::string toUtf8(const std::wstring& text);
