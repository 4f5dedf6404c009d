#include "tmx_engine/TmxParser.h"

#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxIndexBuilder.h"
#include "tmx_engine/WordTokenizer.h"

namespace {

// The prefix under which language mode 2 files every segment.
const wchar_t kSharedPrefix = 0xFF21;

}  // namespace

TmxParser::TmxParser(TmxIndexBuilder& builder) : builder_(builder)
{
    current_.reserve(128);
    savedSource_.reserve(128);
}

void TmxParser::startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty)
{
    if (inSeg_) {
        // Only kinds and names matter here: the segment feeds counts and terms.
        if (isEmpty && name == L"ph")
            current_.emplace_back(SegmentElementKind::Placeholder, attributes.get(L"x"));
        else
            current_.emplace_back(isEmpty ? SegmentElementKind::EmptyTag : SegmentElementKind::OpeningTag, name);
        return;
    }
    if (inTu_) {
        if (name == L"tuv") {
            language_ = normaliseLanguage(attributes.get(L"xml:lang"));
            current_.clear();
            if (!sameLanguage(language_, builder_.srclang))
                builder_.addLanguage(language_, 0);
        } else if (name == L"seg") {
            inSeg_ = true;
            targetSegment_ = !sameLanguage(language_, builder_.srclang);
        }
        return;
    }
    if (name == L"tu") {
        tuOffset_.store(static_cast<uint32_t>(markupByteOffset()), std::memory_order_relaxed);
        inTu_ = true;
    } else if (name == L"tmx") {
        builder_.tmxVersion = attributes.get(L"version");
    } else if (name == L"header") {
        builder_.creationTool = attributes.get(L"creationtool");
        builder_.creationToolVersion = attributes.get(L"creationtoolversion");
        builder_.oTmf = attributes.get(L"o-tmf");
        builder_.srclang = normaliseLanguage(attributes.get(L"srclang"));
        builder_.creationDate = parsePackedDate(attributes.get(L"creationdate"));
    }
}

void TmxParser::endElement(const std::wstring& name, bool isEmpty)
{
    if (inSeg_) {
        if (name == L"seg") {
            inSeg_ = false;
            if (!targetSegment_) {
                if (builder_.languageMode == 1) {
                    savedLanguage_.swap(language_);
                    savedSource_.swap(current_);
                    current_.clear();
                } else {
                    builder_.addEntry(current_, kSharedPrefix, tuOffset());
                }
            } else {
                wchar_t prefix = builder_.languagePrefix(language_);
                if (builder_.languageMode == 1)
                    builder_.addEntry(savedSource_, prefix, tuOffset());
                else
                    builder_.addEntry(current_, prefix, tuOffset());
                targetSegment_ = false;
            }
        } else if (!isEmpty) {
            current_.emplace_back(SegmentElementKind::ClosingTag, name);
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

void TmxParser::characterData(const std::wstring& text)
{
    appendText(text);
}

void TmxParser::cdata(const std::wstring& text)
{
    appendText(text);
}

void TmxParser::appendText(const std::wstring& text)
{
    // In language mode 1 only the source text feeds terms; target text is not even tokenized.
    if (!inSeg_ || (builder_.languageMode != 2 && targetSegment_))
        return;
    appendTokens(current_, text);
}
