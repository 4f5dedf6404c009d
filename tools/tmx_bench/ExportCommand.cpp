// tmx_bench export FILE.tmx LANG QUERIES.txt OUT [--max N]: searches each query of the file as the
// viewer does and saves the hits, each unit once and in the order found, at most N of them (300
// when not given), with the viewer's export job: as TMX when OUT ends in ".tmx", else as text.
// Prints how many units were written; a tool for checking the export on real memories.

#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/SearchResults.h"
#include "tmx_engine/TmxFile.h"
#include "tools/tmx_bench/BenchCommands.h"
#include "tools/tmx_bench/BenchSupport.h"
#include "viewer/ExportResultsJob.h"

#include <cstdio>
#include <set>
#include <string>
#include <vector>

int commandExport(const std::vector<std::wstring>& args) {
    uint32_t maximum = 300;
    if (args.size() == 6) {
        if (args[4] != L"--max" || !bench::parseUnsigned(args[5], maximum))
            return -1;
    } else if (args.size() != 4) {
        return -1;
    }
    bool ok = false;
    const std::vector<std::wstring> queries = bench::readLines(args[2], ok);
    if (!ok) {
        std::fprintf(stderr, "cannot read %s\n", toUtf8(args[2]).c_str());
        return 2;
    }
    TmxFile file;
    const LoadCode code = file.load(args[0]);
    if (code != kLoaded) {
        bench::print("load_code", static_cast<uint64_t>(code));
        return code;
    }
    std::vector<SearchResult> hits;
    std::set<uint32_t> seen;
    for (const std::wstring& query : queries) {
        const SearchQuery split = SearchQuery::split(query, SearchQuery::budgetMaximum(static_cast<int32_t>(maximum)));
        bool strong = false;
        SearchResults results;
        file.search(args[1], split.includeWords, split.excludeWords, split.perWordBudget, strong, results);
        for (const SearchResult& r : results) {
            if (hits.size() < maximum && seen.insert(r.entryId).second)
                hits.push_back(r);
        }
    }
    ExportResultsJob job(args[3], args[1], hits, &file);
    job.run();
    if (job.failed()) {
        std::fprintf(stderr, "the export failed\n");
        return 2;
    }
    bench::print("hits", static_cast<uint64_t>(hits.size()));
    bench::print("entries_written", job.entriesWritten());
    bench::print("bytes_written", job.bytesWritten());
    return 0;
}
