#include "core/l10n/LocalizedStringsParser.h"

#include "core/xml/XmlMemoryStream.h"

#include <cstdint>
#include <new>

void LocalizedStringsParser::startElement(const std::wstring& name,
                                          const XmlAttributes& attributes, bool isEmpty) {
    if (name == L"localized-strings") {
        out_.language = attributes.get(L"language");
        out_.langcode = attributes.get(L"langcode");
    } else if (name == L"string") {
        currentId_ = attributes.get(L"id");
    }
}

void LocalizedStringsParser::endElement(const std::wstring& name, bool isEmpty) {
    if (name == L"string")
        currentId_.clear();
}

void LocalizedStringsParser::characterData(const std::wstring& text) {
    if (!currentId_.empty())
        out_.table.emplace(currentId_, text);
}

bool readLocalizedStrings(const uint8_t* bytes, size_t size, LocalizedStrings& out) {
    if (size > static_cast<size_t>(INT32_MAX))
        return false;
    try {
        XmlMemoryStream stream(bytes, kXmlEncodingUtf8, static_cast<int32_t>(size));
        LocalizedStringsParser parser(out);
        return parser.parse(stream);
    } catch (const std::bad_alloc&) {
        return false;
    }
}
