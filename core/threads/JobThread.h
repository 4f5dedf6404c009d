#pragma once

#include "core/util/Win32Handle.h"
#include "core/threads/Lockable.h"

#include <windows.h>

#include <deque>

class Job;

// One worker of the job pool: runs the jobs of its own queue one at a time, first in first out,
// and posts their start and end to the pool's notification window.
class JobThread : public Lockable {
public:
    // Starts the OS thread at once.
    JobThread();
    // Asks the thread to stop, which it does once its queue is empty, and waits up to
    // kStopWaitMs; a thread still running then is terminated with exit code kTerminatedCode.
    // Jobs left in the queue are neither run nor deleted.
    ~JobThread();
    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;

    // False when the queue could not grow (out of memory); the job is then not queued.
    bool enqueue(Job* job);

    // Jobs waiting in the queue; a job leaves the count when it is taken, before it runs.
    int pending() const;
    // Jobs waiting plus the one running, if any: what a new job would wait behind.
    int load() const;

    bool isRunning() const { return static_cast<bool>(thread_); }

    static constexpr DWORD kStopWaitMs = 2500;
    static constexpr DWORD kTerminatedCode = 0xFFFF0000;

private:
    static DWORD WINAPI jobThreadStart(void* parameter);
    void run();

    Win32Handle thread_;
    Win32Handle workEvent_;
    Win32Handle stopEvent_;
    std::deque<Job*> queue_;
    int pending_ = 0;
    bool running_ = false;
};
