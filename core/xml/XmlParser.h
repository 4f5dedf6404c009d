#pragma once

#include "core/xml/XmlAttributes.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class XmlParserState;
class XmlStream;

// Error codes of the XML reader.
enum XmlError : int32_t {
    kXmlErrorNone = 0,
    kXmlErrorIo = 1,
    kXmlErrorUnsupportedEncoding = 2, // the bytes of the stream could not be decoded
    kXmlErrorInvalidFormat = 3,       // every syntax error
    kXmlErrorTagBalance = 4,
    kXmlErrorQuoteBalance = 5,
    kXmlErrorInvalidIdentifier = 6,
    kXmlErrorInvalidValue = 7,
    kXmlErrorEntity = 8,
    kXmlErrorUnclosedComment = 9,
    kXmlErrorUnclosedEntity = 10,
    kXmlErrorUnclosedCdata = 11,
    kXmlErrorUnclosedScript = 12,
    kXmlErrorBlockTooLarge = 13, // a name, value or declaration text of 65,536 units, or a
                                 // comment beyond its limit
    kXmlErrorParserSpecific = 14, // free for the readers built on the parser
};

// The text of an error code; "Unspecified error" for codes without one.
std::wstring xmlErrorText(int32_t code);

// Event-driven XML reader. A reader of one kind of document derives from it and overrides the
// callbacks it needs; every string and the attribute map handed to a callback belong to the
// parser and are valid only during the call. The parser keeps no element stack: tags are not
// matched against each other. Line ends are handed out as every XML reader hands them out: a CR
// LF or a lone CR in the document is one LF in text, CDATA and comments, and an attribute value
// holds each TAB, LF and CR written in it as a space; characters that references give are kept.
// Positions and byte offsets are those of the document's own units.
class XmlParser {
public:
    XmlParser();
    virtual ~XmlParser();
    XmlParser(const XmlParser&) = delete;
    XmlParser& operator=(const XmlParser&) = delete;

    // Reads the stream to its end or to a stop request; true when no error code was set. A
    // parser may read several streams one after another: the machine goes on from the state
    // that the last parse left (Content after a clean end or a stop at the '>' of a tag).
    // Bytes that cannot be decoded fail the parse with kXmlErrorUnsupportedEncoding; a stream
    // that never had data (a missing file) reads as an empty document.
    bool parse(XmlStream& stream);

    int32_t errorCode() const;
    // Unit index at which the failing step stopped.
    int64_t errorPosition() const;

    // During a callback: the unit index of the '<' that opened the markup being reported, the
    // units from it to the closing '>' inclusive (tags and comments only, 0 otherwise), and its
    // byte offset in the source (the file offset for an XmlFileStream). Outside markup they
    // are -1, 0 and -1.
    int64_t markupStart() const;
    int32_t markupLength() const;
    int64_t markupByteOffset() const;

    // From a callback: ends the parse after the current unit, without onDocumentEnd or
    // onParseError. Stopped at the '>' of markup or from characterData, the stream has not
    // been read beyond that unit.
    void stop();

    // A stop from another thread: once the flag is set, the parse ends before the next run of
    // units it reads (at the latest after the next '<' or '>', or 2048 units of text) and
    // returns false with no error code; stopped() then tells it from a failure. The parse is
    // abandoned: the callbacks of its end are not called, and the parser is not read on. Null
    // (the default) takes no such stop. The flag must outlive the parse.
    void setStopFlag(const std::atomic<bool>* flag) { stopFlag_ = flag; }
    // True when the last parse ended through the stop flag.
    bool stopped() const { return stopped_; }
    // The unit index that a parse gives its first unit (0 unless set): a parse of the rest of a
    // document, begun where an earlier reading left it, reports positions in the whole document.
    void setFirstUnitIndex(int64_t index) { firstUnitIndex_ = index; }
    // The index after the last unit read (the units read, for a parse that began at 0).
    int64_t unitIndex() const;
    // True when the machine stands between pieces of markup, outside any reference: a parse of
    // the bytes that follow, begun by a fresh parser, reads them exactly as this one would.
    bool atContent() const;

    // Called at the '?' that closes an XML declaration (target "xml") or a style-sheet
    // declaration (target "xml-stylesheet").
    virtual void processingInstruction(const std::wstring& target, const XmlAttributes& attributes) {}
    // Never called by the parser: document type declarations are read and dropped.
    virtual void doctype(const std::wstring& text) {}
    virtual void comment(const std::wstring& text) {}
    // At the '>' of a start tag, or of "/>" with isEmpty true (then endElement follows).
    virtual void startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) {}
    virtual void endElement(const std::wstring& name, bool isEmpty) {}
    // Text with references resolved, in pieces of at most 65,536 units.
    virtual void characterData(const std::wstring& text) {}
    virtual void cdata(const std::wstring& text) {}
    virtual void onDocumentEnd() {}
    virtual void onParseError() {}

private:
    friend class XmlParserState;
    std::unique_ptr<XmlParserState> state_;
    const std::atomic<bool>* stopFlag_ = nullptr;
    bool stopped_ = false;
    int64_t firstUnitIndex_ = 0;
};
