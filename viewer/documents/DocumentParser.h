#pragma once

#include "core/xml/XmlParser.h"
#include "viewer/documents/DocumentRow.h"

#include <cstddef>
#include <string>
#include <vector>

class XmlStream;

// The deepest nesting of elements a document may have. Real documents stay within a few dozen
// levels; the stack of open elements costs memory for every level, so a document nested
// without end is refused before it can take the memory a deep nesting would.
constexpr size_t kMaxDocumentDepth = 10000;

// What the TTX and XLIFF readers share: the rows in document order and the byte positions of
// target elements, taken from the stream at each tag (the stream stops after every '>', so its
// position in a tag's callback is the byte past that tag).
class DocumentParser : public XmlParser {
public:
    explicit DocumentParser(XmlStream& stream) : stream_(stream) {}

    // Parses the whole stream; false when it is not a readable document.
    bool parseDocument();

    std::vector<DocumentRow>& rows() { return rows_; }
    // The name of the first target element met ("target", "TRADOS_target", "Tuv"), or empty.
    const std::wstring& targetElementName() const { return targetElementName_; }

protected:
    // The element events of the document's own reader. The XML reader does not match tags
    // itself: the open elements are kept on a stack first, so that a document cut off, or with
    // an end tag that closes anything but the innermost open element, does not read as whole.
    virtual void onStartElement(const std::wstring& name, const XmlAttributes& attributes,
                                bool isEmpty) = 0;
    virtual void onEndElement(const std::wstring& name, bool isEmpty) = 0;

    DocumentRow* currentRow() { return rows_.empty() ? nullptr : &rows_.back(); }
    DocumentRow& addRow();
    // At a target's start tag: the row's range begins here.
    void beginTarget(DocumentRow& row, const std::wstring& name, bool isEmpty);
    // At the target's end tag.
    void endTarget(DocumentRow& row, bool isEmpty);
    // The byte past the tag being reported.
    int64_t pastTag() const;
    void rememberTargetName(const std::wstring& name);

private:
    void startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) final;
    void endElement(const std::wstring& name, bool isEmpty) final;

    XmlStream& stream_;
    std::vector<std::wstring> openElements_;
    bool misnested_ = false;
    bool tooDeep_ = false;
    bool sawElement_ = false;
    std::vector<DocumentRow> rows_;
    std::wstring targetElementName_;
};
