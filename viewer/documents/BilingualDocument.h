#pragma once

#include "core/util/Win32Handle.h"
#include "viewer/documents/DocumentRow.h"
#include "viewer/documents/TranslatableContentProvider.h"

#include <string>
#include <vector>

class XmlFileStream;

// The part that TTX and XLIFF documents share: the rows, the read handle that keeps other
// programs from changing the document while it is open, and the save, which copies the
// document's own bytes and replaces only the content of edited targets.
class BilingualDocument : public TranslatableContentProvider {
public:
    ~BilingualDocument() override;

    bool failed() const override { return failed_; }
    std::wstring path() const override { return path_; }
    int32_t rowCount() const override { return static_cast<int32_t>(rows_.size()); }
    bool isTargetEdited(int32_t row) const override;
    bool isTargetConfirmed(int32_t row) const override;
    bool isRowUnusable(int32_t row) const override;
    bool getSource(int32_t row, Segment& out) const override;
    bool getTarget(int32_t row, Segment& out) const override;
    // Refuses a row without source text, which a save could not place, and a row flagged
    // unusable.
    bool setTarget(int32_t row, const Segment& target) override;
    // Sets an empty target: the row is marked as edited and keeps its other flags; refuses the
    // rows that setTarget refuses.
    bool clearTarget(int32_t row) override;
    // Writes the document anew beside itself, reads that file back, and only when it holds the
    // same rows with every edited target moves it into place; the rows and byte positions are
    // then those of the new bytes. A save writes every edit or fails: on failure the document
    // is as it was, nothing is left beside it, and the rows keep their edits.
    bool save() override;

    int32_t encoding() const { return encoding_; }
    const DocumentRow* row(int32_t index) const;

protected:
    explicit BilingualDocument(std::wstring path);
    // Opens the document and reads it; called by the derived constructor.
    void open();
    // Reads the whole document into rows; false when it cannot be parsed.
    virtual bool parse(XmlFileStream& stream, std::vector<DocumentRow>& rows) = 0;
    // The start and end tags of a target element for a row that has none.
    virtual std::wstring newTargetStartTag(const DocumentRow& row) const = 0;
    virtual std::wstring newTargetEndTag(const DocumentRow& row) const = 0;

private:
    // Reads a file (the document or a new one beside it) whole, in the expected encoding (0:
    // detect) unless a byte-order mark says otherwise.
    bool read(const std::wstring& path, int32_t expectedEncoding, std::vector<DocumentRow>& rows,
              int32_t& encoding, int64_t& size);
    bool writeDocument(class ReplacementFile& out);
    // Whether rows read from a newly written file are these rows with their edits applied.
    bool readsAsSaved(const std::vector<DocumentRow>& written) const;
    const DocumentRow* rowAt(int32_t row) const;
    DocumentRow* editableRow(int32_t row);

    std::wstring path_;
    bool failed_ = true;
    std::vector<DocumentRow> rows_;
    int32_t encoding_ = 0;
    int64_t size_ = 0;
    FileHandle readHandle_;
};
