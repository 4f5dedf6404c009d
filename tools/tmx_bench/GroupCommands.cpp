// tmx_bench index and search on a .plexa group: the group is opened as the viewer opens it,
// through the loader thread, and searched through the group's provider.

#include "core/util/StringUtils.h"
#include "core/xml/XmlFileStream.h"
#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/SearchResults.h"
#include "tmx_engine/TmxEntryProvider.h"
#include "tmx_engine/TmxFileGroupParser.h"
#include "tmx_engine/TmxFileLoaderThread.h"
#include "tools/tmx_bench/BenchCommands.h"
#include "tools/tmx_bench/BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// The members' paths as the group resolves them; empty when the group file cannot be read.
std::vector<std::wstring> memberPaths(const std::wstring& groupPath) {
    XmlFileStream stream(groupPath);
    TmxFileGroupParser parser;
    std::vector<std::wstring> paths;
    if (stream.hadError() || !parser.parse(stream))
        return paths;
    for (const std::wstring& path : parser.paths())
        paths.push_back(resolveGroupMemberPath(path, getDirectory(groupPath)));
    return paths;
}

struct Opened {
    LoadCode code = kLoadNotEnded;
    std::unique_ptr<TmxEntryProvider> provider;
    int polls = 0;
    int highestProgress = 0;
};

// Opens a path on a loader thread at the highest priority and polls it until it ends.
Opened openThroughLoader(const std::wstring& path) {
    Opened opened;
    TmxFileLoaderThread loader(path);
    SetThreadPriority(loader.handle(), THREAD_PRIORITY_HIGHEST);
    loader.start();
    while (WaitForSingleObject(loader.handle(), 50) == WAIT_TIMEOUT) {
        ++opened.polls;
        opened.highestProgress = std::max(opened.highestProgress, loader.loadProgress());
    }
    opened.code = loader.resultCode();
    opened.provider = loader.takeProvider();
    return opened;
}

} // namespace

bool isGroupPath(const std::wstring& path) {
    return endsWith(L".plexa", toLowerCase(path));
}

int commandGroupIndex(const std::vector<std::wstring>& arguments) {
    std::vector<std::wstring> args = arguments;
    uint32_t cancelAfter = 0;
    bool cancel = false;
    if (!takeCancelAfter(args, cancelAfter, cancel) || args.size() != 1)
        return -1;
    const std::vector<std::wstring> members = memberPaths(args[0]);
    if (cancel)
        return runCancelledLoad(args[0], members, cancelAfter);
    uint64_t tmxBytes = 0;
    for (const std::wstring& member : members) {
        DeleteFileW((member + L".idx").c_str());
        tmxBytes += bench::fileSize(member);
    }

    bench::PeakMemorySampler sampler;
    bench::Stopwatch watch;
    Opened opened = openThroughLoader(args[0]);
    const double buildUs = watch.microseconds();
    if (opened.code != kLoaded) {
        bench::print("load_code", static_cast<uint64_t>(opened.code));
        return opened.code == kLoadNotEnded ? 1 : opened.code;
    }
    uint64_t indexBytes = 0;
    for (const std::wstring& member : members)
        indexBytes += bench::fileSize(member + L".idx");
    bench::print("members", static_cast<uint64_t>(opened.provider->fileCount()));
    bench::print("tmx_bytes", tmxBytes);
    bench::print("entries", opened.provider->entryCount());
    bench::print("index_bytes", indexBytes);
    bench::print("build_ms", static_cast<uint64_t>(buildUs / 1000));
    bench::print("build_mb_per_s", bench::fixed(bench::megabytes(tmxBytes) / (buildUs / 1e6), 1));
    bench::print("progress_polls", static_cast<uint64_t>(opened.polls));
    bench::print("highest_progress", static_cast<uint64_t>(opened.highestProgress));
    opened.provider.reset();
    bench::print("peak_memory_mb", bench::fixed(bench::megabytes(sampler.peak()), 1));

    bench::Stopwatch again;
    Opened reopened = openThroughLoader(args[0]);
    if (reopened.code != kLoaded) {
        bench::print("load_code", static_cast<uint64_t>(reopened.code));
        return reopened.code == kLoadNotEnded ? 1 : reopened.code;
    }
    bench::print("reopen_ms", bench::fixed(again.microseconds() / 1000, 2));
    return 0;
}

int commandGroupSearch(const std::vector<std::wstring>& args) {
    if (args.size() < 3)
        return -1;
    SearchOptions options;
    if (!parseSearchOptions(args, options))
        return -1;
    Opened opened = openThroughLoader(args[0]);
    if (opened.code != kLoaded) {
        bench::print("load_code", static_cast<uint64_t>(opened.code));
        return opened.code == kLoadNotEnded ? 1 : opened.code;
    }
    return runSearchQueries(*opened.provider, args[1], args[2], options);
}
