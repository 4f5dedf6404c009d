#include "tmx_engine/TmxParser.h"

#include "core/util/LanguageCode.h"
#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxIndexBuilder.h"
#include "tmx_engine/Segment.h"
#include "tmx_engine/WordTokenizer.h"

namespace {

// Enough for the longest segments met in practice; more are freed.
constexpr size_t kMaxSpareElements = 4096;

// Names looked up tag after tag, made once.
const std::wstring kXmlLang = L"xml:lang";

} // namespace

TmxParser::TmxParser(TmxIndexBuilder& builder) : TmxParser(static_cast<TmxEntrySink&>(builder)) {}

TmxParser::TmxParser(TmxEntrySink& builder) : builder_(builder) {
    current_.reserve(128);
    savedSource_.reserve(128);
}

void TmxParser::startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) {
    if (root_ == Root::NotYet) {
        root_ = name == L"tmx" ? Root::Tmx : Root::Other;
        if (root_ == Root::Other && tmxRootRequired_) {
            stop();
            return;
        }
    }
    if (inSeg_) {
        // Only kinds and names matter here: the segment feeds counts and terms, so the attribute
        // text is not rendered.
        setSegmentStartTag(newElement(), name, attributes, isEmpty, false);
        return;
    }
    if (inTu_) {
        if (name == L"tuv") {
            language_ = trimAndNormaliseLanguageCode(attributes.get(kXmlLang));
            recycle(current_);
            tuvSeen_ = true;
            if (!sameLanguage(language_, builder_.header().srcLang))
                builder_.enterLanguage(language_);
        } else if (name == L"seg") {
            needsEarlierText_ = needsEarlierText_ || !tuvSeen_;
            inSeg_ = true;
            targetSegment_ = !sameLanguage(language_, builder_.header().srcLang);
        }
        return;
    }
    if (name == L"tu") {
        tuOffset_.store(static_cast<uint32_t>(markupByteOffset()), std::memory_order_relaxed);
        inTu_ = true;
    } else if (name == L"tmx") {
        needsEarlierText_ = true;
        builder_.header().version = attributes.get(L"version");
    } else if (name == L"header") {
        needsEarlierText_ = true;
        TmxHeader& header = builder_.header();
        header.creationTool = attributes.get(L"creationtool");
        header.creationToolVersion = attributes.get(L"creationtoolversion");
        header.oTmf = attributes.get(L"o-tmf");
        header.srcLang = trimAndNormaliseLanguageCode(attributes.get(L"srclang"));
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
                    recycle(current_);
                    savedSourceEntered_ = false;
                } else {
                    builder_.addEntry(language_, current_, TmxIndexBuilder::kSharedPrefix, tuOffset());
                }
            } else {
                wchar_t prefix = builder_.prefixOf(language_);
                if (builder_.languageMode() == 1) {
                    if (savedSourceEntered_)
                        builder_.repeatEntry(savedLanguage_, savedSource_, prefix, tuOffset());
                    else
                        builder_.addEntry(savedLanguage_, savedSource_, prefix, tuOffset());
                    savedSourceEntered_ = true;
                } else {
                    builder_.addEntry(language_, current_, prefix, tuOffset());
                }
                targetSegment_ = false;
            }
        } else {
            // (The end of an empty tag adds nothing: its start made the element.)
            if (!isEmpty)
                setSegmentEndTag(newElement(), name);
        }
        return;
    }
    if (!inTu_)
        return;
    if (name == L"tuv") {
        recycle(current_);
    } else if (name == L"tu") {
        recycle(savedSource_);
        savedLanguage_.clear();
        savedSourceEntered_ = false;
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
    // As appendSegmentText does, with elements taken over from the spares.
    WordTokenizer tokenizer(text, &token_);
    while (tokenizer.start() != tokenizer.end()) {
        const SegmentElement& token = tokenizer.token();
        SegmentElement& element = newElement();
        element.kind = token.kind;
        element.text = token.text;
        element.extra = token.extra;
        if (tokenizer.advance())
            tokenizer.next();
    }
}

SegmentElement& TmxParser::newElement() {
    // Tags take spares too: elements made anew for them would crowd the spares, which are capped,
    // and push out the elements whose strings have grown to the room words need.
    if (spare_.empty()) {
        current_.emplace_back();
    } else {
        current_.push_back(std::move(spare_.back()));
        spare_.pop_back();
    }
    return current_.back();
}

void TmxParser::recycle(Segment& segment) {
    for (SegmentElement& element : segment) {
        if (spare_.size() >= kMaxSpareElements)
            break;
        spare_.push_back(std::move(element));
    }
    segment.clear();
}
