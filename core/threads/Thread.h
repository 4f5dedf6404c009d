#pragma once

#include "core/util/Win32Handle.h"
#include "core/threads/Lockable.h"

#include <windows.h>

#include <atomic>

// A worker thread owned by one object, created suspended and started with start().
//
// The thread's body, run(), belongs to the derived class and uses its members, so the derived
// class's destructor must call stopAndJoin() first, before any of its members go; by the time
// ~Thread runs the derived object no longer exists. ~Thread repeats the call only as a last
// resort, so that the thread never outlives the memory it was given.
class Thread : public Lockable {
public:
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Resumes the thread; later calls do nothing.
    void start();

    // True once the thread has ended (or could not be created). Never waits.
    bool hasEnded() const;

    // The OS handle (owned by this object, for setting the priority or waiting) and id.
    HANDLE handle() const { return handle_.get(); }
    DWORD id() const { return id_; }

    // Asks run() to end early, without waiting for it (stopAndJoin waits).
    void requestStop() { stopRequested_.store(true, std::memory_order_release); }
    // True once stopAndJoin had to terminate the thread because run() did not end in time.
    bool wasTerminated() const { return terminated_.load(std::memory_order_acquire); }

    // A run() that wants to end early polls this.
    bool stopRequested() const { return stopRequested_.load(std::memory_order_acquire); }
    // The same request as a flag that run() hands down to long work (a parser, an index
    // builder), which looks at it now and then and gives up once it is set. Lives as long as
    // this object.
    const std::atomic<bool>& stopFlag() const { return stopRequested_; }

    // How long stopAndJoin waits for run() to return before terminating the thread.
    static constexpr DWORD kStopWaitMs = 2500;

protected:
    Thread();

    virtual void run() = 0;

    // Asks run() to stop and waits up to kStopWaitMs for the thread to end, then terminates it
    // with exit code 1. A thread that was never started is released without running run(), so
    // it ends at once. The handle stays open (and signalled) until the destructor closes it.
    // Safe to call more than once.
    void stopAndJoin();

private:
    static DWORD WINAPI threadStart(void* parameter);

    Win32Handle handle_;
    DWORD id_ = 0;
    bool started_ = false;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> terminated_{false};
    // Set when the thread is released only to end: threadStart then skips run().
    bool cancelled_ = false;
};
