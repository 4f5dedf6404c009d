#pragma once

#include "core/xml/XmlAttributes.h"
#include "core/xml/XmlMemoryStream.h"

#include <cstdint>
#include <memory>
#include <string>

class XmlParser;

// The character-level machine behind XmlParser: its state, the token being collected and the
// positions of the markup being reported. One belongs to each parser.
class XmlParserState {
public:
    explicit XmlParserState(XmlParser& owner);
    XmlParserState(const XmlParserState&) = delete;
    XmlParserState& operator=(const XmlParserState&) = delete;

    int32_t errorCode = 0;
    // Unit indices are as wide as byte offsets: a document of several GiB holds more than 2^31
    // units.
    int64_t errorPosition = -1;
    int64_t markupStart = -1;
    int32_t markupLength = 0;
    int64_t markupByteOffset = -1;
    bool stopRequested = false;

private:
    // XmlParser::parse drives the machine unit by unit.
    friend class XmlParser;

    enum class State : uint8_t {
        Content,
        TagOpen,
        Bang,
        Comment,
        Cdata,
        Doctype,
        StartTag,
        AttrName,
        AttrEquals,
        EmptySlash,
        EndTag,
        PiXml,
        Declaration,
        DeclName,
    };
    enum class SubState : uint8_t { Dispatch, Keyword, Collect };
    enum class Token : uint8_t {
        Text,
        ElementName,
        AttributeName,
        AttributeValue,
        EndTagName,
        DeclarationName,
        DeclarationValue,
        DoctypeText,
        CommentText,
        CdataText,
    };

    // The character classes that end each token outside a quoted region (comments and CDATA
    // sections end at "-->" and "]]>" instead), and the classes at which a shortcut over the
    // token's units stops: those and the units that collect() treats on its own (a reference,
    // the end of the data, a CR). The shortcuts take their stop sets from here, so that they end a
    // token exactly where the machine does.
    static constexpr uint16_t terminatorsOf(Token token);
    static constexpr uint16_t stopsOf(Token token);
    // Where a shortcut stops in a quoted region: its closing quote, a reference, the end, and the
    // white space that the value holds as spaces.
    static uint16_t quotedStops(wchar_t quote);

    bool step(wchar_t unit);
    bool dispatch(wchar_t unit);
    bool collect(wchar_t unit);
    bool collectReference(wchar_t unit);
    bool endToken(wchar_t unit);
    void beginToken(Token token, State next);
    void beginComment();
    void beginCdata();
    void expect(const char* keyword, State next);
    bool fail(int32_t code);
    // Appends a run of units that collect() would append one by one; returns its end. The run
    // stops before every '<' and '>', which the parser looks at one by one.
    const wchar_t* collectRun(const wchar_t* begin, const wchar_t* end);
    // From the unit after a tag's '<': the tag's length up to and including its '>', when the
    // tag lies whole in [begin, end) and is written plainly (names, blanks, values quoted or not,
    // no references), as scan_; otherwise 0, and the machine reads it unit by unit. Changes
    // nothing else.
    int32_t scanTag(const wchar_t* begin, const wchar_t* end);
    // Reports the tag that scanTag found, as the machine would at its '>'.
    void reportScannedTag();
    // From the first unit of a text in Content: when the text ends at a '<' before end, with
    // nothing but plain units, takes it as the machine would and returns its length; else 0.
    int32_t takePlainText(const wchar_t* begin, const wchar_t* end);
    // The machine has read the length units at run (after those before them): keeps the last
    // two for the endings that look back ("-->", "]]>") and counts them.
    void advance(const wchar_t* run, int32_t length) {
        beforePrevious_ = length >= 2 ? run[length - 2] : previous_;
        previous_ = run[length - 1];
        unitCount_ += length;
    }
    // The '<' of markup has been read: its index and its byte offset.
    void beginMarkup(int64_t byteOffset) {
        markupStart = unitCount_;
        markupLength = 0;
        markupByteOffset = byteOffset;
    }
    // Appends a unit as the document holds it (not one that a reference gave): a CR as LF, the
    // LF of a CR LF not at all, and in a quoted value TAB, LF and CR as a space.
    void appendRaw(std::wstring& destination, wchar_t unit);
    void appendCodePoint(uint32_t codePoint);
    void storePendingAttribute();
    void deliverText();
    void setMarkupLength();
    void resetMarkup();
    void emptyAccumulators();
    std::wstring& target();

    XmlParser& owner_;
    State state_ = State::Content;
    SubState subState_ = SubState::Dispatch;
    wchar_t quote_ = 0;    // the quote of the open quoted region, 0 outside one
    bool inReference_ = false;

    std::wstring name_;
    std::wstring attributeName_;
    std::wstring attributeValue_;
    std::wstring text_;
    std::wstring doctypeText_;
    std::wstring commentText_;
    std::wstring referenceName_;
    XmlAttributes attributes_;
    std::wstring block_;

    Token token_ = Token::Text;
    State tokenNext_ = State::Content;
    uint16_t terminators_ = 0;  // character classes that end the token
    bool quotedValue_ = false;  // the token is a value whose first unit may open a quoted region
    bool quoteOpened_ = false;  // its first unit did
    size_t referenceEnd_ = 0;   // block length after the last reference appended

    const char* keyword_ = "";
    int keywordPosition_ = 0;
    State keywordNext_ = State::Content;

    int64_t unitCount_ = 0;
    wchar_t previous_ = 0;
    wchar_t beforePrevious_ = 0;

    // A tag found by scanTag: runs of units in the batch being read.
    struct Span {
        const wchar_t* begin;
        size_t length;
    };
    static constexpr int kScanAttributes = 16;
    struct ScannedTag {
        enum Kind : uint8_t { Start, Empty, End } kind;
        Span name;
        int attributeCount;
        Span attributeNames[kScanAttributes];
        Span attributeValues[kScanAttributes];
    } scan_;

    // The batch the parser reads from: units and where they part ways with bytes. Grown as
    // needed and kept from parse to parse.
    std::unique_ptr<wchar_t[]> batchUnits_;
    std::unique_ptr<XmlMemoryStream::Shift[]> batchShifts_;
    int32_t batchCapacity_ = 0;
};
