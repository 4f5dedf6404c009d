#include "core/threads/Thread.h"

Thread::Thread() {
    DWORD id = 0;
    HANDLE handle = CreateThread(nullptr, 0, &Thread::threadStart, this, CREATE_SUSPENDED, &id);
    if (handle) {
        handle_.reset(handle);
        id_ = id;
    }
}

Thread::~Thread() {
    stopAndJoin();
    // Win32Handle closes the handle and only then forgets it.
}

void Thread::start() {
    ScopedLock lock(*this);
    if (started_ || !handle_)
        return;
    started_ = true;
    ResumeThread(handle_.get());
}

bool Thread::hasEnded() const {
    HANDLE handle = handle_.get();
    return !handle || WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
}

void Thread::stopAndJoin() {
    HANDLE handle;
    {
        ScopedLock lock(*this);
        stopRequested_.store(true, std::memory_order_release);
        handle = handle_.get();
        if (!handle)
            return;
        if (!started_) {
            // Nothing can change for a thread that never ran: waiting for it would only stall
            // the caller. Let it run to its end without calling run().
            started_ = true;
            cancelled_ = true;
            ResumeThread(handle);
        }
    }
    if (WaitForSingleObject(handle, kStopWaitMs) == WAIT_OBJECT_0)
        return;
    {
        // Under the lock, so that the thread is never killed while it holds it.
        ScopedLock lock(*this);
        terminated_.store(true, std::memory_order_release);
        TerminateThread(handle, 1);
    }
    // Termination completes asynchronously; the object must not go before the thread has.
    WaitForSingleObject(handle, kStopWaitMs);
}

DWORD WINAPI Thread::threadStart(void* parameter) {
    Thread* self = static_cast<Thread*>(parameter);
    bool cancelled;
    {
        ScopedLock lock(*self);
        cancelled = self->cancelled_;
    }
    if (!cancelled) {
        try {
            self->run();
        } catch (...) {
            // An exception must not end the whole process from a worker thread.
        }
    }
    return 0;
}
