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
    int code = 0;
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

bool parseCount(const std::wstring& text, uint32_t& value) {
    if (text.empty())
        return false;
    uint64_t v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        v = v * 10 + static_cast<uint64_t>(c - L'0');
        if (v > 0xFFFFFFFFull)
            return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
}

std::vector<std::wstring> readLines(const std::wstring& path, bool& ok) {
    std::vector<std::wstring> lines;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ok = file != INVALID_HANDLE_VALUE;
    if (!ok)
        return lines;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string text = bytes.substr(start, end - start);
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (!text.empty())
            lines.push_back(bench::fromUtf8(text));
        start = end + 1;
    }
    return lines;
}

} // namespace

bool isGroupPath(const std::wstring& path) {
    return endsWith(L".plexa", toLowerCase(path));
}

int commandGroupIndex(const std::vector<std::wstring>& args) {
    if (args.size() != 1)
        return -1;
    const std::vector<std::wstring> members = memberPaths(args[0]);
    uint64_t tmxBytes = 0;
    for (const std::wstring& member : members) {
        DeleteFileW((member + L".idx").c_str());
        tmxBytes += bench::fileSize(member);
    }

    bench::PeakMemorySampler sampler;
    bench::Stopwatch watch;
    Opened opened = openThroughLoader(args[0]);
    const double buildUs = watch.microseconds();
    if (opened.code != 1) {
        bench::print("load_code", static_cast<uint64_t>(opened.code));
        return opened.code == 0 ? 1 : opened.code;
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
    if (reopened.code != 1) {
        bench::print("load_code", static_cast<uint64_t>(reopened.code));
        return reopened.code == 0 ? 1 : reopened.code;
    }
    bench::print("reopen_ms", bench::fixed(again.microseconds() / 1000, 2));
    return 0;
}

int commandGroupSearch(const std::vector<std::wstring>& args) {
    if (args.size() < 3)
        return -1;
    bool budgetGiven = false;
    uint32_t budget = 0;
    uint32_t top = 20;
    for (size_t i = 3; i < args.size(); ++i) {
        if (args[i] == L"--budget" && i + 1 < args.size() && parseCount(args[i + 1], budget)) {
            budgetGiven = true;
            ++i;
        } else if (args[i] == L"--top" && i + 1 < args.size() && parseCount(args[i + 1], top)) {
            ++i;
        } else {
            return -1;
        }
    }
    Opened opened = openThroughLoader(args[0]);
    if (opened.code != 1) {
        bench::print("load_code", static_cast<uint64_t>(opened.code));
        return opened.code == 0 ? 1 : opened.code;
    }
    TmxEntryProvider& group = *opened.provider;
    bool ok = false;
    const std::vector<std::wstring> queries = readLines(args[2], ok);
    if (!ok) {
        std::fprintf(stderr, "cannot read %s\n", bench::toUtf8(args[2]).c_str());
        return 2;
    }

    // The viewer's rule for the default "maxSearchResults" of 25.
    const uint32_t maximum = SearchQuery::budgetMaximum(25);
    struct Run {
        int candidates = 0;
        bool strong = false;
        double us = 0;
        SearchResults results;
    };
    auto runOne = [&](const std::wstring& query, Run& run) {
        const SearchQuery split = SearchQuery::split(query, maximum);
        run.strong = false;
        run.results.clear();
        bench::Stopwatch watch;
        run.candidates = group.search(args[1], split.includeWords, split.excludeWords,
                                      budgetGiven ? budget : split.perWordBudget, run.strong, run.results);
        run.results.ordered();
        run.us = watch.microseconds();
    };

    // One untimed pass first: the figures are for warm indexes and TMX views.
    for (const std::wstring& query : queries) {
        Run run;
        runOne(query, run);
    }
    std::vector<double> times;
    for (const std::wstring& query : queries) {
        Run run;
        runOne(query, run);
        times.push_back(run.us);
        std::string text = bench::toUtf8(query) + "\t" + std::to_string(run.candidates) + "\t" +
                           std::to_string(run.results.size()) + "\t" + (run.strong ? "true" : "false") +
                           "\t" + std::to_string(static_cast<uint64_t>(run.us));
        const size_t shown = std::min<size_t>(top, run.results.size());
        for (size_t i = 0; i < shown; ++i)
            text += "\t" + std::to_string(run.results[i].score) + ":" + std::to_string(run.results[i].entryId);
        bench::line(text);
    }
    std::sort(times.begin(), times.end());
    auto percentile = [&](double p) -> uint64_t {
        if (times.empty())
            return 0;
        const size_t at = static_cast<size_t>(p * static_cast<double>(times.size() - 1) + 0.5);
        return static_cast<uint64_t>(times[std::min(at, times.size() - 1)]);
    };
    bench::print("p50_us", percentile(0.50));
    bench::print("p95_us", percentile(0.95));
    bench::print("max_us", times.empty() ? 0 : static_cast<uint64_t>(times.back()));
    return 0;
}
