// tmx_bench: builds, reopens and searches the word index of a TMX file and prints what it measured
// as "key: value" lines. A developer tool; not shipped.
//
//   tmx_bench index FILE.tmx [--cancel-after MS]   (the stop: CancelCommand.cpp)
//   tmx_bench search FILE.tmx LANG QUERIES.txt [--budget N] [--top K]
//   tmx_bench entry FILE.tmx ID
//   tmx_bench reopen FILE.tmx [--times N]   (ReopenCommand.cpp)
//   tmx_bench filter IN.tmx OUT.tmx LANG [--remove-props]   (FilterCommand.cpp)
//   tmx_bench export FILE.tmx LANG QUERIES.txt OUT [--max N]   (ExportCommand.cpp)
//   tmx_bench index GROUP.plexa, tmx_bench search GROUP.plexa ...   (GroupCommands.cpp)
//   tmx_bench document FILE [ROW TEXT]   (DocumentCommand.cpp)
//   tmx_bench attributes COUNT   (AttributesCommand.cpp)

#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/SearchResults.h"
#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxFile.h"
#include "tools/tmx_bench/BenchCommands.h"
#include "tools/tmx_bench/BenchSupport.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace bench;

// The plain text of a segment: its text elements as they stand; tags and placeholders left out.
std::wstring plainText(const Segment& segment) {
    std::wstring text;
    for (const SegmentElement& e : segment) {
        if (static_cast<int>(e.kind) <= static_cast<int>(SegmentElementKind::Space))
            text += e.text;
    }
    return text;
}

// Loads the file (building the index when it is missing or stale); prints the code on failure.
bool loadOrReport(TmxFile& file, const std::wstring& path, int& code) {
    code = file.load(path);
    if (code == kLoaded)
        return true;
    print("load_code", static_cast<uint64_t>(code));
    return false;
}

int commandIndex(const std::vector<std::wstring>& arguments) {
    std::vector<std::wstring> args = arguments;
    uint32_t cancelAfter = 0;
    bool cancel = false;
    if (!takeCancelAfter(args, cancelAfter, cancel) || args.size() != 1)
        return -1;
    const std::wstring& path = args[0];
    if (cancel)
        return runCancelledLoad(path, {path}, cancelAfter);
    const std::wstring indexPath = path + L".idx";
    DeleteFileW(indexPath.c_str());

    int code = 0;
    uint32_t entries = 0;
    double buildUs = 0;
    double buildCpuUs = 0;
    // When each step of the rebuild began, from the start of the load.
    double stepUs[4] = {};
    PeakMemorySampler sampler;
    {
        TmxFile file;
        const double cpuBefore = processCpuMicroseconds();
        Stopwatch watch;
        file.setStepObserver([&](IndexBuildStep step) {
            if (step != IndexBuildStep::ChunkHandedOver)
                stepUs[static_cast<int>(step)] = watch.microseconds();
        });
        if (!loadOrReport(file, path, code))
            return code;
        buildUs = watch.microseconds();
        buildCpuUs = processCpuMicroseconds() - cpuBefore;
        entries = file.entryCount();
    }
    const uint64_t tmxBytes = fileSize(path);
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    print("tmx_bytes", tmxBytes);
    print("entries", entries);
    print("index_bytes", fileSize(indexPath));
    print("build_ms", static_cast<uint64_t>(buildUs / 1000));
    print("parse_end_ms", static_cast<uint64_t>(stepUs[static_cast<int>(IndexBuildStep::ParseEnded)] / 1000));
    print("write_start_ms", static_cast<uint64_t>(stepUs[static_cast<int>(IndexBuildStep::Writing)] / 1000));
    print("reopen_start_ms", static_cast<uint64_t>(stepUs[static_cast<int>(IndexBuildStep::Reopening)] / 1000));
    print("build_cpu_ms", static_cast<uint64_t>(buildCpuUs / 1000));
    print("build_mb_per_s", fixed(static_cast<double>(tmxBytes) / (1024.0 * 1024.0) / (buildUs / 1e6), 1));
    print("peak_memory_mb", fixed(static_cast<double>(sampler.peak()) / (1024.0 * 1024.0), 1));
    print("peak_working_set_mb", fixed(static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0), 1));

    TmxFile again;
    Stopwatch watch;
    if (!loadOrReport(again, path, code))
        return code;
    print("reopen_ms", fixed(watch.microseconds() / 1000, 2));
    return 0;
}

int commandSearch(const std::vector<std::wstring>& args) {
    if (args.size() < 3)
        return -1;
    SearchOptions options;
    if (!parseSearchOptions(args, options))
        return -1;
    TmxFile file;
    int code = 0;
    if (!loadOrReport(file, args[0], code))
        return code;
    return runSearchQueries(file, args[1], args[2], options);
}

int commandEntry(const std::vector<std::wstring>& args) {
    uint32_t id = 0;
    if (args.size() != 2 || !parseUnsigned(args[1], id))
        return -1;
    TmxFile file;
    int code = 0;
    if (!loadOrReport(file, args[0], code))
        return code;
    const TmxEntry* entry = file.readEntry(id);
    if (!entry) {
        std::fprintf(stderr, "entry %u cannot be read (the file has %u entries)\n", id, file.entryCount());
        return 2;
    }
    print("tu_offset", file.entryOffset(id));
    print("source_language", toUtf8(entry->sourceLanguage));
    print("source_text", toUtf8(plainText(findSegment(*entry, entry->sourceLanguage).segment)));
    for (const auto& item : entry->segments) {
        if (item.first == entry->sourceLanguage)
            continue;
        print("target_language", toUtf8(item.first));
        print("target_text", toUtf8(plainText(item.second.segment)));
    }
    return 0;
}

struct Command {
    const wchar_t* name;
    const char* usage;
    int (*run)(const std::vector<std::wstring>& args);
};

const Command kCommands[] = {
    {L"index", "index FILE.tmx [--cancel-after MS]", commandIndex},
    {L"search", "search FILE.tmx LANG QUERIES.txt [--budget N] [--top K]", commandSearch},
    {L"entry", "entry FILE.tmx ID", commandEntry},
    {L"stages", "stages FILE.tmx [--reading]", commandStages},
    {L"reopen", "reopen FILE.tmx [--times N]", commandReopen},
    {L"filter", "filter IN.tmx OUT.tmx LANG [--remove-props]", commandFilter},
    {L"export", "export FILE.tmx LANG QUERIES.txt OUT [--max N]", commandExport},
    {L"document", "document FILE.xlf|.sdlxliff|.ttx [ROW TEXT]", commandDocument},
    {L"attributes", "attributes COUNT", commandAttributes},
};

// index and search also take a group file.
const Command kGroupCommands[] = {
    {L"index", "index GROUP.plexa [--cancel-after MS]", commandGroupIndex},
    {L"search", "search GROUP.plexa LANG QUERIES.txt [--budget N] [--top K]", commandGroupSearch},
};

int usage() {
    std::fprintf(stderr, "usage:\n");
    for (const Command& c : kCommands)
        std::fprintf(stderr, "  tmx_bench %s\n", c.usage);
    for (const Command& c : kGroupCommands)
        std::fprintf(stderr, "  tmx_bench %s\n", c.usage);
    return 64;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return usage();
    const std::wstring name = argv[1];
    std::vector<std::wstring> args(argv + 2, argv + argc);
    if (!args.empty() && isGroupPath(args[0])) {
        for (const Command& c : kGroupCommands) {
            if (name == c.name) {
                const int code = c.run(args);
                std::fflush(stdout);
                return code < 0 ? usage() : code;
            }
        }
    }
    for (const Command& c : kCommands) {
        if (name == c.name) {
            const int code = c.run(args);
            std::fflush(stdout);
            return code < 0 ? usage() : code;
        }
    }
    return usage();
}
