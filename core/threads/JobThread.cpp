#include "core/threads/JobThread.h"

#include "core/threads/Job.h"
#include "core/threads/JobThreadPool.h"

#include <new>

JobThread::JobThread()
    : workEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      stopEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    // Everything the loop touches exists before the thread does.
    if (workEvent_ && stopEvent_)
        thread_.reset(CreateThread(nullptr, 0, &JobThread::jobThreadStart, this, 0, nullptr));
}

JobThread::~JobThread() {
    if (thread_) {
        SetEvent(stopEvent_.get());
        if (WaitForSingleObject(thread_.get(), kStopWaitMs) != WAIT_OBJECT_0) {
            {
                ScopedLock lock(*this);
                TerminateThread(thread_.get(), kTerminatedCode);
            }
            WaitForSingleObject(thread_.get(), kStopWaitMs);
        }
    }
}

bool JobThread::enqueue(Job* job) {
    {
        ScopedLock lock(*this);
        try {
            queue_.push_back(job);
        } catch (const std::bad_alloc&) {
            return false;
        }
        ++pending_;
    }
    SetEvent(workEvent_.get());
    return true;
}

int JobThread::pending() const {
    ScopedLock lock(*this);
    return pending_;
}

int JobThread::load() const {
    ScopedLock lock(*this);
    return pending_ + (running_ ? 1 : 0);
}

DWORD WINAPI JobThread::jobThreadStart(void* parameter) {
    if (!parameter)
        return static_cast<DWORD>(-1);
    static_cast<JobThread*>(parameter)->run();
    return 0;
}

void JobThread::run() {
    const HANDLE events[2] = {workEvent_.get(), stopEvent_.get()};
    for (;;) {
        Job* job = nullptr;
        {
            ScopedLock lock(*this);
            if (!queue_.empty()) {
                job = queue_.front();
                queue_.pop_front();
                --pending_;
                // Taken and running are one step: the job never counts as neither.
                running_ = true;
            }
        }
        if (job) {
            postJobNotice(kJobStartedMessage, job);
            job->onPool_ = true;
            try {
                job->run();
            } catch (...) {
                // A job that throws must neither end the process nor leave its owner waiting
                // for a finished notice that never comes.
            }
            job->onPool_ = false;
            {
                ScopedLock lock(*this);
                running_ = false;
            }
            // The owner may delete the job as soon as this arrives: the job is not touched
            // after it.
            postJobNotice(kJobFinishedMessage, job);
            continue;
        }
        // The stop event is looked at only with an empty queue, so queued jobs run first.
        const DWORD signalled = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (signalled != WAIT_OBJECT_0)
            return;
    }
}
