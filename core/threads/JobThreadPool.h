#pragma once

#include "core/threads/JobThread.h"
#include "core/threads/Lockable.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <vector>

class Job;

// Notices posted to the "SyncMsgWnd" window, wParam = the Job, lParam = 0. The window's
// procedure fires the job's started, progress and finished events on the GUI thread.
constexpr UINT kJobStartedMessage = WM_USER;
constexpr UINT kJobProgressMessage = WM_USER + 1;
constexpr UINT kJobFinishedMessage = WM_USER + 2;

// The process-wide pool: one JobThread per processor of the process affinity mask, built on
// the first call of instance() (which must come from the GUI thread: the notification window
// is created there) and destroyed at process exit.
class JobThreadPool {
public:
    static JobThreadPool& instance();

    // Appends the job to the queue of the thread with the least to do before it (waiting jobs
    // and the running one). False only when the job could not be queued.
    bool enqueue(Job* job);

    std::size_t threadCount() const { return threads_.size(); }
    HWND window() const { return window_; }

    // The choice enqueue makes, over loadOf(0) .. loadOf(count - 1) (JobThread::load: waiting
    // jobs plus the running one): the first idle thread, else the first with the least load.
    // A thread busy with one long job is never chosen over an idle one.
    template <class LoadOf>
    static std::size_t chooseThread(std::size_t count, LoadOf loadOf) {
        std::size_t chosen = 0;
        int least = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const int load = loadOf(i);
            if (load == 0)
                return i;
            if (i == 0 || load < least) {
                chosen = i;
                least = load;
            }
        }
        return chosen;
    }

    ~JobThreadPool();
    JobThreadPool(const JobThreadPool&) = delete;
    JobThreadPool& operator=(const JobThreadPool&) = delete;

private:
    JobThreadPool();

    Lockable lock_;
    std::vector<std::unique_ptr<JobThread>> threads_;
    HWND window_ = nullptr;
};

// Hands the job to the pool (building it on first use).
bool startJob(Job* job);

// Number of processors in the process affinity mask; 1 when the mask cannot be read.
int countProcessors();

// Registers the "SyncMsgWnd" class and creates the hidden notification window on the calling
// thread (message-only, so it needs no desktop). Null on failure.
HWND createSyncMsgWindow();

LRESULT CALLBACK syncMsgWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Posts one job notice to the pool's window. Used by the pool threads and Job::reportProgress;
// does nothing before the pool exists.
void postJobNotice(UINT message, Job* job);
