#include "core/events/HandlerHolder.h"
#include "core/threads/Job.h"
#include "core/threads/JobThread.h"
#include "core/threads/JobThreadPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// Runs the GUI thread's message loop until done() holds or the time is up.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

void drainMessages() {
    pumpUntil([] { return false; }, 100);
}

// Reports each given percentage, and after each report that posts a notice waits until the
// GUI thread has handled it, so the notices can be checked one by one.
class SteppingJob : public Job {
public:
    explicit SteppingJob(std::vector<int> steps) : steps_(std::move(steps)) {
        handled_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        holders_[0].connect(started, this, &SteppingJob::onStarted);
        holders_[1].connect(progress, this, &SteppingJob::onProgress);
        holders_[2].connect(finished, this, &SteppingJob::onFinished);
    }
    ~SteppingJob() override { CloseHandle(handled_); }

    void run() override {
        runThread = GetCurrentThreadId();
        for (int step : steps_) {
            const bool changes = step != percent();
            reportProgress(step);
            if (changes && WaitForSingleObject(handled_, 10000) != WAIT_OBJECT_0)
                return;
        }
    }

    std::vector<std::string> log;
    std::vector<DWORD> handlerThreads;
    DWORD runThread = 0;
    bool done = false;

private:
    void onStarted() { note("started"); }
    void onProgress() {
        note("progress " + std::to_string(percent()));
        SetEvent(handled_);
    }
    void onFinished() {
        note("finished");
        done = true;
    }
    void note(const std::string& what) {
        log.push_back(what);
        handlerThreads.push_back(GetCurrentThreadId());
    }

    std::vector<int> steps_;
    HANDLE handled_;
    HandlerHolder holders_[3];
};

// Records its run into a shared counter; may block on an event first.
class CountingJob : public Job {
public:
    CountingJob(std::atomic<int>& runs, HANDLE gate = nullptr) : runs_(runs), gate_(gate) {
        holders_[0].connect(started, this, &CountingJob::onStarted);
        holders_[1].connect(finished, this, &CountingJob::onFinished);
    }
    void run() override {
        if (gate_)
            WaitForSingleObject(gate_, INFINITE);
        ran = true;
        ++runs_;
    }

    std::atomic<bool> ran{false};
    int startedSeen = 0;
    int finishedSeen = 0;
    bool finishedAfterStarted = false;

private:
    void onStarted() { ++startedSeen; }
    void onFinished() {
        finishedAfterStarted = startedSeen == 1;
        ++finishedSeen;
    }

    std::atomic<int>& runs_;
    HANDLE gate_;
    HandlerHolder holders_[2];
};

int popCount(DWORD_PTR mask) {
    int n = 0;
    for (; mask; mask >>= 1)
        n += static_cast<int>(mask & 1);
    return n;
}

} // namespace

TEST(JobThreadPoolTest, ChoosesTheFirstIdleThreadElseTheLeastLoadedOne) {
    // Each thread is idle, running one job, or running one with jobs queued behind it.
    struct State {
        bool running;
        int queued;
    };
    const State idle{false, 0}, running{true, 0};
    auto behind = [](int queued) { return State{true, queued}; };
    struct Case {
        const char* label;
        std::vector<State> threads;
        std::size_t chosen;
    };
    const Case cases[] = {
        {"all idle: the first", {idle, idle, idle, idle}, 0},
        {"a busy first thread loses to an idle one", {running, idle, idle}, 1},
        {"idle after two busy ones", {running, behind(2), idle, idle}, 2},
        {"all running, none queued: tie, the first", {running, running}, 0},
        {"running + queued loses to running alone", {behind(1), running, behind(1)}, 1},
        {"fewest queued behind the running jobs", {behind(2), behind(1), behind(1)}, 1},
        {"the least loaded anywhere in the walk", {behind(3), behind(2), behind(4), running}, 3},
        {"queued jobs on an idle-looking thread still count", {State{false, 1}, running}, 0},
        {"a single busy thread is still chosen", {behind(6)}, 0},
    };
    for (const Case& c : cases) {
        std::size_t asked = 0;
        const std::size_t chosen = JobThreadPool::chooseThread(c.threads.size(), [&](std::size_t i) {
            ++asked;
            return c.threads[i].queued + (c.threads[i].running ? 1 : 0);
        });
        EXPECT_EQ(chosen, c.chosen) << c.label;
        // The walk stops at the first idle thread.
        const State& s = c.threads[chosen];
        if (!s.running && s.queued == 0) {
            EXPECT_EQ(asked, chosen + 1) << c.label;
        }
    }
}

TEST(JobThreadPoolTest, AThreadsLoadCountsItsRunningJob) {
    std::atomic<int> runs{0};
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CountingJob gated(runs, gate), queued(runs);
    {
        JobThread thread;
        ASSERT_TRUE(thread.isRunning());
        EXPECT_EQ(thread.load(), 0);
        thread.enqueue(&gated);
        // Once taken, the job has left the queue but still counts.
        for (int i = 0; i < 500 && thread.pending() != 0; ++i)
            Sleep(10);
        EXPECT_EQ(thread.pending(), 0);
        EXPECT_EQ(thread.load(), 1);
        thread.enqueue(&queued);
        EXPECT_EQ(thread.load(), 2);
        SetEvent(gate);
        for (int i = 0; i < 500 && thread.load() != 0; ++i)
            Sleep(10);
        EXPECT_EQ(thread.load(), 0);
    }
    EXPECT_EQ(runs.load(), 2);
    drainMessages();
    CloseHandle(gate);
}

// A job started while another one runs does not wait behind it when a thread is idle.
TEST(JobThreadPoolTest, AJobStartedBesideARunningOneRunsAtOnce) {
    if (JobThreadPool::instance().threadCount() < 2)
        GTEST_SKIP() << "one processor: every job waits its turn on the one thread";
    std::atomic<int> runs{0};
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CountingJob blocking(runs, gate), quick(runs);
    ASSERT_TRUE(startJob(&blocking));
    ASSERT_TRUE(pumpUntil([&] { return blocking.startedSeen == 1; }));
    ASSERT_TRUE(startJob(&quick));
    EXPECT_TRUE(pumpUntil([&] { return quick.finishedSeen == 1; }, 5000));
    EXPECT_FALSE(blocking.ran);
    SetEvent(gate);
    EXPECT_TRUE(pumpUntil([&] { return blocking.finishedSeen == 1; }));
    CloseHandle(gate);
}

TEST(JobThreadPoolTest, OneThreadPerProcessorOfTheAffinityMask) {
    DWORD_PTR processMask = 0, systemMask = 0;
    ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask));
    EXPECT_EQ(countProcessors(), popCount(processMask));
    EXPECT_EQ(JobThreadPool::instance().threadCount(), static_cast<std::size_t>(countProcessors()));

    // A narrower mask is counted as it is.
    DWORD_PTR lowest = processMask & (~processMask + 1);
    if (lowest != processMask && SetProcessAffinityMask(GetCurrentProcess(), lowest)) {
        EXPECT_EQ(countProcessors(), 1);
        SetProcessAffinityMask(GetCurrentProcess(), processMask);
    }
}

TEST(JobThreadPoolTest, NoticesArriveOnTheGuiThreadInOrder) {
    // 50 repeated posts nothing; each distinct value is one progress notice.
    SteppingJob job({10, 50, 50, 100});
    ASSERT_TRUE(startJob(&job));
    ASSERT_TRUE(pumpUntil([&] { return job.done; }));
    EXPECT_EQ(job.log, (std::vector<std::string>{"started", "progress 10", "progress 50",
                                                 "progress 100", "finished"}));
    for (DWORD id : job.handlerThreads)
        EXPECT_EQ(id, GetCurrentThreadId());
    EXPECT_NE(job.runThread, 0u);
    EXPECT_NE(job.runThread, GetCurrentThreadId());
    EXPECT_EQ(job.percent(), 100);
}

TEST(JobThreadPoolTest, EveryJobOfABurstRunsOnceWithItsNoticesInOrder) {
    std::atomic<int> runs{0};
    const std::size_t count = 4 * JobThreadPool::instance().threadCount() + 3;
    std::vector<std::unique_ptr<CountingJob>> jobs;
    for (std::size_t i = 0; i < count; ++i) {
        jobs.push_back(std::make_unique<CountingJob>(runs));
        ASSERT_TRUE(startJob(jobs.back().get()));
    }
    ASSERT_TRUE(pumpUntil([&] {
        for (const auto& job : jobs)
            if (job->finishedSeen == 0)
                return false;
        return true;
    }));
    EXPECT_EQ(runs.load(), static_cast<int>(count));
    for (const auto& job : jobs) {
        EXPECT_EQ(job->startedSeen, 1);
        EXPECT_EQ(job->finishedSeen, 1);
        EXPECT_TRUE(job->finishedAfterStarted);
    }
}

TEST(JobThreadPoolTest, AStoppingThreadRunsItsQueueFirstWithinItsTimeLimit) {
    std::atomic<int> runs{0};
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CountingJob gated(runs, gate), second(runs), third(runs);
    CountingJob stuck(runs, never), leftOver(runs);
    {
        JobThread thread;
        ASSERT_TRUE(thread.isRunning());
        thread.enqueue(&gated);
        thread.enqueue(&second);
        thread.enqueue(&third);
        EXPECT_GE(thread.pending(), 2);
        SetEvent(gate);
    }
    EXPECT_TRUE(gated.ran && second.ran && third.ran);
    {
        // The first job outlasts the time limit: the thread is terminated and the rest of its
        // queue is not run.
        JobThread thread;
        thread.enqueue(&stuck);
        thread.enqueue(&leftOver);
    }
    EXPECT_FALSE(stuck.ran);
    EXPECT_FALSE(leftOver.ran);
    // Notices these threads posted to the pool's window must be handled while the jobs live.
    drainMessages();
    CloseHandle(gate);
    CloseHandle(never);
}

// A job run directly (a test or a benchmark does so, with the job on its stack) keeps its
// percentage but queues no notice that would reach the job after it is gone.
TEST(JobThreadPoolTest, AJobRunOutsideThePoolPostsNoNotice) {
    struct Reporting : Job {
        void run() override {
            reportProgress(10);
            reportProgress(60);
        }
    };
    ASSERT_NE(JobThreadPool::instance().threadCount(), 0u);
    drainMessages();
    {
        Reporting job;
        job.run();
        EXPECT_EQ(job.percent(), 60);
    }
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, kJobStartedMessage, kJobFinishedMessage, PM_NOREMOVE));
}

// A handler that throws on the GUI thread does not end the program: the notice is dropped at the
// notification window and later notices (of this job and others) arrive as usual.
TEST(JobThreadPoolTest, AThrowingHandlerDoesNotStopLaterNotices) {
    std::atomic<int> runs{0};
    CountingJob failing(runs);
    HandlerHolder thrower;
    struct Thrower {
        int calls = 0;
        void onStarted() {
            ++calls;
            throw std::bad_alloc();
        }
    } throwing;
    thrower.connect(failing.started, &throwing, &Thrower::onStarted);
    CountingJob next(runs);
    ASSERT_TRUE(startJob(&failing));
    ASSERT_TRUE(pumpUntil([&] { return failing.finishedSeen == 1; }));
    ASSERT_TRUE(startJob(&next));
    ASSERT_TRUE(pumpUntil([&] { return next.finishedSeen == 1; }));
    EXPECT_EQ(throwing.calls, 1);
    EXPECT_EQ(next.startedSeen, 1);
    EXPECT_EQ(runs.load(), 2);
}
