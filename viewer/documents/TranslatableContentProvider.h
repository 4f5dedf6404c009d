#pragma once

#include "tmx_engine/SegmentElement.h"

#include <cstdint>
#include <string>

// What the viewer sees of a bilingual document: rows of source and target segments with status
// flags, and targets that can be edited and saved back into the document. The class itself is
// the empty provider (a document that could not be opened); row operations answer false or
// nothing for a row outside 0 .. rowCount() - 1.
class TranslatableContentProvider {
public:
    TranslatableContentProvider() = default;
    virtual ~TranslatableContentProvider() = default;
    TranslatableContentProvider(const TranslatableContentProvider&) = delete;
    TranslatableContentProvider& operator=(const TranslatableContentProvider&) = delete;

    virtual bool failed() const { return true; }
    virtual std::wstring path() const { return std::wstring(); }
    // The language the document is translated into, as the document names it; empty when it
    // names none.
    virtual std::wstring targetLanguage() const { return std::wstring(); }
    virtual int32_t rowCount() const { return 0; }
    virtual bool isTargetEdited(int32_t row) const { return false; }
    virtual bool isTargetConfirmed(int32_t row) const { return false; }
    virtual bool isRowUnusable(int32_t row) const { return false; }
    virtual bool getSource(int32_t row, Segment& out) const { return false; }
    // The edited target when the row was edited (even when it is empty), else the target read.
    virtual bool getTarget(int32_t row, Segment& out) const { return false; }
    virtual bool setTarget(int32_t row, const Segment& target) { return false; }
    virtual bool clearTarget(int32_t row) { return false; }
    // Writes the edited targets into the document; false leaves the document as it was.
    virtual bool save() { return false; }

    // The one shared empty provider, which stands for "no document".
    static TranslatableContentProvider& empty();
};
