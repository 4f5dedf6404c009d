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

// A handle of the test's own to a Thread's OS thread, so that its state can be read after the
// Thread object (and the handle it owned) is gone. Handle values are reused, so the Thread's own
// handle value tells nothing once closed.
HANDLE duplicateOf(HANDLE thread) {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &copy, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return copy;
}

// True when the thread has ended with the given exit code.
bool endedWith(HANDLE thread, DWORD expected) {
    DWORD code = 0;
    return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &code) &&
           code == expected;
}

} // namespace

TEST(ThreadTest, TheThreadEndsBeforeTheDerivedMembersGo) {
    SharedLog log;
    Win32Handle thread;
    {
        Worker worker(log);
        ASSERT_NE(worker.handle(), nullptr);
        thread.reset(duplicateOf(worker.handle()));
        EXPECT_FALSE(worker.hasEnded());
        worker.start();
        worker.start();
        ASSERT_TRUE(worker.waitUntilRunning());
        EXPECT_FALSE(worker.hasEnded());
        EXPECT_EQ(worker.runs(), 1);
    }
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"run ended", "member destroyed"}));
    EXPECT_TRUE(endedWith(thread.get(), 0)); // ended on its own when asked
}

TEST(ThreadTest, AThreadThatIgnoresTheStopIsTerminatedAndItsHandleClosed) {
    Win32Handle thread;
    {
        Stubborn stubborn;
        stubborn.start();
        ASSERT_TRUE(stubborn.waitUntilEntered());
        thread.reset(duplicateOf(stubborn.handle()));
        EXPECT_FALSE(stubborn.wasTerminated());
        stubborn.stopAndJoin();
        EXPECT_TRUE(stubborn.hasEnded());
        EXPECT_TRUE(stubborn.stopRequested());
        EXPECT_TRUE(stubborn.wasTerminated());
        EXPECT_TRUE(endedWith(thread.get(), 1));
        // A second call finds the thread ended and returns at once.
        stubborn.stopAndJoin();
    }
    EXPECT_TRUE(endedWith(thread.get(), 1));
}

TEST(ThreadTest, AThreadNeverStartedEndsWithoutRunningItsBody) {
    Win32Handle thread;
    {
        NeverStarted idle;
        thread.reset(duplicateOf(idle.handle()));
        EXPECT_FALSE(idle.hasEnded());
        idle.stopAndJoin();
        EXPECT_TRUE(idle.hasEnded());
        EXPECT_TRUE(endedWith(thread.get(), 0)); // ended on its own, not terminated
        EXPECT_FALSE(idle.wasTerminated());
        EXPECT_FALSE(idle.ran);
        idle.start(); // too late: nothing happens
        EXPECT_FALSE(idle.ran);
    }
    EXPECT_TRUE(endedWith(thread.get(), 0));
}
