#include "core/threads/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

class SharedLog : public Lockable {
public:
    void add(const std::string& line) {
        ScopedLock lock(*this);
        lines_.push_back(line);
    }
    std::vector<std::string> lines() const {
        ScopedLock lock(*this);
        return lines_;
    }

private:
    std::vector<std::string> lines_;
};

// A member that the thread's body uses; its destructor marks the moment it goes.
struct Tracked {
    SharedLog& log;
    std::atomic<int> uses{0};
    ~Tracked() { log.add("member destroyed"); }
};

class Worker : public Thread {
public:
    explicit Worker(SharedLog& log) : log_(log), member_{log} {
        running_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Worker() override {
        stopAndJoin();
        CloseHandle(running_);
    }

    using Thread::stopAndJoin;

    bool waitUntilRunning() const { return WaitForSingleObject(running_, 10000) == WAIT_OBJECT_0; }
    int runs() const { return runs_.load(); }

protected:
    void run() override {
        ++runs_;
        SetEvent(running_);
        while (!stopRequested()) {
            ++member_.uses;
            Sleep(1);
        }
        // Still inside run() a while after the stop request, as a body that finishes its work
        // is: the members must outlive this.
        Sleep(50);
        ++member_.uses;
        log_.add("run ended");
    }

private:
    SharedLog& log_;
    Tracked member_;
    HANDLE running_;
    std::atomic<int> runs_{0};
};

// A body that never looks at the stop flag.
class Stubborn : public Thread {
public:
    Stubborn() { entered_ = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~Stubborn() override {
        stopAndJoin();
        CloseHandle(entered_);
    }
    using Thread::stopAndJoin;
    bool waitUntilEntered() const { return WaitForSingleObject(entered_, 10000) == WAIT_OBJECT_0; }

protected:
    void run() override {
        SetEvent(entered_);
        for (;;)
            Sleep(10);
    }

private:
    HANDLE entered_;
};

class NeverStarted : public Thread {
public:
    ~NeverStarted() override { stopAndJoin(); }
    using Thread::stopAndJoin;
    std::atomic<bool> ran{false};

protected:
    void run() override { ran = true; }
};

bool handleIsOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != 0;
}

} // namespace

TEST(ThreadTest, TheThreadEndsBeforeTheDerivedMembersGo) {
    SharedLog log;
    HANDLE handle = nullptr;
    {
        Worker worker(log);
        handle = worker.handle();
        ASSERT_NE(handle, nullptr);
        EXPECT_FALSE(worker.hasEnded());
        worker.start();
        worker.start();
        ASSERT_TRUE(worker.waitUntilRunning());
        EXPECT_FALSE(worker.hasEnded());
        EXPECT_EQ(worker.runs(), 1);
    }
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"run ended", "member destroyed"}));
    EXPECT_FALSE(handleIsOpen(handle));
}

TEST(ThreadTest, AThreadThatIgnoresTheStopIsTerminatedAndItsHandleClosed) {
    HANDLE handle = nullptr;
    {
        Stubborn stubborn;
        stubborn.start();
        ASSERT_TRUE(stubborn.waitUntilEntered());
        handle = stubborn.handle();
        stubborn.stopAndJoin();
        EXPECT_TRUE(stubborn.hasEnded());
        EXPECT_TRUE(stubborn.stopRequested());
        DWORD code = 0;
        ASSERT_TRUE(GetExitCodeThread(handle, &code));
        EXPECT_EQ(code, 1u);
        // A second call finds the thread ended and returns at once.
        stubborn.stopAndJoin();
    }
    EXPECT_FALSE(handleIsOpen(handle));
}

TEST(ThreadTest, AThreadNeverStartedEndsWithoutRunningItsBody) {
    HANDLE handle = nullptr;
    {
        NeverStarted idle;
        handle = idle.handle();
        EXPECT_FALSE(idle.hasEnded());
        idle.stopAndJoin();
        EXPECT_TRUE(idle.hasEnded());
        DWORD code = 1;
        ASSERT_TRUE(GetExitCodeThread(handle, &code));
        EXPECT_EQ(code, 0u); // ended on its own, not terminated
        EXPECT_FALSE(idle.ran);
        idle.start(); // too late: nothing happens
        EXPECT_FALSE(idle.ran);
    }
    EXPECT_FALSE(handleIsOpen(handle));
}
