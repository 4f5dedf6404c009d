#include "core/xml/XmlParserState.h"

#include "core/xml/XmlCharClasses.h"
#include "core/xml/XmlEntities.h"
#include "core/xml/XmlParser.h"
#include "core/xml/XmlVectorScans.h"

namespace {

using namespace xml_char_class;

// Names, values and declaration texts end in an error at this length; texts and CDATA
// sections are delivered in pieces of it.
constexpr size_t kBlockLimit = 65536;
// Comments are kept whole; beyond this an unclosed "<!--" would exhaust the process.
constexpr size_t kCommentLimit = 16u * 1024 * 1024;
constexpr size_t kReferenceNameLimit = 9;
// The parser looks at each '<' and '>' alone: they are where it may stop.
constexpr uint16_t kBrackets = kLess | kGreater;
// The longest token that the fast paths take; longer ones go to the machine, which knows the
// limit's exact rules.
constexpr size_t kLongestScannedToken = kBlockLimit - 4;
// Units that collect() looks at itself in every token: a reference begins, the data ends, a
// line end that is handed out as LF (or as a space in an attribute value) begins.
constexpr uint16_t kLeftToMachine = kAmpersand | kNul | kReturn;

// The terminators of the tokens, in the order of XmlParserState::Token up to DoctypeText.
constexpr uint16_t kTerminators[] = {
    kLess,                                // Text
    kBlank | kSlash | kGreater,           // ElementName
    kBlank | kEquals | kSlash | kGreater, // AttributeName
    kBlank | kSlash | kGreater,           // AttributeValue
    kGreater,                             // EndTagName
    kBlank | kEquals,                     // DeclarationName
    kBlank | kQuestion,                   // DeclarationValue
    kGreater,                             // DoctypeText
};

inline const wchar_t* skipUntil(const wchar_t* p, const wchar_t* end, uint16_t stops) {
    while (p < end && (classOf(*p) & stops) == 0) {
        ++p;
    }
    return p;
}

inline const wchar_t* skipBlanks(const wchar_t* p, const wchar_t* end) {
    while (p < end && isBlank(*p)) {
        ++p;
    }
    return p;
}

} // namespace

constexpr uint16_t XmlParserState::terminatorsOf(Token token) {
    static_assert(sizeof kTerminators / sizeof kTerminators[0] == static_cast<size_t>(Token::DoctypeText) + 1,
                  "a terminator set for each token that collect() ends at its terminators");
    return kTerminators[static_cast<int>(token)];
}

constexpr uint16_t XmlParserState::stopsOf(Token token) {
    return terminatorsOf(token) | kLeftToMachine;
}

uint16_t XmlParserState::quotedStops(wchar_t quote) {
    return classOf(quote) | kLeftToMachine | kValueWhite;
}

XmlParserState::XmlParserState(XmlParser& owner) : owner_(owner) {
    block_.reserve(kBlockLimit + 16);
    text_.reserve(256);
}

std::wstring& XmlParserState::target() {
    switch (token_) {
    case Token::Text: return text_;
    case Token::ElementName:
    case Token::EndTagName: return name_;
    case Token::AttributeName:
    case Token::DeclarationName: return attributeName_;
    case Token::AttributeValue:
    case Token::DeclarationValue: return attributeValue_;
    default: return doctypeText_;
    }
}

bool XmlParserState::fail(int32_t code) {
    errorCode = code;
    return false;
}

void XmlParserState::setMarkupLength() {
    markupLength = static_cast<int32_t>(unitCount_ - markupStart + 1);
}

void XmlParserState::resetMarkup() {
    markupStart = -1;
    markupLength = 0;
    markupByteOffset = -1;
}

void XmlParserState::emptyAccumulators() {
    name_.clear();
    attributeName_.clear();
    attributeValue_.clear();
    text_.clear();
    doctypeText_.clear();
    commentText_.clear();
    referenceName_.clear();
    attributes_.clear();
    block_.clear();
}

void XmlParserState::expect(const char* keyword, State next) {
    subState_ = SubState::Keyword;
    keyword_ = keyword;
    keywordPosition_ = 0;
    keywordNext_ = next;
}

void XmlParserState::beginToken(Token token, State next) {
    subState_ = SubState::Collect;
    token_ = token;
    tokenNext_ = next;
    terminators_ = terminatorsOf(token);
    quotedValue_ = token == Token::AttributeValue || token == Token::DeclarationValue;
    quoteOpened_ = false;
    quote_ = 0;
    inReference_ = false;
    referenceEnd_ = 0;
    block_.clear();
}

void XmlParserState::beginComment() {
    subState_ = SubState::Collect;
    token_ = Token::CommentText;
    commentText_.clear();
}

void XmlParserState::beginCdata() {
    subState_ = SubState::Collect;
    token_ = Token::CdataText;
    block_.clear();
}

void XmlParserState::storePendingAttribute() {
    if (!attributeName_.empty()) {
        attributes_.set(attributeName_, attributeValue_);
        attributeName_.clear();
        attributeValue_.clear();
    }
}

void XmlParserState::deliverText() {
    if (!text_.empty()) {
        owner_.characterData(text_);
        text_.clear();
    }
}

void XmlParserState::appendRaw(std::wstring& destination, wchar_t unit) {
    if (unit == L'\n' && previous_ == L'\r') {
        return; // the LF of a CR LF, which the CR stands for
    }
    if (quote_ != 0 && (classOf(unit) & kValueWhite) != 0) {
        destination += L' ';
    } else {
        destination += unit == L'\r' ? L'\n' : unit;
    }
}

void XmlParserState::appendCodePoint(uint32_t codePoint) {
    if (codePoint >= 0x10000) {
        codePoint -= 0x10000;
        block_ += static_cast<wchar_t>(0xD800 + (codePoint >> 10));
        block_ += static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
    } else {
        block_ += static_cast<wchar_t>(codePoint);
    }
}

bool XmlParserState::step(wchar_t unit) {
    switch (subState_) {
    case SubState::Keyword:
        if (lowerAscii(unit) != lowerAscii(static_cast<wchar_t>(keyword_[keywordPosition_]))) {
            return fail(kXmlErrorInvalidFormat);
        }
        if (keyword_[++keywordPosition_] == 0) {
            state_ = keywordNext_;
            subState_ = SubState::Dispatch;
        }
        return true;
    case SubState::Collect:
        return collect(unit);
    default:
        return dispatch(unit);
    }
}

bool XmlParserState::dispatch(wchar_t unit) {
    const uint16_t classes = classOf(unit);
    switch (state_) {
    case State::Content:
        if (unit == L'<' || unit == 0) {
            deliverText();
            if (unit == L'<') {
                state_ = State::TagOpen;
            }
            return true;
        }
        beginToken(Token::Text, State::Content);
        return collect(unit);

    case State::TagOpen:
        if (unit == L'/') {
            beginToken(Token::EndTagName, State::EndTag);
            return true;
        }
        if (unit == L'?') {
            expect("xml", State::PiXml);
            return true;
        }
        if (unit == L'!') {
            state_ = State::Bang;
            return true;
        }
        if (classes & kNameStart) {
            beginToken(Token::ElementName, State::StartTag);
            return collect(unit);
        }
        return fail(kXmlErrorInvalidFormat);

    case State::Bang:
        if (unit == L'-') {
            expect("-", State::Comment);
        } else if (unit == L'D' || unit == L'd') {
            expect("octype", State::Doctype);
        } else if (unit == L'[') {
            expect("CDATA[", State::Cdata);
        } else {
            return fail(kXmlErrorInvalidFormat);
        }
        return true;

    case State::Comment:
        beginComment();
        return collect(unit);

    case State::Cdata:
        beginCdata();
        return collect(unit);

    case State::Doctype:
        if (unit == L'>') {
            doctypeText_.clear();
            resetMarkup();
            state_ = State::Content;
            return true;
        }
        if (unit == 0) {
            return fail(kXmlErrorInvalidFormat);
        }
        beginToken(Token::DoctypeText, State::Doctype);
        return collect(unit);

    case State::StartTag:
        storePendingAttribute();
        if (unit == L'>') {
            setMarkupLength();
            owner_.startElement(name_, attributes_, false);
            attributes_.clear();
            resetMarkup();
            state_ = State::Content;
            return true;
        }
        if (unit == L'/') {
            state_ = State::EmptySlash;
            return true;
        }
        if (classes & kBlank) {
            return true;
        }
        if (classes & kNameStart) {
            beginToken(Token::AttributeName, State::AttrName);
            return collect(unit);
        }
        return fail(kXmlErrorInvalidFormat);

    case State::AttrName:
        if (unit == L'=') {
            state_ = State::AttrEquals;
            return true;
        }
        return (classes & kBlank) ? true : fail(kXmlErrorInvalidFormat);

    case State::AttrEquals:
        if (classes & kBlank) {
            return true;
        }
        beginToken(Token::AttributeValue, State::StartTag);
        return collect(unit);

    case State::EmptySlash:
        if (unit != L'>') {
            return fail(kXmlErrorInvalidFormat);
        }
        setMarkupLength();
        owner_.startElement(name_, attributes_, true);
        owner_.endElement(name_, true);
        attributes_.clear();
        resetMarkup();
        state_ = State::Content;
        return true;

    case State::EndTag:
        if (unit != L'>') {
            return fail(kXmlErrorInvalidFormat);
        }
        while (!name_.empty() && isBlank(name_.back())) {
            name_.pop_back();
        }
        setMarkupLength();
        owner_.endElement(name_, false);
        resetMarkup();
        state_ = State::Content;
        return true;

    case State::PiXml:
        if (classes & kBlank) {
            name_ = L"xml";
            state_ = State::Declaration;
            return true;
        }
        if (unit == L'-') {
            name_ = L"xml-stylesheet";
            expect("stylesheet", State::Declaration);
            return true;
        }
        return fail(kXmlErrorInvalidFormat);

    case State::Declaration:
        storePendingAttribute();
        if (unit == L'?') {
            owner_.processingInstruction(name_, attributes_);
            attributes_.clear();
            resetMarkup();
            expect(">", State::Content);
            return true;
        }
        if (classes & kBlank) {
            return true;
        }
        if (classes & kNameStart) {
            beginToken(Token::DeclarationName, State::DeclName);
            return collect(unit);
        }
        return fail(kXmlErrorInvalidFormat);

    case State::DeclName:
        if (unit == L'=') {
            beginToken(Token::DeclarationValue, State::Declaration);
            return true;
        }
        return (classes & kBlank) ? true : fail(kXmlErrorInvalidFormat);
    }
    return fail(kXmlErrorInvalidFormat);
}

bool XmlParserState::collect(wchar_t unit) {
    if (token_ == Token::CommentText) {
        const size_t length = commentText_.size();
        if (unit == L'>' && length >= 2 && commentText_[length - 1] == L'-' &&
            commentText_[length - 2] == L'-') {
            commentText_.resize(length - 2);
            setMarkupLength();
            owner_.comment(commentText_);
            commentText_.clear();
            resetMarkup();
            state_ = State::Content;
            subState_ = SubState::Dispatch;
            return true;
        }
        if (unit == 0) {
            return true;
        }
        if (length >= kCommentLimit) {
            // Not left open, so that the limit and not the end of input is reported.
            commentText_.clear();
            state_ = State::Content;
            subState_ = SubState::Dispatch;
            return fail(kXmlErrorBlockTooLarge);
        }
        appendRaw(commentText_, unit);
        return true;
    }

    if (token_ == Token::CdataText) {
        if (unit == L'>' && previous_ == L']' && beforePrevious_ == L']') {
            block_.resize(block_.size() >= 2 ? block_.size() - 2 : 0);
            owner_.cdata(block_);
            block_.clear();
            resetMarkup();
            state_ = State::Content;
            subState_ = SubState::Dispatch;
            return true;
        }
        if (unit == 0) {
            return true;
        }
        if (block_.size() >= kBlockLimit) {
            owner_.cdata(block_);
            block_.clear();
            resetMarkup();
        }
        appendRaw(block_, unit);
        return true;
    }

    if (block_.size() >= kBlockLimit) {
        if (token_ != Token::Text) {
            return fail(kXmlErrorBlockTooLarge);
        }
        owner_.characterData(block_);
        block_.clear();
        referenceEnd_ = 0;
    }
    if (inReference_) {
        return collectReference(unit);
    }
    if (quote_ != 0) {
        if (unit == L'&') {
            inReference_ = true;
            referenceName_.clear();
        } else if (unit != 0) {
            appendRaw(block_, unit);
            if (unit == quote_) {
                quote_ = 0;
            }
        }
        return true;
    }
    if (unit == L'&') {
        inReference_ = true;
        referenceName_.clear();
        return true;
    }
    if (quotedValue_ && block_.empty() && (unit == L'"' || unit == L'\'')) {
        quote_ = unit;
        quoteOpened_ = true;
        block_ += unit;
        return true;
    }
    if ((classOf(unit) & (terminators_ | kNul)) != 0) {
        return endToken(unit);
    }
    appendRaw(block_, unit);
    return true;
}

bool XmlParserState::collectReference(wchar_t unit) {
    if (unit == 0) {
        return true; // left open: the parse reports an unclosed reference
    }
    if (unit == L';') {
        const uint32_t codePoint = resolveEntityCodePoint(referenceName_);
        if (codePoint != 0) {
            appendCodePoint(codePoint);
        } else {
            block_ += L'&';
            block_ += referenceName_;
            block_ += L';';
        }
    } else if ((classOf(unit) & kReferenceName) != 0 &&
               referenceName_.size() < kReferenceNameLimit) {
        referenceName_ += unit;
        return true;
    } else {
        // The unit that broke the reference is plain text: a '<' or a quote here means nothing.
        block_ += L'&';
        block_ += referenceName_;
        appendRaw(block_, unit);
    }
    inReference_ = false;
    referenceEnd_ = block_.size();
    return true;
}

bool XmlParserState::endToken(wchar_t unit) {
    if (unit == 0 && quotedValue_ && block_.empty()) {
        // The input ended right after '=': no error, and nothing to store.
        subState_ = SubState::Dispatch;
        state_ = tokenNext_;
        return true;
    }
    std::wstring& destination = target();
    // Only a literal quote pair around a value is markup; text and quotes that references
    // produced are content.
    const size_t length = block_.size();
    if (quoteOpened_ && length >= 2 && block_[length - 1] == block_[0] && length > referenceEnd_) {
        destination.assign(block_, 1, length - 2);
    } else {
        destination.assign(block_);
    }
    subState_ = SubState::Dispatch;
    state_ = tokenNext_;
    quote_ = 0;
    return dispatch(unit);
}

const wchar_t* XmlParserState::collectRun(const wchar_t* begin, const wchar_t* end) {
    if (begin < end && *begin == L'\n' && previous_ == L'\r') {
        return begin; // dropped by the machine
    }
    uint16_t stops;
    size_t room;
    std::wstring* destination = &block_;
    switch (token_) {
    case Token::CommentText:
        stops = kBrackets | kNul | kReturn;
        room = kCommentLimit - commentText_.size();
        destination = &commentText_;
        break;
    case Token::CdataText:
        stops = kBrackets | kNul | kReturn;
        room = kBlockLimit - block_.size();
        break;
    default:
        if (quote_ != 0) {
            stops = kBrackets | quotedStops(quote_);
        } else if (quotedValue_ && block_.empty()) {
            return begin; // the first unit of a value may open a quoted region
        } else {
            stops = kBrackets | stopsOf(token_);
        }
        room = kBlockLimit > block_.size() ? kBlockLimit - block_.size() : 0;
        break;
    }
    const wchar_t* limit = static_cast<size_t>(end - begin) > room ? begin + room : end;
    const wchar_t* p = skipUntil(begin, limit, stops);
    destination->append(begin, p);
    return p;
}

int32_t XmlParserState::scanTag(const wchar_t* begin, const wchar_t* end) {
    // Each part of the tag ends where the machine would end its token; whatever the machine
    // treats unit by unit (a reference, the end of the data, a quote pair that is not one)
    // makes the scan give up.
    constexpr uint16_t kEndTagNameStops = stopsOf(Token::EndTagName);
    constexpr uint16_t kElementNameStops = stopsOf(Token::ElementName);
    constexpr uint16_t kAttributeNameStops = stopsOf(Token::AttributeName);
    constexpr uint16_t kValueEnds = terminatorsOf(Token::AttributeValue);
    constexpr uint16_t kValueStops = stopsOf(Token::AttributeValue);
    if (begin == end || !attributes_.empty()) {
        return 0;
    }
    ScannedTag& tag = scan_;
    tag.attributeCount = 0;
    const wchar_t* p = begin;
    if (*p == L'/') {
        // An end tag's name runs up to the '>'; blanks at its end are dropped.
        const wchar_t* name = ++p;
        p = skipUntil(p, end, kEndTagNameStops);
        if (p == end || *p != L'>' || static_cast<size_t>(p - name) > kLongestScannedToken) {
            return 0;
        }
        const wchar_t* nameEnd = p;
        while (nameEnd > name && isBlank(nameEnd[-1])) {
            --nameEnd;
        }
        tag.kind = ScannedTag::End;
        tag.name = {name, static_cast<size_t>(nameEnd - name)};
        return static_cast<int32_t>(p - begin + 1);
    }
    if ((classOf(*p) & kNameStart) == 0) {
        return 0;
    }
    const wchar_t* name = p;
    p = skipUntil(p, end, kElementNameStops);
    if (p == end || static_cast<size_t>(p - name) > kLongestScannedToken) {
        return 0;
    }
    tag.name = {name, static_cast<size_t>(p - name)};
    for (;;) {
        const wchar_t unit = *p;
        const uint16_t classes = classOf(unit);
        if (unit == L'>') {
            tag.kind = ScannedTag::Start;
            return static_cast<int32_t>(p - begin + 1);
        }
        if (unit == L'/') {
            if (p + 1 < end && p[1] == L'>') {
                tag.kind = ScannedTag::Empty;
                return static_cast<int32_t>(p - begin + 2);
            }
            return 0;
        }
        if (classes & kBlank) {
            if (++p == end) {
                return 0;
            }
            continue;
        }
        if ((classes & kNameStart) == 0 || tag.attributeCount == kScanAttributes) {
            return 0;
        }
        const wchar_t* attributeName = p;
        p = skipUntil(p, end, kAttributeNameStops);
        const size_t nameLength = static_cast<size_t>(p - attributeName);
        p = skipBlanks(p, end);
        if (p == end || *p != L'=' || nameLength > kLongestScannedToken) {
            return 0;
        }
        p = skipBlanks(p + 1, end);
        if (p == end) {
            return 0;
        }
        const wchar_t first = *p;
        Span value;
        if (first == L'"' || first == L'\'') {
            // Quotes around a value are dropped; the value must end with its closing quote.
            // The units of quotedStops(first), compared one by one; all lie at or below the
            // apostrophe, so that most units of a value cost one comparison.
            static_assert(unitsOfClasses(kLeftToMachine | kValueWhite, {L'&', L'\0', L'\t', L'\n', L'\r'}) &&
                              unitsOfClasses(kDoubleQuote, {L'"'}) && unitsOfClasses(kApostrophe, {L'\''}),
                          "the units of quotedStops(first)");
            const wchar_t* inner = ++p;
            for (; p < end; ++p) {
                const wchar_t unit = *p;
                if (unit <= L'\'' && (unit == first || unit == L'&' || unit == 0 || unit == L'\t' ||
                                       unit == L'\n' || unit == L'\r')) {
                    break;
                }
            }
            if (p == end || *p != first) {
                return 0;
            }
            value = {inner, static_cast<size_t>(p - inner)};
            ++p;
            if (p == end || (classOf(*p) & kValueEnds) == 0 || value.length + 2 > kLongestScannedToken) {
                return 0;
            }
        } else {
            if ((classOf(first) & kValueStops) != 0) {
                return 0;
            }
            const wchar_t* plain = p;
            p = skipUntil(p, end, kValueStops);
            if (p == end || (classOf(*p) & kLeftToMachine) != 0 ||
                static_cast<size_t>(p - plain) > kLongestScannedToken) {
                return 0;
            }
            value = {plain, static_cast<size_t>(p - plain)};
        }
        tag.attributeNames[tag.attributeCount] = {attributeName, nameLength};
        tag.attributeValues[tag.attributeCount] = value;
        ++tag.attributeCount;
    }
}

void XmlParserState::reportScannedTag() {
    const ScannedTag& tag = scan_;
    assignUnits(name_, tag.name.begin, tag.name.length);
    setMarkupLength();
    subState_ = SubState::Dispatch;
    if (tag.kind == ScannedTag::End) {
        state_ = State::EndTag;
        owner_.endElement(name_, false);
    } else {
        for (int i = 0; i < tag.attributeCount; ++i) {
            attributes_.set(tag.attributeNames[i].begin, tag.attributeNames[i].length,
                            tag.attributeValues[i].begin, tag.attributeValues[i].length);
        }
        if (tag.kind == ScannedTag::Empty) {
            state_ = State::EmptySlash;
            owner_.startElement(name_, attributes_, true);
            owner_.endElement(name_, true);
        } else {
            state_ = State::StartTag;
            owner_.startElement(name_, attributes_, false);
        }
        attributes_.clear();
    }
    resetMarkup();
    state_ = State::Content;
}

int32_t XmlParserState::takePlainText(const wchar_t* begin, const wchar_t* end) {
    // A text ends at its '<'; the scan for its end also stops at each '>', where the parser may
    // stop.
    static_assert((stopsOf(Token::Text) | kBrackets) == xml_vector_scans::kTextStops,
                  "the vector scan stops where the machine ends a text");
    if (!text_.empty() || (*begin == L'\n' && previous_ == L'\r')) {
        return 0;
    }
    const wchar_t* p = xml_vector_scans::findTextStop(begin, end);
    const wchar_t* firstReturn = p;
    while (p < end && *p == L'\r') {
        p = xml_vector_scans::findTextStop(p + 1, end);
    }
    if (p == begin || p == end || *p != L'<' || static_cast<size_t>(p - begin) > kLongestScannedToken) {
        return 0;
    }
    // As the machine leaves a text token that a '<' ends; the '<' itself is read as usual.
    beginToken(Token::Text, State::Content);
    subState_ = SubState::Dispatch;
    if (firstReturn == p) {
        assignUnits(text_, begin, static_cast<size_t>(p - begin));
    } else {
        // Each CR and CR LF becomes one LF, as collect() hands them out.
        text_.assign(begin, firstReturn);
        for (const wchar_t* q = firstReturn; q < p; ++q) {
            if (*q == L'\r') {
                text_ += L'\n';
                if (q + 1 < p && q[1] == L'\n') {
                    ++q;
                }
            } else {
                text_ += *q;
            }
        }
    }
    return static_cast<int32_t>(p - begin);
}
