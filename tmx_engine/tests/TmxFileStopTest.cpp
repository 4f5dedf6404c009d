#include "core/tests/ProcessThreads.h"
#include "tmx_engine/TmxFile.h"
#include "tmx_engine/TmxFileGroup.h"
#include "tmx_engine/TmxFileLoaderThread.h"
#include "tmx_engine/tests/GroupTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

using grouptest::ScratchFolder;

namespace {

// Enough units for several chunks of entries to be on their way to the term threads at once,
// with words varied enough to make a trie of some size.
std::string largeTmx() {
    std::vector<std::wstring> sources;
    for (int i = 0; i < 40000; ++i)
        sources.push_back(L"unit " + std::to_wstring(i) + L" holds word" + std::to_wstring(i % 977) +
                          L" and term" + std::to_wstring((i * 7) % 1231) + L" in text");
    return grouptest::tmxText(L"en-US", sources, {L"de-DE", L"fr-FR"});
}

const char* stepName(IndexBuildStep step) {
    switch (step) {
    case IndexBuildStep::ChunkHandedOver: return "while parsing, chunks with the term threads";
    case IndexBuildStep::ParseEnded: return "parse ended, terms on their way in";
    case IndexBuildStep::Writing: return "while the index file is written";
    case IndexBuildStep::Reopening: return "before the fresh index is opened";
    }
    return "?";
}

} // namespace

// A stop at each step of a rebuild ends the load with code 4, every thread joined, and nothing
// beside the TMX file but an index that was complete before the stop; the next load builds the
// very index a load without a stop builds.
TEST(TmxFileStopTest, AStopAtAnyStepLeavesNothingAndTheNextLoadBuildsTheSameIndex) {
    ScratchFolder folder;
    const std::wstring tmx = folder.file(L"big.tmx");
    ASSERT_TRUE(grouptest::writeText(tmx, largeTmx()));
    std::string reference;
    {
        TmxFile file;
        ASSERT_EQ(file.load(tmx), kLoaded);
        reference = grouptest::readText(tmx + L".idx");
    }
    ASSERT_FALSE(reference.empty());
    ASSERT_TRUE(DeleteFileW((tmx + L".idx").c_str()));

    const IndexBuildStep steps[] = {IndexBuildStep::ChunkHandedOver, IndexBuildStep::ParseEnded,
                                    IndexBuildStep::Writing, IndexBuildStep::Reopening};
    for (IndexBuildStep stopAt : steps) {
        SCOPED_TRACE(stepName(stopAt));
        const int threadsBefore = testthreads::threadsOfThisProcess();
        std::atomic<bool> stop{false};
        int seen = 0;
        int moreTermThreads = 0;
        {
            TmxFile file;
            file.setStopFlag(&stop);
            file.setStepObserver([&](IndexBuildStep step) {
                // The second chunk: the threads are busy with the first.
                if (step == stopAt && ++seen == (stopAt == IndexBuildStep::ChunkHandedOver ? 2 : 1)) {
                    moreTermThreads = testthreads::threadsOfThisProcess() - threadsBefore;
                    stop = true;
                }
            });
            EXPECT_EQ(file.load(tmx), kLoadIndexFailed);
            EXPECT_EQ(file.entryCount(), 0u);
            EXPECT_EQ(file.loadProgress(), 0);
        }
        EXPECT_TRUE(stop.load()) << "the step never came";
        if (stopAt == IndexBuildStep::ChunkHandedOver) {
            EXPECT_GT(moreTermThreads, 0); // the stop met running term threads
        }
        EXPECT_EQ(testthreads::threadsOfThisProcess(), threadsBefore);
        if (stopAt == IndexBuildStep::Reopening) {
            // The index was complete and in place before the stop: it is kept, whole.
            EXPECT_EQ(folder.names(), (std::vector<std::wstring>{L"big.tmx", L"big.tmx.idx"}));
            EXPECT_TRUE(grouptest::readText(tmx + L".idx") == reference);
        } else {
            EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"big.tmx"});
        }

        {
            TmxFile again;
            EXPECT_EQ(again.load(tmx), kLoaded);
        }
        EXPECT_TRUE(grouptest::readText(tmx + L".idx") == reference);
        ASSERT_TRUE(DeleteFileW((tmx + L".idx").c_str()));
    }
}

// The loader hands its own stop request down: a loader asked to stop before its load starts
// ends with code 4 and writes nothing, without being terminated; a group stops with its member.
TEST(TmxFileStopTest, TheLoaderThreadsStopReachesTheLoad) {
    ScratchFolder folder;
    const std::wstring tmx = folder.file(L"big.tmx");
    ASSERT_TRUE(grouptest::writeText(tmx, largeTmx()));
    ASSERT_TRUE(grouptest::writeText(folder.file(L"group.plexa"),
                                     "<plexa><tmxfile shortName=\"b\">big.tmx</tmxfile></plexa>"));
    for (const wchar_t* name : {L"big.tmx", L"group.plexa"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        TmxFileLoaderThread loader(folder.file(name));
        loader.requestStop();
        loader.start();
        ASSERT_EQ(WaitForSingleObject(loader.handle(), 60000), WAIT_OBJECT_0);
        EXPECT_EQ(loader.resultCode(), kLoadIndexFailed);
        EXPECT_EQ(loader.takeProvider(), nullptr);
        EXPECT_FALSE(loader.wasTerminated());
        EXPECT_EQ(folder.names().size(), 2u); // the TMX and the group file, nothing else
    }
}
