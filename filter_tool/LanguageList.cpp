#include "filter_tool/LanguageList.h"

#include "core/xml/XmlMemoryStream.h"

#include <windows.h>

#include <limits>
#include <new>

void LanguageListParser::startElement(const std::wstring& name, const XmlAttributes& attributes,
                                      bool isEmpty) {
    if (name == L"language")
        entries.push_back({attributes.get(L"shortName"), attributes.get(L"longName")});
}

std::vector<LanguageEntry> parseLanguageList(const uint8_t* bytes, size_t size) {
    if (!bytes || size == 0 || size > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return {};
    try {
        XmlMemoryStream stream(bytes, kXmlEncodingUtf8, static_cast<int32_t>(size));
        LanguageListParser parser;
        if (!parser.parse(stream))
            return {};
        return std::move(parser.entries);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::vector<LanguageEntry> loadLanguageList(const std::wstring& resourceName) {
    const HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, resourceName.c_str(), RT_RCDATA);
    if (!found)
        return {};
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return {};
    return parseLanguageList(static_cast<const uint8_t*>(bytes), size);
}
