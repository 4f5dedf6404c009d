#pragma once

#include "core/events/HandlerList.h"

#include <atomic>

// A unit of background work for the job pool (startJob). Its three events fire on the GUI
// thread, in the order started, progress (once per changed percentage), finished. The pool
// neither owns nor deletes jobs: the submitter keeps the job alive until finished has fired.
class Job {
public:
    Job() = default;
    virtual ~Job() = default;
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // Runs on a pool thread.
    virtual void run() = 0;

    // The last reported percentage; read by progress handlers on the GUI thread while the job
    // thread may be writing it.
    int percent() const { return percent_.load(std::memory_order_acquire); }

    HandlerList started;
    HandlerList progress;
    HandlerList finished;

protected:
    // Called from run(): stores the percentage and posts a progress notice, but only when the
    // percentage changed and the pool runs the job. A job run directly (as a test or a benchmark
    // does) posts nothing: nothing keeps it alive until a notice would be delivered.
    void reportProgress(int percent);

private:
    friend class JobThread;

    std::atomic<int> percent_{0};
    // Set by the pool thread while it runs the job; read on that thread only.
    bool onPool_ = false;
};
