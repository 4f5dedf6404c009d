#include "viewer/documents/BilingualDocument.h"

#include "core/util/FileUtils.h"
#include "core/util/StringUtils.h"
#include "core/xml/XmlFileStream.h"
#include "tmx_engine/Segment.h"
#include "tmx_engine/SegmentRenderer.h"
#include "viewer/documents/DocumentEncoding.h"

#include <algorithm>
#include <new>

namespace {

// Positions are kept by the reader in 32 bits.
constexpr int64_t kMaxDocumentBytes = 0x7FFFFFFF;
constexpr DWORD kCopyBlockBytes = 64 * 1024;

FileHandle openForReading(const std::wstring& path) {
    // Others may read the document while it is open, but not change it.
    return FileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_READONLY, nullptr));
}

bool writeText(ReplacementFile& out, const std::wstring& text, int32_t encoding) {
    std::string bytes;
    appendEncodedText(bytes, text, encoding);
    return out.writeBytes(bytes.data(), bytes.size());
}

} // namespace

TranslatableContentProvider& TranslatableContentProvider::empty() {
    static TranslatableContentProvider provider;
    return provider;
}

void markUnusableRow(DocumentRow& row) {
    if (row.source.empty() || row.source.size() > kMaxRowElements ||
        row.target.size() > kMaxRowElements || !checkTagPairing(row.source) ||
        !checkTagPairing(row.target)) {
        row.flags |= kRowUnusable;
    }
}

BilingualDocument::BilingualDocument(std::wstring path) : path_(std::move(path)) {}

BilingualDocument::~BilingualDocument() = default;

void BilingualDocument::open() {
    readHandle_ = openForReading(path_);
    // Read once in the encoding the detection finds (the declaration's, when there is one);
    // every later reading (a save's check, the rows after it) keeps that encoding, which an
    // edit could otherwise tip the other way.
    failed_ = !readHandle_ || !read(path_, kXmlEncodingNone, rows_, encoding_, size_);
    if (failed_) {
        rows_.clear();
    }
}

bool BilingualDocument::read(const std::wstring& path, int32_t expectedEncoding,
                             std::vector<DocumentRow>& rows, int32_t& encoding, int64_t& size) {
    Win32Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER length;
    if (!file || !GetFileSizeEx(file.get(), &length) || length.QuadPart > kMaxDocumentBytes ||
        length.QuadPart < 2) {
        return false;
    }
    file.reset();
    try {
        XmlFileStream stream(path, expectedEncoding);
        if (stream.hadError()) {
            return false;
        }
        std::vector<DocumentRow> parsed;
        if (!parse(stream, parsed)) {
            return false;
        }
        for (DocumentRow& row : parsed) {
            markUnusableRow(row);
        }
        encoding = stream.encoding();
        size = length.QuadPart;
        rows = std::move(parsed);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

const DocumentRow* BilingualDocument::rowAt(int32_t row) const {
    return row >= 0 && row < rowCount() ? &rows_[static_cast<size_t>(row)] : nullptr;
}

const DocumentRow* BilingualDocument::row(int32_t index) const {
    return rowAt(index);
}

bool BilingualDocument::isTargetEdited(int32_t row) const {
    const DocumentRow* r = rowAt(row);
    return r != nullptr && (r->flags & kRowTargetEdited) != 0;
}

bool BilingualDocument::isTargetConfirmed(int32_t row) const {
    const DocumentRow* r = rowAt(row);
    return r != nullptr && (r->flags & kRowTargetConfirmed) != 0;
}

bool BilingualDocument::isRowUnusable(int32_t row) const {
    const DocumentRow* r = rowAt(row);
    return r != nullptr && (r->flags & kRowUnusable) != 0;
}

bool BilingualDocument::getSource(int32_t row, Segment& out) const {
    const DocumentRow* r = rowAt(row);
    if (r == nullptr) {
        return false;
    }
    out = r->source;
    return true;
}

bool BilingualDocument::getTarget(int32_t row, Segment& out) const {
    const DocumentRow* r = rowAt(row);
    if (r == nullptr) {
        return false;
    }
    out = (r->flags & kRowTargetEdited) != 0 ? r->editedTarget : r->target;
    return true;
}

// A row that can take an edit: one with source text, which a save can place, and not unusable.
DocumentRow* BilingualDocument::editableRow(int32_t row) {
    const DocumentRow* r = rowAt(row);
    if (r == nullptr || r->source.empty() || (r->flags & kRowUnusable) != 0) {
        return nullptr;
    }
    return &rows_[static_cast<size_t>(row)];
}

bool BilingualDocument::setTarget(int32_t row, const Segment& target) {
    DocumentRow* editable = editableRow(row);
    if (editable == nullptr) {
        return false;
    }
    editable->editedTarget = target;
    editable->flags |= kRowTargetEdited;
    return true;
}

// An emptied target is an edit like any other.
bool BilingualDocument::clearTarget(int32_t row) {
    DocumentRow* editable = editableRow(row);
    if (editable == nullptr) {
        return false;
    }
    editable->editedTarget.clear();
    editable->flags |= kRowTargetEdited;
    return true;
}

// Copies the document's bytes [from, to) through the read handle.
static bool copyRange(HANDLE file, int64_t from, int64_t to, ReplacementFile& out) {
    LARGE_INTEGER offset;
    offset.QuadPart = from;
    if (!SetFilePointerEx(file, offset, nullptr, FILE_BEGIN)) {
        return false;
    }
    std::vector<char> block(kCopyBlockBytes);
    while (from < to) {
        const DWORD want = static_cast<DWORD>(std::min<int64_t>(to - from, kCopyBlockBytes));
        DWORD got = 0;
        if (!ReadFile(file, block.data(), want, &got, nullptr) || got != want ||
            !out.writeBytes(block.data(), got)) {
            return false;
        }
        from += got;
    }
    return true;
}

bool BilingualDocument::writeDocument(ReplacementFile& out) {
    const HANDLE file = readHandle_.get();
    const int32_t unitBytes = markupUnitBytes(encoding_);
    int64_t copied = 0;
    for (const DocumentRow& r : rows_) {
        if ((r.flags & kRowTargetEdited) == 0 || r.source.empty()) {
            continue;
        }
        const std::string content =
            encodeTargetContent(r.editedTarget, (r.flags & kRowCdata) != 0, encoding_);
        if (r.hasTarget()) {
            if (r.targetSelfClosing) {
                // <t a="b"/> becomes <t a="b">content</t>: the tag's own bytes but its "/>".
                if (!copyRange(file, copied, r.targetEnd - 2 * unitBytes, out) ||
                    !writeText(out, L">", encoding_) ||
                    !out.writeBytes(content.data(), content.size()) ||
                    !writeText(out, L"</" + r.targetName + L">", encoding_)) {
                    return false;
                }
                copied = r.targetEnd;
            } else {
                if (!copyRange(file, copied, r.targetContentStart, out) ||
                    !out.writeBytes(content.data(), content.size())) {
                    return false;
                }
                copied = r.targetContentEnd;
            }
        } else if (r.insertAt != kNoPosition) {
            if (!copyRange(file, copied, r.insertAt, out) ||
                !writeText(out, newTargetStartTag(r), encoding_) ||
                !out.writeBytes(content.data(), content.size()) ||
                !writeText(out, newTargetEndTag(r), encoding_)) {
                return false;
            }
            copied = r.insertAt;
        } else {
            // Nowhere to put it: the save fails rather than drop the edit.
            return false;
        }
    }
    return copyRange(file, copied, size_, out);
}

namespace {

std::wstring plainText(const Segment& segment) {
    return renderSegmentText(segment, false, false);
}

// What a row's target reads as once the save has written it.
std::wstring writtenTargetText(const DocumentRow& row) {
    if ((row.flags & kRowTargetEdited) == 0 || row.source.empty()) {
        return plainText(row.target);
    }
    return (row.flags & kRowCdata) != 0 ? targetCdataText(row.editedTarget)
                                        : plainText(row.editedTarget);
}

} // namespace

bool BilingualDocument::readsAsSaved(const std::vector<DocumentRow>& written) const {
    if (written.size() != rows_.size()) {
        return false;
    }
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (plainText(written[i].source) != plainText(rows_[i].source) ||
            plainText(written[i].target) != writtenTargetText(rows_[i])) {
            return false;
        }
    }
    return true;
}

bool BilingualDocument::save() {
    if (failed_) {
        return false;
    }
    try {
        ReplacementFile out(path_);
        if (!out.open() || !writeDocument(out)) {
            out.abandon();
            return false;
        }
        // The new file must read back, in the document's encoding, with the same rows and the
        // new targets before it may take the document's place; otherwise the document stays.
        std::vector<DocumentRow> written;
        int32_t writtenEncoding = 0;
        int64_t writtenSize = 0;
        if (!read(out.temporaryPath(), encoding_, written, writtenEncoding, writtenSize) ||
            writtenEncoding != encoding_ || !readsAsSaved(written)) {
            out.abandon();
            return false;
        }
        // The document is held without delete sharing: let go of it for the move.
        readHandle_.reset();
        const bool replaced = out.commit();
        readHandle_ = openForReading(path_);
        if (!replaced) {
            // The document is as it was; the rows keep their edits for another try.
            return false;
        }
        // The rows as read from the new bytes, which are now the document's.
        rows_ = std::move(written);
        size_ = writtenSize;
        failed_ = !readHandle_;
        if (failed_) {
            rows_.clear();
        }
        return !failed_;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
