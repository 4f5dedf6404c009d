#include "PlainEntries.h"
#include "PlainTrie.h"
#include "core/tests/TestFiles.h"
#include "core/util/Utf8.h"

#include "tmx_engine/IndexFastPaths.h"
#include "tmx_engine/TermList.h"
#include "tmx_engine/TmxFile.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using indextest::PlainEntries;
using indextest::PlainTrie;
using testfiles::TempDir;

// A word of a made-up language: base 30 over letters, a few of them outside ASCII.
std::string wordOf(uint32_t k) {
    static const char* const letters[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o",
                                          "p", "r", "s", "t", "u", "v", "w", "y", "z", "\xC3\xA9", "\xC3\xBC",
                                          "\xD0\xB0", "\xD0\xBA", "\xCE\xB1", "\xCE\xBB"};
    std::string w;
    do {
        w += letters[k % 30];
        k /= 30;
    } while (k);
    return w;
}

// A memory of generated segments shaped like real ones: a few words in most segments and a long
// tail of rare ones, each unit with two targets.
std::string generatedTmx(uint32_t units, uint32_t seed) {
    std::mt19937 random(seed);
    std::string tmx = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tmx version=\"1.4\">\n<header creationtool=\"gen\" "
                      "srclang=\"en\"/>\n<body>\n";
    for (uint32_t u = 0; u < units; ++u) {
        std::string source;
        const uint32_t words = 2 + random() % 14;
        for (uint32_t w = 0; w < words; ++w) {
            const double x = (random() + 0.5) / 4294967296.0;
            source += (w ? " " : "") + wordOf(static_cast<uint32_t>(std::exp(x * std::log(30000.0))));
        }
        tmx += "<tu><tuv xml:lang=\"en\"><seg>" + source + "</seg></tuv><tuv xml:lang=\"de\"><seg>d</seg></tuv>"
               "<tuv xml:lang=\"fr\"><seg>f</seg></tuv></tu>\n";
    }
    return tmx + "</body>\n</tmx>\n";
}

// The header and the first units of a large memory, up to about bytes of it, as a memory of its own.
bool writeSample(const std::wstring& from, const std::wstring& to, size_t bytes) {
    HANDLE h = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    std::string head(bytes, '\0');
    DWORD got = 0;
    const bool read = ReadFile(h, &head[0], static_cast<DWORD>(bytes), &got, nullptr);
    CloseHandle(h);
    head.resize(got);
    const size_t end = head.rfind("</tu>");
    if (!read || end == std::string::npos)
        return false;
    return testfiles::writeText(to, head.substr(0, end + 5) + "\n</body>\n</tmx>\n");
}

struct Variant {
    const char* name;
    IndexFastPaths paths;
};

IndexFastPaths allOff() {
    IndexFastPaths off;
    off.probes = off.prefetch = off.rememberedWalks = off.keptBucketSizes = off.parallelReading = false;
    return off;
}

std::vector<Variant> variants() {
    std::vector<Variant> list;
    list.push_back({"every fast path", IndexFastPaths()});
    const struct {
        const char* name;
        bool IndexFastPaths::*path;
    } paths[] = {{"probes off", &IndexFastPaths::probes},
                 {"prefetch off", &IndexFastPaths::prefetch},
                 {"remembered walks off", &IndexFastPaths::rememberedWalks},
                 {"kept bucket sizes off", &IndexFastPaths::keptBucketSizes},
                 {"parallel reading off", &IndexFastPaths::parallelReading}};
    for (const auto& p : paths) {
        Variant v{p.name, IndexFastPaths()};
        v.paths.*p.path = false;
        list.push_back(v);
    }
    return list;
}

// The index that a rebuild writes with these threads and fast paths. Reading in pieces is made to
// take small files too.
std::vector<uint8_t> build(const std::wstring& tmx, uint32_t threads, const IndexFastPaths& paths) {
    const std::wstring idx = tmx + L".idx";
    DeleteFileW(idx.c_str());
    TmxFile file;
    file.setTermThreads(threads);
    file.setFastPaths(paths);
    ParallelTmxParser::Options pieces;
    pieces.pieceBytes = 64u << 10;
    pieces.threads = 3;
    pieces.minFileBytes = 0;
    file.setParallelOptions(pieces);
    EXPECT_EQ(file.load(tmx), kLoaded);
    return testfiles::readFile(idx);
}

// The naive trie of the memory's terms, from a plain reading of its entries.
std::vector<uint8_t> plainLayout(const std::wstring& tmx, uint32_t bucketTable) {
    PlainTrie plain;
    PlainEntries entries;
    EXPECT_TRUE(entries.read(tmx, [&](uint32_t entry, wchar_t prefix, const std::vector<SegmentElement>& segment) {
        for (const Term& t : buildTerms(segment, prefix, 0x4E).terms)
            plain.addPosting(t.text, entry);
    }));
    return plain.layout(bucketTable);
}

// The one-pass, one-thread build with every fast path off lays its nodes out as the naive trie
// does; every thread count with every fast path on, and with each one off in turn, writes the
// same bytes as that build.
void expectOneIndex(const std::wstring& tmx) {
    const std::vector<uint8_t> reference = build(tmx, 1, allOff());
    ASSERT_GT(reference.size(), 4096u);
    const uint32_t bucketTable = indextest::bucketTableOffset(reference);
    const std::vector<uint8_t> expected = plainLayout(tmx, bucketTable);
    ASSERT_LE(bucketTable + expected.size(), reference.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), reference.begin() + bucketTable))
        << "the plain build differs from the naive trie";
    for (size_t i = bucketTable + expected.size(); i < reference.size(); ++i)
        ASSERT_EQ(reference[i], 0) << i;

    for (uint32_t threads : {0u, 1u, 3u, 8u}) {
        for (const Variant& v : variants()) {
            SCOPED_TRACE(std::to_string(threads) + " threads, " + v.name);
            EXPECT_TRUE(build(tmx, threads, v.paths) == reference);
        }
    }
}

TEST(IndexDifferentialTest, GeneratedMemoriesGiveTheNaiveTriesBytesWithEveryFastPathOnAndOff) {
    TempDir dir(L"idx_diff");
    for (uint32_t units : {2000u, 20000u}) {
        SCOPED_TRACE(units);
        const std::wstring tmx = dir.file(L"gen" + std::to_wstring(units) + L".tmx");
        ASSERT_TRUE(testfiles::writeText(tmx, generatedTmx(units, units)));
        expectOneIndex(tmx);
    }
}

TEST(IndexDifferentialTest, RealMemoriesGiveTheNaiveTriesBytesWithEveryFastPathOnAndOff) {
    if (!testfiles::exists(testfiles::corpusPath(L"README.md"))) {
        std::printf("SKIPPED: no real memories (../shared/corpus is absent)\n");
        GTEST_SKIP() << "no ../shared/corpus";
    }
    TempDir dir(L"idx_diff_real");
    for (const wchar_t* name : {L"fr-small.tmx", L"fr-small-utf16le.tmx", L"multi-b.tmx"}) {
        SCOPED_TRACE(toUtf8(name));
        const std::wstring tmx = dir.file(name);
        ASSERT_TRUE(CopyFileW(testfiles::corpusPath(name).c_str(), tmx.c_str(), FALSE));
        SetFileAttributesW(tmx.c_str(), FILE_ATTRIBUTE_NORMAL);
        expectOneIndex(tmx);
    }
    // The largest memory: its first 3 MB of units.
    const std::wstring sample = dir.file(L"pairs-b-sample.tmx");
    ASSERT_TRUE(writeSample(testfiles::corpusPath(L"pairs-b.tmx"), sample, 3u << 20));
    SCOPED_TRACE("pairs-b sample");
    expectOneIndex(sample);
}

} // namespace
