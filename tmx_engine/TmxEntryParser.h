#pragma once

#include "core/xml/XmlParser.h"
#include "tmx_engine/TmxEntry.h"

#include <string>

// Reads one translation unit into a TmxEntry, from a stream that starts at the tu's "<".
class TmxEntryParser : public XmlParser {
public:
    TmxEntryParser(TmxEntry& entry, const std::wstring& defaultSourceLanguage);

    // True once the tu's end tag was read. A parse that stopped at the start of a following tu,
    // or ran out of input, leaves the entry incomplete.
    bool complete() const { return complete_; }

protected:
    void startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) override;
    void endElement(const std::wstring& name, bool isEmpty) override;
    void characterData(const std::wstring& text) override;
    void cdata(const std::wstring& text) override;

private:
    TmxEntry& entry_;
    std::wstring defaultSourceLanguage_;
    bool inTu_ = false;
    bool inSeg_ = false;
    bool complete_ = false;
    std::wstring language_;
    Segment current_;
};
