#include "tmx_engine/TmxFile.h"
#include "tmx_engine/tests/TmxFileTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// The GUI thread paints entries while a job exports them: both fill the cache of one file at
// once and must agree on one object per entry, each holding its own unit.
TEST(TmxFileConcurrencyTest, TwoThreadsReadingEntriesAgreeOnOneObjectEach) {
    std::string body;
    const int units = 1500;  // entries over several cache chunks
    for (int i = 0; i < units; ++i) {
        const std::string n = std::to_string(i);
        body += "<tu tuid=\"u" + n + "\"><tuv xml:lang=\"en-GB\"><seg>source words of unit " + n +
                " with <bpt i=\"1\"/>tags</seg></tuv><tuv xml:lang=\"de-DE\"><seg>Ziel " + n +
                "</seg></tuv><tuv xml:lang=\"fr-FR\"><seg>cible " + n + "</seg></tuv></tu>\n";
    }
    testfiles::TempDir dir;
    const std::wstring tmx = dir.file(L"many.tmx");
    ASSERT_TRUE(testfiles::writeText(tmx, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><tmx version=\"1.4\">"
                                         "<header srclang=\"en-GB\"/><body>\n" + body + "</body></tmx>"));

    for (int round = 0; round < 4; ++round) {
        TmxFile file;
        ASSERT_EQ(file.load(tmx), kLoaded);
        const uint32_t count = file.entryCount();
        ASSERT_EQ(count, 2u * units);

        std::vector<const TmxEntry*> seen[2];
        std::atomic<int> ready{0};
        auto reader = [&](int which) {
            std::vector<const TmxEntry*>& mine = seen[which];
            mine.assign(count, nullptr);
            ready.fetch_add(1);
            while (ready.load() < 2) {
            }
            // One thread forwards, the other backwards and then forwards again, so that both
            // meet on every entry at some point.
            for (int pass = 0; pass < 2; ++pass) {
                for (uint32_t k = 0; k < count; ++k) {
                    const uint32_t id = (which == 0 || pass == 1) ? k : count - 1 - k;
                    const TmxEntry* entry = file.readEntry(id);
                    if (mine[id] == nullptr)
                        mine[id] = entry;
                    else if (mine[id] != entry)
                        mine[id] = reinterpret_cast<const TmxEntry*>(1);  // changed under us
                }
            }
        };
        std::thread a(reader, 0);
        std::thread b(reader, 1);
        a.join();
        b.join();

        for (uint32_t id = 0; id < count; ++id) {
            ASSERT_NE(seen[0][id], nullptr) << id;
            ASSERT_EQ(seen[0][id], seen[1][id]) << id;
            ASSERT_EQ(seen[0][id], file.readEntry(id)) << id;
            EXPECT_EQ(seen[0][id]->tuid, L"u" + std::to_wstring(id / 2)) << id;
            EXPECT_EQ(seen[0][id]->segments.size(), 3u) << id;
        }
    }
}

// The viewer polls the progress while the loader thread indexes: 0 before and after, and values
// from 1 to 100 while the file is parsed and the index written.
TEST(TmxFileConcurrencyTest, ProgressSeenFromAnotherThreadStaysInRange) {
    std::string body;
    for (int i = 0; i < 20000; ++i) {
        const std::string n = std::to_string(i);
        body += "<tu><tuv xml:lang=\"en-GB\"><seg>alpha beta gamma delta " + n + " epsilon zeta eta theta word" + n +
                "</seg></tuv><tuv xml:lang=\"de-DE\"><seg>ziel " + n + "</seg></tuv></tu>\n";
    }
    testfiles::TempDir dir;
    const std::wstring tmx = dir.file(L"progress.tmx");
    ASSERT_TRUE(testfiles::writeText(tmx, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><tmx version=\"1.4\">"
                                         "<header srclang=\"en-GB\"/><body>\n" + body + "</body></tmx>"));
    TmxFile file;
    EXPECT_EQ(file.loadProgress(), 0);
    std::atomic<bool> done{false};
    int lowest = 1000;
    int highest = -1;
    int nonZero = 0;
    std::thread poller([&] {
        while (!done.load()) {
            const int p = file.loadProgress();
            lowest = std::min(lowest, p);
            highest = std::max(highest, p);
            if (p != 0)
                ++nonZero;
            Sleep(0);
        }
    });
    const LoadCode code = file.load(tmx);
    done.store(true);
    poller.join();
    EXPECT_EQ(code, 1);
    EXPECT_GE(lowest, 0);
    EXPECT_LE(highest, 100);
    EXPECT_GT(nonZero, 0);
    EXPECT_EQ(file.loadProgress(), 0);
    EXPECT_EQ(file.entryCount(), 20000u);
}

} // namespace
