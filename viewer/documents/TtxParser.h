#pragma once

#include "viewer/documents/DocumentParser.h"

// Reads a TTX document: one row per source "Tuv" (its "Lang" equal to the "SourceLanguage" of
// "UserSettings"), with the target "Tuv" of the same "Tu". Text of inline elements inside a
// "Tuv" is part of its text; their tags are not kept.
class TtxParser : public DocumentParser {
public:
    using DocumentParser::DocumentParser;

    const std::wstring& sourceLanguage() const { return sourceLanguage_; }
    const std::wstring& targetLanguage() const { return targetLanguage_; }

private:
    void onStartElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) override;
    void onEndElement(const std::wstring& name, bool isEmpty) override;
    void characterData(const std::wstring& text) override;
    void cdata(const std::wstring& text) override;

    std::wstring sourceLanguage_;
    std::wstring targetLanguage_;
    bool inSource_ = false;
    bool inTarget_ = false;
    // Each "Tu" start and end begins a new span; a target belongs to the row made in its span.
    int32_t span_ = 0;
    int32_t rowSpan_ = -1;
};
