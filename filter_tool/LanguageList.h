#pragma once

#include "core/xml/XmlParser.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One row of the built-in language list: the code the filter is given and its display name.
struct LanguageEntry {
    std::wstring shortName;
    std::wstring longName;
};

// Reads a language list: every element named "language" adds an entry from its "shortName"
// and "longName" attributes (a missing one reads empty); other elements, the root among them,
// are passed over.
class LanguageListParser : public XmlParser {
public:
    void startElement(const std::wstring& name, const XmlAttributes& attributes,
                      bool isEmpty) override;

    std::vector<LanguageEntry> entries;
};

// The entries of a list held in memory as UTF-8; empty when it is not well-formed.
std::vector<LanguageEntry> parseLanguageList(const uint8_t* bytes, size_t size);

// The entries of the raw-data resource of that name in the program's own module; empty when it
// is missing, cannot be loaded or does not parse.
std::vector<LanguageEntry> loadLanguageList(const std::wstring& resourceName);
