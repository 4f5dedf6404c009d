// tmx_bench filter IN.tmx OUT.tmx LANG [--remove-props]: runs the streaming filter once and
// prints what it wrote, its speed and the process's peak memory.

#include "filter_tool/TmxFilter.h"
#include "tools/tmx_bench/BenchCommands.h"
#include "tools/tmx_bench/BenchSupport.h"

#include <cstdio>
#include <string>
#include <vector>

int commandFilter(const std::vector<std::wstring>& args) {
    if (args.size() < 3 || args.size() > 4)
        return -1;
    bool removeProps = false;
    if (args.size() == 4) {
        if (args[3] != L"--remove-props")
            return -1;
        removeProps = true;
    }
    bench::PeakMemorySampler sampler;
    const uint64_t before = sampler.peak();
    unsigned progressEvents = 0;
    bench::Stopwatch watch;
    const TmxFilterResult result =
        filterTmxFile(args[0], args[1], args[2], removeProps, [&](unsigned) { ++progressEvents; });
    const double us = watch.microseconds();
    if (!result.succeeded()) {
        bench::print("error_code", static_cast<uint64_t>(result.errorCode));
        bench::print("error", bench::toUtf8(result.errorMessage));
        return 2;
    }
    bench::print("units_written", static_cast<uint64_t>(result.unitsWritten));
    bench::print("input_bytes", result.inputBytes);
    bench::print("output_bytes", result.outputBytes);
    bench::print("filter_ms", static_cast<uint64_t>(us / 1000));
    bench::print("mb_per_s", bench::fixed(bench::megabytes(result.inputBytes) / (us / 1e6), 1));
    bench::print("progress_events", progressEvents);
    bench::print("peak_memory_mb", bench::fixed(bench::megabytes(sampler.peak()), 1));
    bench::print("start_memory_mb", bench::fixed(bench::megabytes(before), 1));
    return 0;
}
