// tmx_bench: builds, reopens and searches the word index of a TMX file and prints what it measured
// as "key: value" lines. A developer tool; not shipped.
//
//   tmx_bench index FILE.tmx
//   tmx_bench search FILE.tmx LANG QUERIES.txt [--budget N] [--top K]
//   tmx_bench entry FILE.tmx ID
//   tmx_bench filter IN.tmx OUT.tmx LANG [--remove-props]   (FilterCommand.cpp)
//   tmx_bench index GROUP.plexa, tmx_bench search GROUP.plexa ...   (GroupCommands.cpp)

#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/SearchResults.h"
#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxFile.h"
#include "tools/tmx_bench/BenchCommands.h"

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

std::string toUtf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

void out(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

void print(const char* key, const std::string& value) {
    out(std::string(key) + ": " + value);
}

void print(const char* key, uint64_t value) {
    print(key, std::to_string(value));
}

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

class Stopwatch {
public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double microseconds() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) * 1e6 / static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_;
    LARGE_INTEGER start_;
};

uint64_t fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

PROCESS_MEMORY_COUNTERS_EX memoryCounters() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters;
}

// Committed private bytes, summed over the address space.
uint64_t committedPrivateBytes() {
    uint64_t total = 0;
    MEMORY_BASIC_INFORMATION info;
    const uint8_t* at = nullptr;
    while (VirtualQuery(at, &info, sizeof info) == sizeof info) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        const uint8_t* next = static_cast<const uint8_t*>(info.BaseAddress) + info.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    return total;
}

// Some hosts (Wine among them) do not keep the peak of the private-bytes counter, so a thread also
// samples the committed private memory every few milliseconds and keeps the largest figure.
class PeakPrivateSampler {
public:
    PeakPrivateSampler() {
        stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, &PeakPrivateSampler::run, this, 0, nullptr);
    }
    ~PeakPrivateSampler() {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(stop_);
    }
    PeakPrivateSampler(const PeakPrivateSampler&) = delete;
    PeakPrivateSampler& operator=(const PeakPrivateSampler&) = delete;

    // The peak private bytes so far: the larger of the system's counter and the samples.
    uint64_t peak() {
        sample();
        const uint64_t counter = memoryCounters().PeakPagefileUsage;
        const uint64_t sampled = peak_.load();
        return counter > sampled ? counter : sampled;
    }

private:
    static DWORD WINAPI run(void* self) {
        auto* sampler = static_cast<PeakPrivateSampler*>(self);
        while (WaitForSingleObject(sampler->stop_, 5) == WAIT_TIMEOUT)
            sampler->sample();
        return 0;
    }
    void sample() {
        const uint64_t now = committedPrivateBytes();
        uint64_t seen = peak_.load();
        while (now > seen && !peak_.compare_exchange_weak(seen, now)) {
        }
    }

    HANDLE stop_;
    HANDLE thread_;
    std::atomic<uint64_t> peak_{0};
};

bool parseUnsigned(const std::wstring& text, uint32_t& value) {
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
    if (code == 1)
        return true;
    print("load_code", static_cast<uint64_t>(code));
    return false;
}

int commandIndex(const std::vector<std::wstring>& args) {
    if (args.size() != 1)
        return -1;
    const std::wstring& path = args[0];
    const std::wstring indexPath = path + L".idx";
    DeleteFileW(indexPath.c_str());

    int code = 0;
    uint32_t entries = 0;
    double buildUs = 0;
    PeakPrivateSampler sampler;
    {
        TmxFile file;
        Stopwatch watch;
        if (!loadOrReport(file, path, code))
            return code;
        buildUs = watch.microseconds();
        entries = file.entryCount();
    }
    const uint64_t tmxBytes = fileSize(path);
    const PROCESS_MEMORY_COUNTERS_EX counters = memoryCounters();
    print("tmx_bytes", tmxBytes);
    print("entries", entries);
    print("index_bytes", fileSize(indexPath));
    print("build_ms", static_cast<uint64_t>(buildUs / 1000));
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

std::vector<std::wstring> readLines(const std::wstring& path, bool& ok) {
    std::vector<std::wstring> lines;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ok = h != INVALID_HANDLE_VALUE;
    if (!ok)
        return lines;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(h);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(fromUtf8(line));
        start = end + 1;
    }
    return lines;
}

int commandSearch(const std::vector<std::wstring>& args) {
    if (args.size() < 3)
        return -1;
    bool budgetGiven = false;
    uint32_t budget = 0;
    uint32_t top = 20;
    for (size_t i = 3; i < args.size(); ++i) {
        if (args[i] == L"--budget" && i + 1 < args.size() && parseUnsigned(args[i + 1], budget)) {
            budgetGiven = true;
            ++i;
        } else if (args[i] == L"--top" && i + 1 < args.size() && parseUnsigned(args[i + 1], top)) {
            ++i;
        } else {
            return -1;
        }
    }
    TmxFile file;
    int code = 0;
    if (!loadOrReport(file, args[0], code))
        return code;
    bool ok = false;
    const std::vector<std::wstring> queries = readLines(args[2], ok);
    if (!ok) {
        std::fprintf(stderr, "cannot read %s\n", toUtf8(args[2]).c_str());
        return 2;
    }

    // The viewer's rule for the default "maxSearchResults" of 25.
    const uint32_t maximum = SearchQuery::budgetMaximum(25);
    struct Run {
        int candidates;
        bool strong;
        double us;
        SearchResults results;
    };
    auto runOne = [&](const std::wstring& query, Run& run) {
        const SearchQuery split = SearchQuery::split(query, maximum);
        run.strong = false;
        run.results.clear();
        Stopwatch watch;
        run.candidates = file.search(args[1], split.includeWords, split.excludeWords,
                                     budgetGiven ? budget : split.perWordBudget, run.strong, run.results);
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
        std::string line = toUtf8(query) + "\t" + std::to_string(run.candidates) + "\t" +
                           std::to_string(run.results.size()) + "\t" + (run.strong ? "true" : "false") + "\t" +
                           std::to_string(static_cast<uint64_t>(run.us));
        const size_t shown = std::min<size_t>(top, run.results.size());
        for (size_t i = 0; i < shown; ++i)
            line += "\t" + std::to_string(run.results[i].score) + ":" + std::to_string(run.results[i].entryId);
        out(line);
    }
    std::sort(times.begin(), times.end());
    auto percentile = [&](double p) -> uint64_t {
        if (times.empty())
            return 0;
        size_t at = static_cast<size_t>(p * static_cast<double>(times.size() - 1) + 0.5);
        return static_cast<uint64_t>(times[std::min(at, times.size() - 1)]);
    };
    print("p50_us", percentile(0.50));
    print("p95_us", percentile(0.95));
    print("max_us", times.empty() ? 0 : static_cast<uint64_t>(times.back()));
    return 0;
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
    {L"index", "index FILE.tmx", commandIndex},
    {L"search", "search FILE.tmx LANG QUERIES.txt [--budget N] [--top K]", commandSearch},
    {L"entry", "entry FILE.tmx ID", commandEntry},
    {L"filter", "filter IN.tmx OUT.tmx LANG [--remove-props]", commandFilter},
};

// index and search also take a group file.
const Command kGroupCommands[] = {
    {L"index", "index GROUP.plexa", commandGroupIndex},
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
