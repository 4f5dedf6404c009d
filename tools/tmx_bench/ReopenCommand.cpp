// reopen FILE.tmx [--times N]: what opening a current index costs, step by step. The index is
// built first when it is missing or stale; then each way of opening it runs N times (default 20)
// and the fastest and the median time are printed.

#include "tmx_engine/TmxFile.h"
#include "tmx_engine/TmxIndex.h"
#include "tools/tmx_bench/BenchCommands.h"
#include "tools/tmx_bench/BenchSupport.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace bench;

// Runs open N times; false when one of them fails.
bool timeOpen(const char* name, uint32_t times, const std::function<bool()>& open) {
    std::vector<double> ms;
    for (uint32_t i = 0; i < times; ++i) {
        Stopwatch watch;
        if (!open()) {
            print(name, std::string("failed"));
            return false;
        }
        ms.push_back(watch.microseconds() / 1000);
    }
    std::sort(ms.begin(), ms.end());
    print((std::string(name) + "_min_ms").c_str(), fixed(ms.front(), 2));
    print((std::string(name) + "_median_ms").c_str(), fixed(ms[ms.size() / 2], 2));
    return true;
}

} // namespace

int commandReopen(const std::vector<std::wstring>& args) {
    uint32_t times = 20;
    if (args.size() == 3 && args[1] == L"--times") {
        if (!parseUnsigned(args[2], times) || times == 0)
            return -1;
    } else if (args.size() != 1) {
        return -1;
    }
    const std::wstring& path = args[0];
    const std::wstring indexPath = path + L".idx";
    {
        TmxFile first;
        const int code = first.load(path);
        if (code != kLoaded) {
            print("load_code", static_cast<uint64_t>(code));
            return code;
        }
        print("entries", first.entryCount());
    }
    const uint64_t tmxSize = fileSize(path);
    print("tmx_bytes", tmxSize);
    print("index_bytes", fileSize(indexPath));
    print("full_check_limit_bytes", TmxIndex::kDefaultFullCheckLimit);

    // The header alone: what the date check reads.
    const bool ok =
        timeOpen("header", times, [&] {
            TmxIndex index;
            return index.open(indexPath, true);
        }) &&
        // What a load opens: header, languages, entry table, bucket roots and, up to the limit,
        // every node.
        timeOpen("index", times, [&] {
            TmxIndex index;
            index.setTmxSize(tmxSize);
            return index.open(indexPath, false);
        }) &&
        // Every node checked whatever the size.
        timeOpen("index_every_node", times, [&] {
            TmxIndex index;
            index.setTmxSize(tmxSize);
            index.setFullCheckLimit(UINT64_MAX);
            return index.open(indexPath, false);
        }) &&
        // The whole load of the current index: the date check, the open and the TMX file's mapping.
        timeOpen("load", times, [&] {
            TmxFile file;
            return file.load(path) == kLoaded;
        });
    return ok ? 0 : 1;
}
