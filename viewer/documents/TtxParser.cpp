#include "viewer/documents/TtxParser.h"

#include "tmx_engine/Segment.h"

void TtxParser::onStartElement(const std::wstring& name, const XmlAttributes& attributes,
                             bool isEmpty) {
    if (name == L"UserSettings") {
        sourceLanguage_ = attributes.get(L"SourceLanguage");
        targetLanguage_ = attributes.get(L"TargetLanguage");
    } else if (name == L"Tu") {
        ++span_;
    } else if (name == L"Tuv" && !inSource_ && !inTarget_) {
        const std::wstring& language = attributes.get(L"Lang");
        if (sourceLanguage_.empty() || targetLanguage_.empty()) {
            return; // languages not known yet
        }
        if (language == sourceLanguage_) {
            addRow();
            rowSpan_ = span_;
            inSource_ = !isEmpty;
        } else if (language == targetLanguage_) {
            rememberTargetName(name);
            DocumentRow* row = currentRow();
            // Only the first target of the row's own unit counts.
            if (row == nullptr || rowSpan_ != span_ || row->hasTarget()) {
                return;
            }
            beginTarget(*row, name, isEmpty);
            inTarget_ = !isEmpty;
        }
    }
}

void TtxParser::onEndElement(const std::wstring& name, bool isEmpty) {
    if (name == L"Tu") {
        ++span_;
    } else if (name == L"Tuv") {
        DocumentRow* row = currentRow();
        if (row == nullptr) {
            return;
        }
        if (inSource_ || (isEmpty && rowSpan_ == span_ && row->insertAt == kNoPosition &&
                          !row->hasTarget())) {
            // A new target goes right after the source "Tuv".
            row->insertAt = pastTag();
            inSource_ = false;
        } else if (inTarget_) {
            endTarget(*row, isEmpty);
            inTarget_ = false;
        }
    }
}

void TtxParser::characterData(const std::wstring& text) {
    DocumentRow* row = currentRow();
    if (row == nullptr) {
        return;
    }
    if (inSource_) {
        appendSegmentText(row->source, text);
    } else if (inTarget_) {
        appendSegmentText(row->target, text);
    }
}

void TtxParser::cdata(const std::wstring& text) {
    DocumentRow* row = currentRow();
    if (row != nullptr && (inSource_ || inTarget_)) {
        row->flags |= kRowCdata;
        characterData(text);
    }
}
