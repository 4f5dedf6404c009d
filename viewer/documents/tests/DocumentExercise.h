#pragma once

// What a user does with a document, run against any bytes: open it, edit its rows, save, and
// read it back. Damaged input may be refused at any step, but never at the cost of the file:
// a failed save leaves every byte as it was, and a save that succeeds reads back with the edits.

#include "core/tests/TestFiles.h"
#include "tmx_engine/Segment.h"
#include "tmx_engine/SegmentRenderer.h"
#include "viewer/documents/BilingualDocument.h"
#include "viewer/documents/DocumentFactory.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace doctest {

struct DocumentRun {
    bool opened = false;
    bool saved = false;
    // Empty unless the run found a fault: what went wrong.
    std::string fault;
};

inline std::wstring editText(int32_t row) {
    return L"Schlie\u00DFen! " + std::to_wstring(row);
}

inline bool isValidUtf8(const std::string& bytes) {
    return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

// Writes bytes to name in the folder, which must hold nothing else, and works the document
// there. At most maxEdits usable rows are edited.
inline DocumentRun exerciseDocument(const testfiles::TempDir& dir, const std::wstring& name,
                                    const std::string& bytes, int32_t maxEdits = 8) {
    DocumentRun run;
    const std::wstring path = dir.file(name);
    if (!testfiles::writeText(path, bytes)) {
        run.fault = "fixture not written";
        return run;
    }
    std::unique_ptr<TranslatableContentProvider> document = openTranslatableDocument(path);
    if (!document) {
        run.fault = "no provider";
        return run;
    }
    int32_t encoding = 0;
    if (auto* bilingual = dynamic_cast<BilingualDocument*>(document.get()))
        encoding = bilingual->encoding();
    run.opened = !document->failed();
    std::vector<int32_t> edited;
    for (int32_t row = 0; run.opened && row < document->rowCount() &&
                          static_cast<int32_t>(edited.size()) < maxEdits; ++row) {
        Segment target;
        appendSegmentText(target, editText(row));
        if (!document->setTarget(row, target))
            continue;
        if (document->isRowUnusable(row))
            run.fault = "an unusable row took an edit";
        edited.push_back(row);
    }
    const int32_t rows = document->rowCount();
    run.saved = document->save();
    if (!run.opened && run.saved)
        run.fault = "a document that did not open was saved";
    const std::string after = testfiles::readText(path);
    if (!run.saved && after != bytes)
        run.fault = "a failed save changed the document";
    if (dir.names().size() != 1)
        run.fault = "a file was left beside the document";
    if (!run.saved || !run.fault.empty())
        return run;
    // Saved: the document reads back with its rows and every edit, in its own encoding.
    std::unique_ptr<TranslatableContentProvider> reopened = openTranslatableDocument(path);
    if (!reopened || reopened->failed()) {
        run.fault = "a saved document does not open again";
        return run;
    }
    if (reopened->rowCount() != rows) {
        run.fault = "a saved document has other rows";
        return run;
    }
    if (encoding == 3 && isValidUtf8(bytes.substr(bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0)) &&
        !isValidUtf8(after)) {
        run.fault = "a UTF-8 document is no longer valid UTF-8";
        return run;
    }
    for (int32_t row : edited) {
        Segment target;
        reopened->getTarget(row, target);
        if (renderSegmentText(target, false, false) != editText(row)) {
            run.fault = "an edit reported as saved does not read back";
            break;
        }
    }
    return run;
}

} // namespace doctest
