#pragma once

#include "viewer/documents/DocumentParser.h"

// Reads an XLIFF document: one row per "trans-unit", its "source" and first "target" (or
// "TRADOS_target") with inline codes as tags, and the status markers "sdl:seg conf" and
// "iws:status translation_status". Alternatives ("alt-trans") are read past.
class XliffParser : public DocumentParser {
public:
    using DocumentParser::DocumentParser;

    // The "target-language" of the first "file" element; empty when it names none.
    const std::wstring& targetLanguage() const { return targetLanguage_; }

private:
    void onStartElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) override;
    void onEndElement(const std::wstring& name, bool isEmpty) override;
    void characterData(const std::wstring& text) override;
    void cdata(const std::wstring& text) override;

    // The segment that text and inline codes go to now, or null.
    Segment* textSegment();

    bool inUnit_ = false;
    bool inAlternative_ = false;
    bool inSource_ = false;
    bool inTarget_ = false;
    bool inAlternativeSource_ = false;
    bool inAlternativeTarget_ = false;
    // Depth of "ph" elements with content, whose native code is left out of the text.
    int32_t insidePlaceholder_ = 0;
    std::wstring targetLanguage_;
    // Text of alternatives is read into this and dropped.
    DocumentRow alternative_;
};
