#include "IndexTestSupport.h"
#include "core/tests/ProcessThreads.h"
#include "core/tests/TestFiles.h"

#include "tmx_engine/TmxIndexBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using indextest::segmentOf;

// Varied segments with the shapes that matter to the trie: frequent and rare words, a pair met in
// every unit (capped), words repeated inside a segment, words that hold a "|", characters above
// U+FFFF, a very long word, "the", and segments without words.
std::vector<Segment> variedSegments(uint32_t units) {
    static const wchar_t* const common[] = {L"red", L"car", L"blue", L"door", L"open", L"house",
                                            L"caf\u00E9", L"\u0434\u043E\u043C", L"\u03B1\u03B2"};
    std::vector<Segment> segments;
    segments.reserve(units);
    uint32_t state = 12345;
    auto next = [&] {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    };
    const std::wstring longWord = L"x" + std::wstring(3000, L'q');
    for (uint32_t u = 0; u < units; ++u) {
        std::wstring text = L"Common start";
        const uint32_t words = 1 + next() % 14;
        for (uint32_t i = 0; i < words; ++i) {
            const uint32_t roll = next() % 100;
            text += L' ';
            if (roll < 30)
                text += common[next() % 9];
            else if (roll < 35)
                text += L"the";
            else if (roll < 37)
                text += L"a|" + std::to_wstring(next() % 5);
            else if (roll < 39)
                text += L"\U0001F600 7";
            else if (roll < 40)
                text += longWord + static_cast<wchar_t>(L'a' + next() % 3);
            else {
                uint32_t k = next() % (roll < 70 ? 500 : 200000);
                do {
                    text += static_cast<wchar_t>(L'a' + k % 26);
                    k /= 26;
                } while (k);
            }
            if (roll % 7 == 0)
                text += L", red red";
        }
        if (u % 101 == 0)
            text = L"42 % \U0001F600";
        segments.push_back(segmentOf(text));
    }
    return segments;
}

const std::vector<Segment>& testSegments() {
    static const std::vector<Segment> segments = variedSegments(12000);
    return segments;
}

// Feeds the segments to a builder the way the indexing parser does, each for three targets, and
// looks up a few terms midway (which may create nodes) before going on; then calls midway.
void feed(TmxIndexBuilder& b, std::vector<uint32_t>& midwayCounts,
          const std::function<void()>& midway = nullptr) {
    b.header().srcLang = L"en";
    for (const wchar_t* code : {L"de", L"fr", L"it"})
        b.addLanguage(code);
    const wchar_t prefixes[] = {b.languagePrefix(L"de"), b.languagePrefix(L"fr"),
                                b.languagePrefix(L"it")};
    const std::vector<Segment>& segments = testSegments();
    for (size_t u = 0; u < segments.size(); ++u) {
        for (wchar_t prefix : prefixes)
            b.addEntry(L"en", segments[u], prefix, static_cast<uint32_t>(100 * u));
        b.addEntry(L"de", segments[u], prefixes[0], 1);
        if (u == segments.size() / 2) {
            for (const wchar_t* term : {L"\uFF22common|start", L"\uFF23red|car", L"\uFF24zz|new",
                                        L"\uFF22red|red"})
                midwayCounts.push_back(b.postingCount(b.node(term)));
            midwayCounts.push_back(b.entryCount());
            if (midway)
                midway();
        }
    }
}

TEST(IndexPipelineTest, AnyNumberOfThreadsWritesTheSameBytes) {
    testfiles::TempDir dir(L"idx_threads");
    std::vector<uint8_t> reference;
    std::vector<uint32_t> referenceCounts;
    for (uint32_t threads : {0u, 2u, 3u, 8u}) {
        SCOPED_TRACE(threads);
        TmxIndexBuilder b;
        b.setWorkerThreads(threads);
        std::vector<uint32_t> counts;
        feed(b, counts);
        EXPECT_TRUE(b.isCapped(b.node(L"\uFF22common|start")));
        const std::wstring path = dir.file(L"t.tmx.idx");
        ASSERT_TRUE(b.write(path));
        std::vector<uint8_t> file = testfiles::readFile(path);
        ASSERT_EQ(file.size(), b.fileSize());
        if (threads == 0) {
            reference.swap(file);
            referenceCounts = counts;
            // The layout itself is checked against a plain trie elsewhere; here it must only be
            // large enough to span many chunks and file windows.
            ASSERT_GT(reference.size(), size_t(8) << 20);
            continue;
        }
        EXPECT_EQ(counts, referenceCounts);
        ASSERT_EQ(file.size(), reference.size());
        EXPECT_TRUE(file == reference);
    }
}

// A write frees what entering terms keeps (threads, chunks, word numbers); entries that follow
// start it again and the trie goes on as if there had been no write.
TEST(IndexPipelineTest, EntriesAfterAWriteGoOnAsWithoutIt) {
    testfiles::TempDir dir(L"idx_write_midway");
    std::vector<uint32_t> counts;
    TmxIndexBuilder plain;
    plain.setWorkerThreads(2);
    feed(plain, counts);
    ASSERT_TRUE(plain.write(dir.file(L"plain.tmx.idx")));
    const std::vector<uint8_t> reference = testfiles::readFile(dir.file(L"plain.tmx.idx"));
    for (uint32_t threads : {0u, 8u}) {
        SCOPED_TRACE(threads);
        TmxIndexBuilder b;
        b.setWorkerThreads(threads);
        std::vector<uint32_t> midwayCounts;
        feed(b, midwayCounts, [&] { ASSERT_TRUE(b.write(dir.file(L"half.tmx.idx"))); });
        EXPECT_EQ(midwayCounts, counts);
        ASSERT_TRUE(b.write(dir.file(L"whole.tmx.idx")));
        EXPECT_TRUE(testfiles::readFile(dir.file(L"whole.tmx.idx")) == reference);
    }
}

TEST(IndexPipelineTest, FailuresOnWorkerThreadsFailTheBuildAndUnwrittenBuildersStopCleanly) {
    testfiles::TempDir dir(L"idx_thread_fail");
    const std::wstring path = dir.file(L"f.tmx.idx");
    const std::vector<Segment>& segments = testSegments();
    for (uint32_t threads : {0u, 4u}) {
        SCOPED_TRACE(threads);
        TmxIndexBuilder b;
        b.setWorkerThreads(threads);
        b.setMemoryLimit(8u << 20);
        b.header().srcLang = L"en";
        b.addLanguage(L"de");
        for (size_t u = 0; u < segments.size(); ++u)
            b.addEntry(L"en", segments[u], b.languagePrefix(L"de"), static_cast<uint32_t>(u));
        EXPECT_TRUE(b.failed());
        EXPECT_FALSE(b.write(path));
        EXPECT_TRUE(dir.names().empty()); // no index, no temporary file
    }
    // Destroyed with chunks still in flight and never written: the threads are joined.
    const int threadsBefore = testthreads::threadsOfThisProcess();
    ASSERT_GT(threadsBefore, 0);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        {
            TmxIndexBuilder b;
            b.setWorkerThreads(8);
            b.header().srcLang = L"en";
            b.addLanguage(L"de");
            for (size_t u = 0; u < segments.size(); ++u)
                b.addEntry(L"en", segments[u], b.languagePrefix(L"de"), static_cast<uint32_t>(u));
            EXPECT_GT(testthreads::threadsOfThisProcess(), threadsBefore + 8); // they did run
        }
        EXPECT_EQ(testthreads::threadsOfThisProcess(), threadsBefore);
    }
}

} // namespace
