#pragma once

#include "group_builder/GroupEntry.h"

#include <windows.h>

#include <string>
#include <vector>

// Writes the .plexa group file at groupPath (UTF-8, CR LF lines), one "tmxfile" line per entry
// in list order, with member paths relative to the group file's folder where that takes at most
// two ".." steps. The text goes to a temporary file beside the target, which replaces the target
// only when everything was written; on failure the target is left as it was and the result is
// false.
bool writeGroupFile(const std::wstring& groupPath, const std::vector<GroupEntry>& entries);

// The colour as written in a group file: 0xRRGGBB in upper-case hexadecimal without leading
// zeros (red and blue exchanged from the COLORREF; the top byte is kept).
std::wstring formatColorHex(COLORREF color);

// The bytes that writeGroupFile writes for this group file path.
std::string formatGroupFile(const std::wstring& groupPath, const std::vector<GroupEntry>& entries);
