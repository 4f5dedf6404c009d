#pragma once

#include "core/xml/XmlParser.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

// What one strings file holds: its language's own name, its code and the texts by key.
struct LocalizedStrings {
    std::wstring language;
    std::wstring langcode;
    std::map<std::wstring, std::wstring> table;
};

// Reads a strings file: the root "localized-strings" with the attributes "language" and
// "langcode", and "string" elements whose "id" is the key and whose content is the text. Other
// elements are ignored; of two texts with one key the first stays.
class LocalizedStringsParser : public XmlParser {
public:
    explicit LocalizedStringsParser(LocalizedStrings& out) : out_(out) {}

    void startElement(const std::wstring& name, const XmlAttributes& attributes,
                      bool isEmpty) override;
    void endElement(const std::wstring& name, bool isEmpty) override;
    void characterData(const std::wstring& text) override;

private:
    LocalizedStrings& out_;
    std::wstring currentId_;
};

// Parses a strings file held in memory as UTF-8. False when it is not well-formed XML.
bool readLocalizedStrings(const uint8_t* bytes, size_t size, LocalizedStrings& out);
