// document FILE [ROW TEXT]: lists a bilingual document's rows, or sets one row's target to a
// plain text and saves the document.

#include "tmx_engine/Segment.h"
#include "tmx_engine/SegmentRenderer.h"
#include "tools/tmx_bench/BenchCommands.h"
#include "tools/tmx_bench/BenchSupport.h"
#include "viewer/documents/DocumentFactory.h"

#include <cstdio>
#include <memory>

namespace {

using namespace bench;

// One line per row: tabs and line breaks inside a text would break the columns.
std::wstring oneLine(const Segment& segment) {
    std::wstring text = renderSegmentText(segment, false, false);
    for (wchar_t& unit : text) {
        if (unit == L'\t' || unit == L'\r' || unit == L'\n')
            unit = L' ';
    }
    return text;
}

} // namespace

int commandDocument(const std::vector<std::wstring>& args) {
    if (args.size() != 1 && args.size() != 3)
        return -1;
    std::unique_ptr<TranslatableContentProvider> document = openTranslatableDocument(args[0]);
    if (!document) {
        line("error: not a TTX or XLIFF document (.ttx, .xlf, .sdlxliff)");
        return 1;
    }
    if (document->failed()) {
        line("error: the document cannot be read");
        return 1;
    }
    if (args.size() == 1) {
        Segment source;
        Segment target;
        for (int32_t row = 0; row < document->rowCount(); ++row) {
            document->getSource(row, source);
            document->getTarget(row, target);
            const uint32_t flags = (document->isTargetEdited(row) ? 1u : 0u) |
                                   (document->isTargetConfirmed(row) ? 2u : 0u) |
                                   (document->isRowUnusable(row) ? 4u : 0u);
            line(std::to_string(row) + "\t" + std::to_string(flags) + "\t" +
                 toUtf8(oneLine(source)) + "\t" + toUtf8(oneLine(target)));
        }
        print("rows", static_cast<uint64_t>(document->rowCount()));
        return 0;
    }
    uint32_t row = 0;
    if (!parseUnsigned(args[1], row) || row >= static_cast<uint32_t>(document->rowCount())) {
        line("error: no such row");
        return 1;
    }
    Segment target;
    appendSegmentText(target, args[2]);
    if (!document->setTarget(static_cast<int32_t>(row), target)) {
        line("error: the row has no source text and takes no target");
        return 1;
    }
    if (!document->save()) {
        line("error: the document could not be written (read-only, in use, or the disk is full)");
        return 1;
    }
    return 0;
}
