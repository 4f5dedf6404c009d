#include "viewer/documents/DocumentParser.h"

#include "core/xml/XmlStream.h"

bool DocumentParser::parseDocument() {
    return parse(stream_) && !stream_.decodingFailed() && sawElement_ && !misnested_ &&
           !tooDeep_ && openElements_.empty();
}

void DocumentParser::startElement(const std::wstring& name, const XmlAttributes& attributes,
                                  bool isEmpty) {
    sawElement_ = true;
    if (!isEmpty) {
        if (openElements_.size() >= kMaxDocumentDepth) {
            tooDeep_ = true;
            stop();
            return;
        }
        openElements_.push_back(name);
    }
    onStartElement(name, attributes, isEmpty);
}

void DocumentParser::endElement(const std::wstring& name, bool isEmpty) {
    if (!isEmpty) {
        if (openElements_.empty() || openElements_.back() != name) {
            misnested_ = true;
            stop();
            return;
        }
        openElements_.pop_back();
    }
    onEndElement(name, isEmpty);
}

DocumentRow& DocumentParser::addRow() {
    rows_.emplace_back();
    return rows_.back();
}

int64_t DocumentParser::pastTag() const {
    return stream_.position();
}

void DocumentParser::rememberTargetName(const std::wstring& name) {
    if (targetElementName_.empty()) {
        targetElementName_ = name;
    }
}

void DocumentParser::beginTarget(DocumentRow& row, const std::wstring& name, bool isEmpty) {
    row.targetName = name;
    row.targetStart = markupByteOffset();
    row.targetContentStart = pastTag();
    if (isEmpty) {
        row.targetSelfClosing = true;
        row.targetContentEnd = row.targetEnd = row.targetContentStart;
    }
}

void DocumentParser::endTarget(DocumentRow& row, bool isEmpty) {
    if (isEmpty) {
        return; // the start tag was the whole element
    }
    row.targetContentEnd = markupByteOffset();
    row.targetEnd = pastTag();
}
