#pragma once

#include "tmx_engine/PackedDate.h"
#include "tmx_engine/TmxEntry.h"

#include <string>
#include <vector>

// The texts of the entry details window, worked out without a window.

// The date in the user's short date format, a space and the time without seconds. A date that
// does not format gives the time alone, and nothing when its hour and minute are 0 as well (the
// zero date); a time that does not format gives the date alone. No time-zone conversion.
std::wstring formatEntryDate(const PackedDate& date);

// The text, or "n/a" when it is empty.
std::wstring orNotAvailable(const std::wstring& text);

// The entry's languages other than its source language, in ascending code order.
std::vector<std::wstring> targetLanguagesOf(const TmxEntry& entry);

// The codes joined by ", ".
std::wstring joinLanguages(const std::vector<std::wstring>& codes);
