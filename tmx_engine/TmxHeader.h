#pragma once

#include "tmx_engine/PackedDate.h"

#include <map>
#include <string>

// The header facts of a TMX file, as the index stores them and the providers report them.
struct TmxHeader {
    std::wstring version;             // "version" of the tmx element
    std::wstring creationTool;        // "creationtool"
    std::wstring creationToolVersion; // "creationtoolversion"
    PackedDate creationDate;          // "creationdate"
    std::wstring oTmf;                // "o-tmf"
    std::wstring srcLang;             // "srclang", normalised
};

// Normalised language code -> the prefix character that starts its search terms, in code order.
using LanguageMap = std::map<std::wstring, wchar_t>;
