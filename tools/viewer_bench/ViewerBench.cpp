// viewer_bench: speed and memory of the results box and of the export of search results, printed
// as "key: value" lines. A developer tool; not shipped. Results are the file's entries in order
// (repeated when the file holds fewer), so any file made by tools/gen_tmx.py serves.
//
//   viewer_bench box FILE.tmx LANG COUNT...        fill, first paint, line down, page down, end
//   viewer_bench export FILE.tmx LANG COUNT OUT    export of COUNT results against a plain write
//   viewer_bench search FILE.tmx LANG QUERIES.txt   search job, fill and first paint per query
//   viewer_bench shot FILE LANG QUERY OUT.png [STYLE]   a searched and filled box as a picture

#include "core/util/FileUtils.h"
#include "core/util/Utf8.h"
#include "tmx_engine/SearchResults.h"
#include "tmx_engine/TmxFile.h"
#include "tmx_engine/TmxFileGroup.h"
#include "tools/tmx_bench/BenchSupport.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/WindowCapture.h"
#include "viewer/ExportResultsJob.h"
#include "viewer/TmxSearchJob.h"
#include "viewer/TmxViewerResultsBox.h"
#include "viewer/SearchSettings.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace bench;

bool loadFile(TmxFile& file, const std::wstring& path) {
    const LoadCode code = file.load(path);
    if (code != kLoaded) {
        print("load_code", static_cast<uint64_t>(code));
        return false;
    }
    print("entries", file.entryCount());
    return true;
}

SearchResults resultsOf(const TmxFile& file, uint32_t count) {
    SearchResults results;
    for (uint32_t i = 0; i < count; ++i)
        results.add(0, i % file.entryCount());
    return results;
}

// Pumps what is queued, so that paints run now.
void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

double paintNow(TmxViewerResultsBox& box) {
    Stopwatch watch;
    UpdateWindow(box.hwnd);
    return watch.microseconds();
}

// Milliseconds per scroll request, each followed by the paint it causes.
double scrollMs(TmxViewerResultsBox& box, int32_t request, int times) {
    Stopwatch watch;
    for (int i = 0; i < times; ++i) {
        box.scrollVertically(request, 0);
        UpdateWindow(box.hwnd);
    }
    return watch.microseconds() / 1000.0 / times;
}

// A shown form filled by a results box of 900 x 700.
struct BoxWindow {
    BoxWindow() : form(nullptr, 900, 700, winui::FormDefaultPosition), box(new TmxViewerResultsBox(&form)) {
        SetWindowPos(box->hwnd, nullptr, 0, 0, 900, 700, SWP_NOZORDER);
        ShowWindow(form.hwnd, SW_SHOWNOACTIVATE);
        pump();
    }
    ~BoxWindow() { box->clear(); }
    BoxWindow(const BoxWindow&) = delete;
    BoxWindow& operator=(const BoxWindow&) = delete;

    winui::Form form;
    TmxViewerResultsBox* box; // owned by the form
};

int commandBox(const std::vector<std::wstring>& args) {
    if (args.size() < 3)
        return -1;
    TmxFile file;
    if (!loadFile(file, args[0]) || file.entryCount() == 0)
        return 1;
    BoxWindow window;
    TmxViewerResultsBox& box = *window.box;
    for (size_t a = 2; a < args.size(); ++a) {
        uint32_t count = 0;
        if (!parseUnsigned(args[a], count) || count == 0)
            return -1;
        const SearchResults results = resultsOf(file, count);
        const uint64_t before = committedPrivateBytes();
        line("");
        print("results", count);

        Stopwatch fillWatch;
        box.fill(file.sourceLanguage().srcLang, args[1], &file, results, static_cast<int32_t>(count), L"the");
        const double fillUs = fillWatch.microseconds();
        const double firstPaintUs = paintNow(box);
        print("fill_ms", fixed(fillUs / 1000.0, 2));
        print("first_paint_ms", fixed(firstPaintUs / 1000.0, 2));

        print("line_down_ms", fixed(scrollMs(box, 1, 200), 3));
        print("page_down_ms", fixed(scrollMs(box, 3, 50), 3));
        print("jump_to_end_ms", fixed(scrollMs(box, 7, 1), 2));
        print("top_row", static_cast<uint64_t>(box.topRow));
        print("layouts_built", box.layoutsBuilt());
        print("layouts_kept", box.layoutCache().size());
        const uint64_t after = committedPrivateBytes();
        print("memory_growth_mb", fixed(megabytes(after > before ? after - before : 0), 1));
        pump();
    }
    return 0;
}

int commandExport(const std::vector<std::wstring>& args) {
    uint32_t count = 0;
    if (args.size() != 4 || !parseUnsigned(args[2], count) || count == 0)
        return -1;
    TmxFile file;
    if (!loadFile(file, args[0]) || file.entryCount() == 0)
        return 1;
    const SearchResults results = resultsOf(file, count);
    const uint64_t before = committedPrivateBytes();
    uint64_t bytes = 0;
    double exportUs = 0;
    {
        PeakMemorySampler peak;
        ExportResultsJob job(args[3], args[1], results.ordered(), &file);
        Stopwatch watch;
        job.run();
        exportUs = watch.microseconds();
        if (job.failed()) {
            print("export", "failed");
            return 1;
        }
        bytes = job.bytesWritten();
        print("entries_written", job.entriesWritten());
        print("bytes", bytes);
        print("export_ms", fixed(exportUs / 1000.0, 1));
        print("entries_per_s", fixed(job.entriesWritten() / (exportUs / 1e6), 0));
        print("export_mb_per_s", fixed(megabytes(bytes) / (exportUs / 1e6), 1));
        const uint64_t top = peak.peak();
        print("peak_growth_mb", fixed(megabytes(top > before ? top - before : 0), 1));
    }

    // The same number of bytes written plainly in 256 KiB blocks through the same replacing file.
    const std::wstring plainPath = args[3] + L".plain";
    std::vector<char> block(256 * 1024, 'x');
    Stopwatch plainWatch;
    ReplacementFile plain(plainPath);
    bool ok = plain.open();
    for (uint64_t left = bytes; ok && left > 0;) {
        const size_t n = static_cast<size_t>(left < block.size() ? left : block.size());
        ok = plain.writeBytes(block.data(), n);
        left -= n;
    }
    ok = ok && plain.commit();
    const double plainUs = plainWatch.microseconds();
    DeleteFileW(plainPath.c_str());
    if (!ok) {
        print("plain_write", "failed");
        return 1;
    }
    print("plain_write_ms", fixed(plainUs / 1000.0, 1));
    print("plain_mb_per_s", fixed(megabytes(bytes) / (plainUs / 1e6), 1));
    return 0;
}

// What Return costs: the search job, then the fill and the first paint of the box.
int commandSearch(const std::vector<std::wstring>& args) {
    if (args.size() != 3)
        return -1;
    bool ok = false;
    const std::vector<std::wstring> queries = readLines(args[2], ok);
    if (!ok)
        return -1;
    TmxFile file;
    if (!loadFile(file, args[0]))
        return 1;
    BoxWindow window;
    TmxViewerResultsBox& box = *window.box;
    double worstUs = 0;
    double totalUs = 0;
    for (const std::wstring& query : queries) {
        Stopwatch watch;
        TmxSearchJob job(args[1], &file, query, searchBudgetMaximum(kDefaultMaxSearchResults));
        job.run();
        const double searchUs = watch.microseconds();
        box.fill(file.sourceLanguage().srcLang, args[1], &file, job.results(), kDefaultMaxSearchResults, job.query());
        UpdateWindow(box.hwnd);
        const double allUs = watch.microseconds();
        line(toUtf8(query) + ": hits " + std::to_string(job.results().size()) + ", search_ms " +
             fixed(searchUs / 1000.0, 1) + ", to_painted_ms " + fixed(allUs / 1000.0, 1));
        totalUs += allUs;
        worstUs = allUs > worstUs ? allUs : worstUs;
        pump();
    }
    if (!queries.empty())
        print("mean_to_painted_ms", fixed(totalUs / 1000.0 / static_cast<double>(queries.size()), 1));
    print("worst_to_painted_ms", fixed(worstUs / 1000.0, 1));
    return 0;
}

int commandShot(const std::vector<std::wstring>& args) {
    if (args.size() != 4 && args.size() != 5)
        return -1;
    const std::wstring& path = args[0];
    std::unique_ptr<TmxEntryProvider> provider;
    if (path.size() > 6 && path.compare(path.size() - 6, 6, L".plexa") == 0)
        provider = std::make_unique<TmxFileGroup>();
    else
        provider = std::make_unique<TmxFile>();
    const LoadCode code = provider->load(path);
    if (code != kLoaded) {
        print("load_code", static_cast<uint64_t>(code));
        return 1;
    }
    TmxSearchJob job(args[1], provider.get(), args[2], searchBudgetMaximum(readMaxSearchResults()));
    job.run();
    print("hits", job.results().size());

    winui::Form form(nullptr, 720, 480, winui::FormDefaultPosition);
    if (winui::Style* style = winui::getStyle(args.size() == 5 ? args[4] : std::wstring(L"CX"))) {
        form.inheritStyle = false;
        form.setStyle(style);
    }
    TmxViewerResultsBox box(&form);
    SetWindowPos(box.hwnd, nullptr, 12, 12, 696, 456, SWP_NOZORDER);
    box.fill(provider->sourceLanguage().srcLang, args[1], provider.get(), job.results(),
             readMaxSearchResults(), job.query());
    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    pump();
    // A selection across the first runs of the first target row, as a drag makes it.
    if (const RowLayout* layout = box.rowLayout(1)) {
        if (layout->runs.size() > 2) {
            const winui::GridSpan row = box.rowBounds(1);
            const winui::Rect first = layout->runs[0].rect;
            const winui::Rect third = layout->runs[2].rect;
            box.onMouseDown(first.left + 2, row.start + first.top + 2, 0);
            box.onMouseMove(first.left + 8, row.start + first.top + 2);
            box.onMouseMove(third.left + 2, row.start + third.top + 2);
            box.onMouseUp(third.left + 2, row.start + third.top + 2, 0);
        }
    }
    pump();
    const bool written = winui::writeWindowPng(form.hwnd, args[3]);
    print("picture", written ? "written" : "failed");
    box.clear();
    return written ? 0 : 1;
}

void usage() {
    line("usage: viewer_bench box FILE.tmx LANG COUNT...");
    line("       viewer_bench export FILE.tmx LANG COUNT OUT");
    line("       viewer_bench search FILE.tmx LANG QUERIES.txt");
    line("       viewer_bench shot FILE LANG QUERY OUT.png [STYLE]");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    const std::wstring command = argv[1];
    const std::vector<std::wstring> args(argv + 2, argv + argc);
    int code = -1;
    if (command == L"box")
        code = commandBox(args);
    else if (command == L"export")
        code = commandExport(args);
    else if (command == L"search")
        code = commandSearch(args);
    else if (command == L"shot")
        code = commandShot(args);
    if (code < 0) {
        usage();
        return 2;
    }
    return code;
}
