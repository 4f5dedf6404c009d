#include "tmx_engine/TmxFileLoaderThread.h"

#include "group_builder/GroupEntry.h"
#include "group_builder/GroupFileWriter.h"
#include "tmx_engine/Index.h"
#include "tmx_engine/TmxFile.h"
#include "tmx_engine/TmxFileGroup.h"
#include "tmx_engine/tests/GroupTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

using grouptest::ScratchFolder;
using grouptest::tmxText;
using grouptest::writeText;

namespace {

struct Outcome {
    LoadCode code = kLoadNotEnded;
    std::unique_ptr<TmxEntryProvider> provider;
};

Outcome runLoader(const std::wstring& path) {
    Outcome outcome;
    TmxFileLoaderThread loader(path);
    EXPECT_EQ(loader.resultCode(), kLoadNotEnded);
    EXPECT_EQ(loader.loadProgress(), 0);
    SetThreadPriority(loader.handle(), THREAD_PRIORITY_HIGHEST);
    loader.start();
    EXPECT_EQ(WaitForSingleObject(loader.handle(), 60000), WAIT_OBJECT_0);
    EXPECT_TRUE(loader.hasEnded());
    EXPECT_EQ(loader.loadProgress(), 0);
    outcome.code = loader.resultCode();
    outcome.provider = loader.takeProvider();
    EXPECT_EQ(loader.takeProvider(), nullptr);
    return outcome;
}

// An index file of another format: right magic, a later version.
std::string foreignIndex() {
    std::string bytes(reinterpret_cast<const char*>(IndexFormat::kMagic), sizeof IndexFormat::kMagic);
    const uint32_t version = 0x00010002;
    bytes.append(reinterpret_cast<const char*>(&version), 4);
    bytes.append(64, '\0');
    return bytes;
}

bool makeLargeSparseFile(const std::wstring& path, int64_t size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = size;
    const bool ok = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

} // namespace

// Every code the window can receive, through the loader. Code 2 cannot come from the loader,
// which makes a fresh provider for each path; it is checked on the providers themselves.
TEST(TmxFileLoaderThreadTest, ResultCodes) {
    ScratchFolder folder;
    const std::wstring good = folder.file(L"good.tmx");
    ASSERT_TRUE(writeText(good, tmxText(L"en-US", {L"hello world", L"good day"}, {L"de-DE"})));
    ASSERT_TRUE(writeText(folder.file(L"UPPER.TMX"), tmxText(L"en-US", {L"loud"}, {L"fr-FR"})));
    ASSERT_TRUE(writeText(folder.file(L"foreign.tmx"), tmxText(L"en-US", {L"x"}, {L"de-DE"})));
    ASSERT_TRUE(writeText(folder.file(L"foreign.tmx.idx"), foreignIndex()));
    ASSERT_TRUE(makeLargeSparseFile(folder.file(L"huge.tmx"), int64_t(1) << 31));
    ASSERT_TRUE(writeText(folder.file(L"empty.tmx"), tmxText(L"en-US", {L"alone"}, {})));
    ASSERT_TRUE(writeText(folder.file(L"german.tmx"), tmxText(L"de-DE", {L"eins"}, {L"en-US"})));
    ASSERT_TRUE(writeGroupFile(folder.file(L"good.plexa"), {{good, L"G", 0x0000FFu}}));
    ASSERT_TRUE(writeGroupFile(folder.file(L"CAPS.PLEXA"), {{good, L"G", 0x0000FFu}}));
    ASSERT_TRUE(writeGroupFile(folder.file(L"empty.plexa"), {{folder.file(L"empty.tmx"), L"E", 0}}));
    ASSERT_TRUE(writeGroupFile(folder.file(L"mixed.plexa"),
                               {{good, L"en", 0}, {folder.file(L"german.tmx"), L"de", 0}}));
    ASSERT_TRUE(writeGroupFile(folder.file(L"none.plexa"), {}));
    ASSERT_TRUE(writeGroupFile(folder.file(L"partial.plexa"),
                               {{good, L"a", 0}, {folder.file(L"missing.tmx"), L"b", 0}}));
    ASSERT_TRUE(writeGroupFile(folder.file(L"foreign.plexa"),
                               {{good, L"a", 0}, {folder.file(L"foreign.tmx"), L"b", 0}}));
    ASSERT_TRUE(writeText(folder.file(L"broken.plexa"), "<plexa><tmxfile>good.tmx</tmxfile><</plexa>"));
    ASSERT_TRUE(writeText(folder.file(L"notes.txt"), "not a memory"));

    const struct {
        const wchar_t* file;
        LoadCode code;
        int members; // of the handed-over provider; -1: none handed over
    } cases[] = {
        {L"good.tmx", kLoaded, 1},
        {L"UPPER.TMX", kLoaded, 1},
        {L"good.plexa", kLoaded, 1},
        {L"CAPS.PLEXA", kLoaded, 1},
        {L"foreign.tmx", kLoadIndexOfOtherFormat, -1},
        {L"foreign.plexa", kLoadIndexOfOtherFormat, -1},
        {L"missing.tmx", kLoadIndexFailed, -1},
        {L"partial.plexa", kLoadIndexFailed, -1},
        {L"huge.tmx", kLoadCannotMap, -1},
        {L"missing.plexa", kLoadGroupUnreadable, -1},
        {L"broken.plexa", kLoadGroupUnreadable, -1},
        {L"empty.plexa", kLoadGroupWithoutEntries, -1},
        {L"notes.txt", kLoadUnsupportedExtension, -1},
        {L"good.tmx.bak", kLoadUnsupportedExtension, -1},
        {L"none.plexa", kLoadGroupMembersRefused, -1},
        {L"mixed.plexa", kLoadGroupMembersRefused, -1},
    };
    for (const auto& c : cases) {
        Outcome outcome = runLoader(folder.file(c.file));
        EXPECT_EQ(outcome.code, c.code) << testing::PrintToString(std::wstring(c.file));
        if (c.members < 0) {
            EXPECT_EQ(outcome.provider, nullptr) << testing::PrintToString(std::wstring(c.file));
        } else {
            if (!outcome.provider) {
                ADD_FAILURE() << "no provider for " << testing::PrintToString(std::wstring(c.file));
                continue;
            }
            EXPECT_EQ(outcome.provider->fileCount(), c.members);
            EXPECT_GT(outcome.provider->entryCount(), 0u);
        }
    }
    // The foreign index was neither used nor replaced.
    EXPECT_EQ(grouptest::readText(folder.file(L"foreign.tmx.idx")), foreignIndex());

    TmxFile file;
    EXPECT_EQ(file.load(good), kLoaded);
    EXPECT_EQ(file.load(good), kAlreadyLoaded);
    TmxFileGroup group;
    EXPECT_EQ(group.load(folder.file(L"good.plexa")), kLoaded);
    EXPECT_EQ(group.load(folder.file(L"good.plexa")), kAlreadyLoaded);
}

// A loader that is never started, or whose owner goes while its load runs, is released safely:
// the running load is stopped, leaves no temporary file, and a later load works.
TEST(TmxFileLoaderThreadTest, DestroyedWithoutRunningOrWhileRunning) {
    ScratchFolder folder;
    const std::wstring good = folder.file(L"good.tmx");
    std::vector<std::wstring> sources;
    for (int i = 0; i < 20000; ++i)
        sources.push_back(L"sentence number " + std::to_wstring(i) + L" with some words");
    ASSERT_TRUE(writeText(good, tmxText(L"en-US", sources, {L"de-DE", L"fr-FR"})));
    {
        TmxFileLoaderThread idle(good);
    }
    EXPECT_FALSE(grouptest::exists(good + L".idx"));
    {
        TmxFileLoaderThread running(good);
        running.start();
        // Until the parse is under way (or, on a very slow machine, the load is over).
        while (running.loadProgress() == 0 && !running.hasEnded())
            SwitchToThread();
    }
    // Stopped in the parse, nothing was written; a load that had just ended left its index.
    const std::vector<std::wstring> names = folder.names();
    EXPECT_TRUE(names == std::vector<std::wstring>{L"good.tmx"} ||
                names == (std::vector<std::wstring>{L"good.tmx", L"good.tmx.idx"}));
    Outcome outcome = runLoader(good);
    EXPECT_EQ(outcome.code, kLoaded);
}
