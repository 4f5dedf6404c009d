// The search loop shared by "search FILE.tmx" and "search GROUP.plexa": both run through the
// provider interface, so a file and a group are measured the same way.

#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/SearchResults.h"
#include "tmx_engine/TmxEntryProvider.h"
#include "tools/tmx_bench/BenchCommands.h"
#include "tools/tmx_bench/BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

bool parseSearchOptions(const std::vector<std::wstring>& args, SearchOptions& options) {
    for (size_t i = 3; i < args.size(); ++i) {
        if (args[i] == L"--budget" && i + 1 < args.size() && bench::parseUnsigned(args[i + 1], options.budget)) {
            options.budgetGiven = true;
            ++i;
        } else if (args[i] == L"--top" && i + 1 < args.size() && bench::parseUnsigned(args[i + 1], options.top)) {
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

int runSearchQueries(TmxEntryProvider& provider, const std::wstring& language,
                     const std::wstring& queriesPath, const SearchOptions& options) {
    bool ok = false;
    const std::vector<std::wstring> queries = bench::readLines(queriesPath, ok);
    if (!ok) {
        std::fprintf(stderr, "cannot read %s\n", toUtf8(queriesPath).c_str());
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
        run.candidates = provider.search(language, split.includeWords, split.excludeWords,
                                         options.budgetGiven ? options.budget : split.perWordBudget,
                                         run.strong, run.results);
        run.results.ordered();  // settling the order is part of the search's cost
        run.us = watch.microseconds();
    };

    // One untimed pass first: the figures are for a warm index and TMX view.
    for (const std::wstring& query : queries) {
        Run run;
        runOne(query, run);
    }
    std::vector<double> times;
    for (const std::wstring& query : queries) {
        Run run;
        runOne(query, run);
        times.push_back(run.us);
        std::string text = toUtf8(query) + "\t" + std::to_string(run.candidates) + "\t" +
                           std::to_string(run.results.size()) + "\t" + (run.strong ? "true" : "false") +
                           "\t" + std::to_string(static_cast<uint64_t>(run.us));
        const size_t shown = std::min<size_t>(options.top, run.results.size());
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
