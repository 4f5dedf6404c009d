// Feeds TmxIndexBuilder with segments generated in memory (deterministically, so that two runs
// build the same index) the way the indexing parser does: each source segment once per target
// language, in unit order. Prints key: value lines.
//
//   index_bench [--units N] [--targets K] [--varied|--repetitive] [--threads T] [--out FILE]
//               [--keep]
#include "tmx_engine/SegmentElement.h"
#include "tmx_engine/TmxIndexBuilder.h"

#include <windows.h>
#include <psapi.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t below(uint32_t n) { return static_cast<uint32_t>((next() >> 32) * n >> 32); }
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

private:
    uint64_t state_;
};

// A word of the synthetic language: syllables chosen by the word's rank, a few with accented or
// Cyrillic letters, so that the trie sees realistic shapes and both table and chain nodes.
std::wstring makeWord(uint32_t rank) {
    static const wchar_t* const syllables[] = {
        L"ka", L"ro", L"men", L"ti", L"sa", L"lo", L"ver", L"an", L"dis", L"po", L"str", L"ue",
        L"gra", L"ne", L"il", L"con", L"tur", L"ba", L"fe", L"ment", L"io", L"pre", L"ch", L"ous",
        L"li", L"ad", L"ex", L"mo", L"ra", L"tion", L"be", L"sk", L"und", L"ge", L"\u00E9", L"\u00FC",
        L"wa", L"ho", L"ly", L"er", L"in", L"qu", L"zo", L"ja", L"\u00F6r", L"ny", L"ca", L"do"};
    static const wchar_t* const cyrillic[] = {L"\u043A\u0430", L"\u0440\u043E", L"\u043C\u0435",
                                              L"\u0442\u0438", L"\u0441\u0442", L"\u043D\u043E"};
    const uint32_t n = sizeof syllables / sizeof syllables[0];
    Random r(rank * 0x2545F4914F6CDD1Dull + 17);
    std::wstring w;
    const uint32_t count = 1 + r.below(rank < 200 ? 2 : rank < 5000 ? 3 : 4);
    const bool foreign = rank % 23 == 7;
    for (uint32_t i = 0; i < count; ++i)
        w += foreign ? cyrillic[r.below(6)] : syllables[r.below(n)];
    // Keep every rank a distinct word.
    if (rank >= 200) {
        uint32_t k = rank;
        do {
            w += static_cast<wchar_t>(L'a' + k % 26);
            k /= 26;
        } while (k);
    }
    return w;
}

struct Options {
    uint32_t units = 1500000;
    uint32_t targets = 3;
    bool varied = true;
    int threads = -1;
    std::wstring out;
    bool keep = false;
};

class Generator {
public:
    explicit Generator(const Options& o)
        : varied_(o.varied), vocabulary_(o.varied ? 150000 : 30000),
          phraseCount_(o.varied ? 200000 : 30000), random_(42) {
        words_.reserve(vocabulary_);
        for (uint32_t i = 0; i < vocabulary_; ++i)
            words_.push_back(makeWord(i));
        recent_.assign(1024, 0);
    }

    // Fills the segment in place (element strings keep their capacity between segments).
    void next(Segment& s) {
        uint64_t seed;
        // Translation memories repeat themselves: a share of the units repeat a recent one.
        if (!varied_ && random_.below(100) < 30)
            seed = recent_[random_.below(1024)];
        else
            seed = random_.next();
        recent_[random_.below(1024)] = seed;
        Random r(seed);
        used_ = 0;
        // Sentences are made of phrases that recur across the memory, with a share of free words:
        // word pairs repeat the way they do in real text.
        const uint32_t phrases = 1 + r.below(varied_ ? 7 : 5);
        bool first = true;
        for (uint32_t p = 0; p < phrases; ++p) {
            Random phrase(uint64_t(zipf(r, phraseCount_)) * 0x9E3779B97F4A7C15ull + 5);
            const uint32_t words = 2 + phrase.below(4);
            for (uint32_t i = 0; i < words; ++i) {
                Random& source = r.below(100) < (varied_ ? 8 : 4) ? r : phrase;
                if (!first)
                    put(s, SegmentElementKind::Space, L" ", nullptr);
                const uint32_t roll = source.below(100);
                if (roll < 6) {
                    put(s, SegmentElementKind::Word, L"the", L"the");
                } else if (roll < 9) {
                    number_ = std::to_wstring(source.below(100000));
                    put(s, SegmentElementKind::Other, number_.c_str(), nullptr);
                } else {
                    const std::wstring& w = words_[zipf(source, vocabulary_)];
                    if (first) {
                        capital_ = w;
                        capital_[0] = static_cast<wchar_t>(towupper(capital_[0]));
                        put(s, SegmentElementKind::Word, capital_.c_str(), w.c_str());
                    } else {
                        put(s, SegmentElementKind::Word, w.c_str(), w.c_str());
                    }
                }
                first = false;
            }
            if (r.below(100) < 15)
                put(s, SegmentElementKind::Punctuation, L",", nullptr);
        }
        put(s, SegmentElementKind::Punctuation, L".", nullptr);
        s.resize(used_);
    }

private:
    // Log-uniform ranks below n: roughly the frequencies of words (and phrases) in natural text.
    static uint32_t zipf(Random& r, uint32_t n) {
        const double x = std::exp(r.unit() * std::log(double(n))) - 1.0;
        const uint32_t k = static_cast<uint32_t>(x);
        return k < n ? k : n - 1;
    }

    void put(Segment& s, SegmentElementKind kind, const wchar_t* text, const wchar_t* extra) {
        if (used_ == s.size())
            s.emplace_back();
        SegmentElement& e = s[used_++];
        e.kind = kind;
        e.text.assign(text);
        if (extra)
            e.extra.assign(extra);
        else
            e.extra.clear();
    }

    bool varied_;
    uint32_t vocabulary_;
    uint32_t phraseCount_;
    Random random_;
    std::vector<std::wstring> words_;
    std::vector<uint64_t> recent_;
    std::wstring number_;
    std::wstring capital_;
    size_t used_ = 0;
};

double now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

uint64_t hashFile(const std::wstring& path, uint64_t& size) {
    uint64_t h = 1469598103934665603ull;
    size = 0;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return 0;
    std::vector<uint8_t> buffer(1 << 20);
    DWORD got = 0;
    while (ReadFile(f, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got) {
        for (DWORD i = 0; i < got; ++i)
            h = (h ^ buffer[i]) * 1099511628211ull;
        size += got;
    }
    CloseHandle(f);
    return h;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--units" && i + 1 < argc)
            o.units = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--targets" && i + 1 < argc)
            o.targets = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--threads" && i + 1 < argc)
            o.threads = std::atoi(argv[++i]);
        else if (a == "--varied")
            o.varied = true;
        else if (a == "--repetitive")
            o.varied = false;
        else if (a == "--out" && i + 1 < argc)
            o.out = std::wstring(argv[i + 1], argv[i + 1] + std::strlen(argv[i + 1])), ++i;
        else if (a == "--keep")
            o.keep = true;
        else {
            std::fprintf(stderr, "usage: index_bench [--units N] [--targets K] [--varied|--repetitive] "
                                 "[--threads T] [--out FILE] [--keep]\n");
            return 2;
        }
    }
    if (o.out.empty()) {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        o.out = std::wstring(base) + L"index_bench.idx";
    }

    Generator generator(o);
    TmxIndexBuilder builder;
    if (o.threads >= 0)
        builder.setWorkerThreads(static_cast<uint32_t>(o.threads));
    builder.header().srcLang = L"en";
    builder.header().version = L"1.4";
    std::vector<wchar_t> prefixes;
    for (uint32_t t = 0; t < o.targets; ++t) {
        const std::wstring code = L"x" + std::to_wstring(t);
        builder.addLanguage(code);
        prefixes.push_back(builder.languagePrefix(code));
    }

    Segment segment;
    double genMs = 0;
    double addMs = 0;
    uint64_t elements = 0;
    const double start = now();
    for (uint32_t u = 0; u < o.units; ++u) {
        const double t0 = now();
        generator.next(segment);
        const double t1 = now();
        elements += segment.size();
        for (wchar_t prefix : prefixes)
            builder.addEntry(L"en", segment, prefix, 400 * u + 60);
        genMs += t1 - t0;
        addMs += now() - t1;
    }
    // The indexing parser asks this before writing; it waits for the terms still under way,
    // which are part of adding.
    const double t2 = now();
    const bool failed = builder.failed();
    addMs += now() - t2;
    const double fedMs = now() - start;

    const double t3 = now();
    const bool written = !failed && builder.write(o.out);
    const double writeMs = now() - t3;

    PROCESS_MEMORY_COUNTERS pmc;
    std::memset(&pmc, 0, sizeof pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    uint64_t size = 0;
    const uint64_t hash = written ? hashFile(o.out, size) : 0;
    if (!o.keep)
        DeleteFileW(o.out.c_str());

    std::printf("units: %u\n", o.units);
    std::printf("entries: %u\n", builder.entryCount());
    std::printf("elements: %llu\n", static_cast<unsigned long long>(elements));
    std::printf("gen_ms: %.0f\n", genMs);
    std::printf("add_ms: %.0f\n", addMs);
    std::printf("fed_ms: %.0f\n", fedMs);
    std::printf("write_ms: %.0f\n", writeMs);
    std::printf("index_bytes: %llu\n", static_cast<unsigned long long>(size));
    std::printf("index_hash: %016llx\n", static_cast<unsigned long long>(hash));
    std::printf("peak_memory_mb: %.0f\n", double(pmc.PeakPagefileUsage) / (1024.0 * 1024.0));
    std::printf("written: %s\n", written ? "true" : "false");
    if (builder.layoutMismatched())
        std::printf("layout_mismatch: true\n");
    return written ? 0 : 1;
}
