#include "viewer/documents/XliffParser.h"

#include "core/util/StringUtils.h"
#include "tmx_engine/Segment.h"

#include <algorithm>

namespace {

bool isTargetName(const std::wstring& name) {
    return name == L"target" || name == L"TRADOS_target";
}

bool containsNoCase(const std::wstring& text, const wchar_t* word) {
    return toLowerCase(text).find(word) != std::wstring::npos;
}

} // namespace

Segment* XliffParser::textSegment() {
    if (inAlternativeSource_) {
        return &alternative_.source;
    }
    if (inAlternativeTarget_) {
        return &alternative_.target;
    }
    DocumentRow* row = currentRow();
    if (row == nullptr || !inUnit_) {
        return nullptr;
    }
    return inSource_ ? &row->source : inTarget_ ? &row->target : nullptr;
}

void XliffParser::onStartElement(const std::wstring& name, const XmlAttributes& attributes,
                               bool isEmpty) {
    if (name == L"trans-unit") {
        inUnit_ = true;
        inAlternative_ = inSource_ = inTarget_ = false;
        inAlternativeSource_ = inAlternativeTarget_ = false;
        insidePlaceholder_ = 0;
        addRow();
        return;
    }
    if (name == L"file" && !inUnit_ && targetLanguage_.empty()) {
        targetLanguage_ = attributes.get(L"target-language");
        return;
    }
    if (!inUnit_) {
        return; // nothing outside a unit belongs to a row
    }
    if (name == L"alt-trans" && !inSource_ && !inTarget_) {
        inAlternative_ = true;
        alternative_ = DocumentRow();
        return;
    }
    if (name == L"source" && !inSource_ && !inTarget_ && !inAlternativeSource_ &&
        !inAlternativeTarget_) {
        if (!isEmpty) {
            (inAlternative_ ? inAlternativeSource_ : inSource_) = true;
        }
        return;
    }
    if (isTargetName(name) && !inSource_ && !inTarget_ && !inAlternativeSource_ &&
        !inAlternativeTarget_) {
        if (inAlternative_) {
            inAlternativeTarget_ = !isEmpty;
            return;
        }
        DocumentRow& row = *currentRow();
        if (!row.hasTarget()) {
            beginTarget(row, name, isEmpty);
            inTarget_ = !isEmpty;
        }
        return;
    }
    if (Segment* segment = textSegment()) {
        if (name == L"ph") {
            // A placeholder with its "x", whether or not the element has content: what a "ph"
            // holds is the original's native code, not text to translate.
            segment->emplace_back(SegmentElementKind::Placeholder, attributes.get(L"x"));
            insidePlaceholder_ += isEmpty ? 0 : 1;
        } else {
            appendSegmentStartTag(*segment, name, attributes, isEmpty);
        }
        return;
    }
    if (inAlternative_) {
        return;
    }
    if ((name == L"sdl:seg" && containsNoCase(attributes.get(L"conf"), L"translated")) ||
        (name == L"iws:status" &&
         containsNoCase(attributes.get(L"translation_status"), L"finished"))) {
        currentRow()->flags |= kRowTargetConfirmed;
    }
}

void XliffParser::onEndElement(const std::wstring& name, bool isEmpty) {
    if (!inUnit_) {
        return;
    }
    DocumentRow& row = *currentRow();
    // The elements that frame a segment come first: their end adds nothing to it.
    if (isTargetName(name) && (inTarget_ || inAlternativeTarget_ || isEmpty)) {
        rememberTargetName(name);
        if (inAlternativeTarget_) {
            inAlternativeTarget_ = false;
        } else if (inTarget_) {
            endTarget(row, false);
            inTarget_ = false;
        }
        return;
    }
    if (name == L"source" && (inSource_ || inAlternativeSource_ || isEmpty)) {
        if (inAlternativeSource_) {
            inAlternativeSource_ = false;
        } else if (!inAlternative_) {
            inSource_ = false;
            row.insertAt = std::max(row.insertAt, pastTag());
        }
        return;
    }
    if (name == L"seg-source" && !inAlternative_ && !inSource_ && !inTarget_) {
        row.insertAt = std::max(row.insertAt, pastTag());
        return;
    }
    if (name == L"alt-trans" && inAlternative_ && !inAlternativeSource_ && !inAlternativeTarget_) {
        inAlternative_ = false;
        return;
    }
    if (name == L"trans-unit" && !inSource_ && !inTarget_) {
        inUnit_ = inAlternative_ = false;
        return;
    }
    if (name == L"ph" && !isEmpty && insidePlaceholder_ > 0) {
        --insidePlaceholder_;
        return;
    }
    if (Segment* segment = textSegment()) {
        if (!isEmpty && name != L"ph") {
            appendSegmentEndTag(*segment, name, false);
        }
    }
}

void XliffParser::characterData(const std::wstring& text) {
    if (insidePlaceholder_ > 0) {
        return;
    }
    if (Segment* segment = textSegment()) {
        appendSegmentText(*segment, text);
    }
}

void XliffParser::cdata(const std::wstring& text) {
    Segment* segment = textSegment();
    if (segment == nullptr || insidePlaceholder_ > 0) {
        return;
    }
    if (!inAlternative_) {
        currentRow()->flags |= kRowCdata;
    }
    appendSegmentText(*segment, text);
}
