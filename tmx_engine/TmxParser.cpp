#include "tmx_engine/TmxParser.h"

#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxIndexBuilder.h"
#include "tmx_engine/Segment.h"

TmxParser::TmxParser(TmxIndexBuilder& builder) : builder_(builder) {
    current_.reserve(128);
    savedSource_.reserve(128);
}

void TmxParser::startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) {
    if (inSeg_) {
        // Only kinds and names matter here: the segment feeds counts and terms, so the attribute
        // text is not rendered.
        appendSegmentStartTag(current_, name, attributes, isEmpty, false);
        return;
    }
    if (inTu_) {
        if (name == L"tuv") {
            language_ = normaliseLanguage(attributes.get(L"xml:lang"));
            current_.clear();
            if (!sameLanguage(language_, builder_.header().srcLang))
                builder_.addLanguage(language_, 0);
        } else if (name == L"seg") {
            inSeg_ = true;
            targetSegment_ = !sameLanguage(language_, builder_.header().srcLang);
        }
        return;
    }
    if (name == L"tu") {
        tuOffset_.store(static_cast<uint32_t>(markupByteOffset()), std::memory_order_relaxed);
        inTu_ = true;
    } else if (name == L"tmx") {
        builder_.header().version = attributes.get(L"version");
    } else if (name == L"header") {
        TmxHeader& header = builder_.header();
        header.creationTool = attributes.get(L"creationtool");
        header.creationToolVersion = attributes.get(L"creationtoolversion");
        header.oTmf = attributes.get(L"o-tmf");
        header.srcLang = normaliseLanguage(attributes.get(L"srclang"));
        header.creationDate = parsePackedDate(attributes.get(L"creationdate"));
    }
}

void TmxParser::endElement(const std::wstring& name, bool isEmpty) {
    if (inSeg_) {
        if (name == L"seg") {
            inSeg_ = false;
            if (!targetSegment_) {
                if (builder_.languageMode() == 1) {
                    savedLanguage_.swap(language_);
                    savedSource_.swap(current_);
                    current_.clear();
                } else {
                    builder_.addEntry(language_, current_, TmxIndexBuilder::kSharedPrefix, tuOffset());
                }
            } else {
                wchar_t prefix = builder_.languagePrefix(language_);
                if (builder_.languageMode() == 1)
                    builder_.addEntry(savedLanguage_, savedSource_, prefix, tuOffset());
                else
                    builder_.addEntry(language_, current_, prefix, tuOffset());
                targetSegment_ = false;
            }
        } else {
            appendSegmentEndTag(current_, name, isEmpty);
        }
        return;
    }
    if (!inTu_)
        return;
    if (name == L"tuv") {
        current_.clear();
    } else if (name == L"tu") {
        savedSource_.clear();
        savedLanguage_.clear();
        inTu_ = false;
    }
}

void TmxParser::characterData(const std::wstring& text) {
    appendText(text);
}

void TmxParser::cdata(const std::wstring& text) {
    appendText(text);
}

void TmxParser::appendText(const std::wstring& text) {
    // In language mode 1 only the source text feeds terms; target text is not even tokenized.
    if (!inSeg_ || (builder_.languageMode() != 2 && targetSegment_))
        return;
    appendSegmentText(current_, text);
}
