#include "filter_tool/tests/FilterTestSupport.h"

#include "core/events/HandlerHolder.h"
#include "core/threads/JobThreadPool.h"
#include "filter_tool/SiftonJob.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using filtertest::dataPath;
using testfiles::exists;
using filtertest::readBackFile;
using testfiles::readText;
using testfiles::writeText;
using filtertest::ReadBack;
using filtertest::ScratchFolder;

namespace {

// A copy of a fixture in the scratch folder, so that the job may replace it.
std::wstring copyFixture(const ScratchFolder& folder, const wchar_t* fixture, const wchar_t* name) {
    const std::wstring path = folder.file(name);
    writeText(path, readText(dataPath(fixture)));
    return path;
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (done())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// The folder's files by name, sorted: a run must leave no temporary file beside its output.
std::vector<std::wstring> filesIn(const ScratchFolder& folder) {
    std::vector<std::wstring> names = folder.names();
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(SiftonJobTest, FilteringAFileOntoItselfReplacesItOnlyOnSuccess) {
    ScratchFolder folder;
    {
        const std::wstring path = copyFixture(folder, L"utf16.tmx", L"same.tmx");
        SiftonJob job(path, path, L"de", true);
        job.run();
        EXPECT_EQ(job.errorCode(), 0);
        EXPECT_EQ(job.unitsWritten(), 2);
        ReadBack back;
        ASSERT_EQ(readBackFile(path, back), 0);
        EXPECT_EQ(back.props, 0);
        EXPECT_EQ(filesIn(folder), std::vector<std::wstring>{L"same.tmx"});
    }
    struct Case { const wchar_t* fixture; const wchar_t* language; bool failed; };
    const Case unchanged[] = {
        {L"bad-utf8.tmx", L"de", true},   // decoding error in the middle
        {L"utf16.tmx", L"ja-JP", false},   // nothing kept: no error, but no file either
    };
    for (const Case& c : unchanged) {
        const std::wstring path = copyFixture(folder, c.fixture, L"kept.tmx");
        const std::string before = readText(path);
        SiftonJob job(path, path, c.language, false);
        job.run();
        EXPECT_EQ(job.errorCode() != 0, c.failed) << c.fixture;
        EXPECT_EQ(job.errorMessage().empty(), !c.failed) << c.fixture;
        if (!c.failed) {
            EXPECT_EQ(job.unitsWritten(), 0);
        }
        EXPECT_EQ(readText(path), before) << c.fixture;
        EXPECT_EQ(filesIn(folder), (std::vector<std::wstring>{L"kept.tmx", L"same.tmx"})) << c.fixture;
    }
}

TEST(SiftonJobTest, AFailedRunLeavesAnExistingOutputAlone) {
    ScratchFolder folder;
    const std::wstring input = copyFixture(folder, L"bad-utf8.tmx", L"in.tmx");
    const std::wstring output = folder.file(L"out.tmx");
    ASSERT_TRUE(writeText(output, "the user's earlier file"));
    SiftonJob job(input, output, L"de", false);
    job.run();
    EXPECT_NE(job.errorCode(), 0);
    EXPECT_EQ(job.errorMessage().compare(0, 1, L"("), 0);
    EXPECT_EQ(readText(output), "the user's earlier file");
    EXPECT_EQ(filesIn(folder), (std::vector<std::wstring>{L"in.tmx", L"out.tmx"}));
}

TEST(SiftonJobTest, AnOutputThatCannotBeReplacedIsAFailure) {
    ScratchFolder folder;
    const std::wstring input = copyFixture(folder, L"utf16.tmx", L"in.tmx");
    // A folder where the output should go: the copy is written but cannot take its place.
    const std::wstring output = folder.file(L"taken");
    ASSERT_TRUE(CreateDirectoryW(output.c_str(), nullptr));
    SiftonJob job(input, output, L"de", false);
    job.run();
    EXPECT_NE(job.errorCode(), 0);
    EXPECT_EQ(job.unitsWritten(), 0);
    EXPECT_EQ(filesIn(folder), (std::vector<std::wstring>{L"in.tmx", L"taken"}));
    RemoveDirectoryW(output.c_str());
}

namespace {

class JobWatcher {
public:
    explicit JobWatcher(SiftonJob& job) : job_(job) {
        holders_[0].connect(job.progress, this, &JobWatcher::onProgress);
        holders_[1].connect(job.finished, this, &JobWatcher::onFinished);
    }
    void onProgress() { percents.push_back(job_.percent()); }
    void onFinished() { done = true; }

    std::vector<int> percents;
    bool done = false;

private:
    SiftonJob& job_;
    HandlerHolder holders_[2];
};

} // namespace

TEST(SiftonJobTest, RunsOnThePoolAndReportsEachChangeOnce) {
    ScratchFolder folder;
    const std::wstring input = copyFixture(folder, L"utf16.tmx", L"in.tmx");
    const std::wstring output = folder.file(L"out.tmx");
    SiftonJob job(input, output, L"de", false);
    JobWatcher watcher(job);
    ASSERT_TRUE(startJob(&job));
    ASSERT_TRUE(pumpUntil([&] { return watcher.done; }));
    EXPECT_EQ(job.errorCode(), 0);
    EXPECT_EQ(job.unitsWritten(), 2);
    EXPECT_TRUE(exists(output));
    ASSERT_FALSE(watcher.percents.empty());
    EXPECT_LE(watcher.percents.size(), 101u);
    // Each notice reads the job's latest value, which may have moved on meanwhile: the values
    // never go back, and there is at most one notice per change.
    for (size_t i = 1; i < watcher.percents.size(); ++i)
        EXPECT_GE(watcher.percents[i], watcher.percents[i - 1]);
}
