#include "tmx_engine/TmxEntryParser.h"

#include "core/util/LanguageCode.h"
#include "tmx_engine/PackedDate.h"
#include "tmx_engine/Segment.h"

TmxEntryParser::TmxEntryParser(TmxEntry& entry, const std::wstring& defaultSourceLanguage)
    : entry_(entry), defaultSourceLanguage_(defaultSourceLanguage) {
    current_.reserve(256);
}

void TmxEntryParser::startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) {
    if (inSeg_) {
        appendSegmentStartTag(current_, name, attributes, isEmpty);
        return;
    }
    if (name == L"tu") {
        if (inTu_) {
            // The tu we were reading never closed: what follows belongs to the next unit.
            stop();
            return;
        }
        inTu_ = true;
        entry_.sourceLanguage = trimAndNormaliseLanguageCode(attributes.get(L"srclang"));
        if (entry_.sourceLanguage.empty())
            entry_.sourceLanguage = defaultSourceLanguage_;
        entry_.tuid = attributes.get(L"tuid");
        entry_.creationId = attributes.get(L"creationid");
        entry_.changeId = attributes.get(L"changeid");
        entry_.creationDate = parsePackedDate(attributes.get(L"creationdate"));
        entry_.changeDate = parsePackedDate(attributes.get(L"changedate"));
    } else if (name == L"tuv") {
        language_ = trimAndNormaliseLanguageCode(attributes.get(L"xml:lang"));
    } else if (name == L"seg") {
        inSeg_ = true;
    }
}

void TmxEntryParser::endElement(const std::wstring& name, bool isEmpty) {
    if (inSeg_) {
        if (name == L"seg")
            inSeg_ = false;
        else
            appendSegmentEndTag(current_, name, isEmpty);
        return;
    }
    if (name == L"tuv") {
        LanguageSegment& record = segmentForLanguage(entry_, language_);
        record.language = language_;
        record.segment.swap(current_);
        current_.clear();
    } else if (name == L"tu" && inTu_) {
        complete_ = true;
        stop();
    }
}

void TmxEntryParser::characterData(const std::wstring& text) {
    if (inSeg_)
        appendSegmentText(current_, text);
}

void TmxEntryParser::cdata(const std::wstring& text) {
    if (inSeg_)
        appendSegmentText(current_, text);
}
