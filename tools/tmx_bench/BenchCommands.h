#pragma once

// The commands of tmx_bench that live in files of their own. Each takes the arguments after the
// command's name and returns the process exit code, or -1 for a usage error.

#include <cstdint>
#include <string>
#include <vector>

class TmxEntryProvider;

// filter IN.tmx OUT.tmx LANG [--remove-props]
int commandFilter(const std::vector<std::wstring>& args);

// export FILE.tmx LANG QUERIES.txt OUT [--max N]: the hits of the queries saved by the export job.
int commandExport(const std::vector<std::wstring>& args);

// document FILE [ROW TEXT]: lists the rows of a TTX or XLIFF document, or sets row ROW's
// target to the plain text TEXT and saves the document.
int commandDocument(const std::vector<std::wstring>& args);

// attributes COUNT: the time to read and list one element with COUNT attributes.
int commandAttributes(const std::vector<std::wstring>& args);

// Takes "--cancel-after MS" out of args; false when MS is missing or not a number.
bool takeCancelAfter(std::vector<std::wstring>& args, uint32_t& milliseconds, bool& given);
// Rebuilds the indexes of tmxFiles by loading path on a loader thread, stops the loader after
// the given time and prints how long the stop took, the load code, whether the thread had to be
// terminated and what was left beside the TMX files.
int runCancelledLoad(const std::wstring& path, const std::vector<std::wstring>& tmxFiles, uint32_t milliseconds);

// stages FILE.tmx [--reading]: the time of the index build's reading stages, each alone on one
// thread, then of a whole build (not with --reading).
int commandStages(const std::vector<std::wstring>& args);

// reopen FILE.tmx [--times N]: the time of each way of opening a current index, and of the load.
int commandReopen(const std::vector<std::wstring>& args);

// True for a path that names a group file (".plexa", any letter case).
bool isGroupPath(const std::wstring& path);
// index GROUP.plexa [--cancel-after MS]
int commandGroupIndex(const std::vector<std::wstring>& args);
// search GROUP.plexa LANG QUERIES.txt [--budget N] [--top K]
int commandGroupSearch(const std::vector<std::wstring>& args);

// The options after "search PATH LANG QUERIES.txt": --budget N and --top K.
struct SearchOptions {
    bool budgetGiven = false;
    uint32_t budget = 0;
    uint32_t top = 20;
};
bool parseSearchOptions(const std::vector<std::wstring>& args, SearchOptions& options);
// Runs every query of the file twice (warm-up, then timed) and prints a line per query and the
// percentiles.
int runSearchQueries(TmxEntryProvider& provider, const std::wstring& language,
                     const std::wstring& queriesPath, const SearchOptions& options);
