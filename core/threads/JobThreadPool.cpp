#include "core/threads/JobThreadPool.h"

#include "core/events/HandlerList.h"
#include "core/threads/Job.h"

#include <atomic>
#include <new>

namespace {
const wchar_t kWindowClass[] = L"SyncMsgWnd";

// Read by job threads, which must not build the pool on their own.
std::atomic<HWND> g_syncWindow{nullptr};

int countBits(DWORD_PTR mask) {
    int bits = 0;
    for (; mask; mask &= mask - 1)
        ++bits;
    return bits;
}
} // namespace

JobThreadPool& JobThreadPool::instance() {
    static JobThreadPool pool;
    return pool;
}

JobThreadPool::JobThreadPool() {
    const int count = countProcessors();
    window_ = createSyncMsgWindow();
    g_syncWindow.store(window_);
    try {
        threads_.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            auto thread = std::make_unique<JobThread>();
            // A job handed to a thread that does not exist would never run.
            if (thread->isRunning())
                threads_.push_back(std::move(thread));
        }
    } catch (const std::bad_alloc&) {
        // A smaller pool still runs every job.
    }
}

JobThreadPool::~JobThreadPool() {
    // Each thread runs what is still queued, within its time limit, before it goes.
    threads_.clear();
    g_syncWindow.store(nullptr);
    if (window_)
        DestroyWindow(window_);
}

bool JobThreadPool::enqueue(Job* job) {
    ScopedLock lock(lock_);
    if (threads_.empty())
        return false;
    const std::size_t chosen = chooseThread(threads_.size(), [this](std::size_t i) {
        return threads_[i]->load();
    });
    return threads_[chosen]->enqueue(job);
}

bool startJob(Job* job) {
    return job && JobThreadPool::instance().enqueue(job);
}

int countProcessors() {
    DWORD_PTR processMask = 0;
    DWORD_PTR systemMask = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask))
        return 1;
    const int bits = countBits(processMask);
    return bits > 0 ? bits : 1;
}

HWND createSyncMsgWindow() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_PARENTDC;
    windowClass.lpfnWndProc = &syncMsgWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    return CreateWindowExW(0, kWindowClass, L"", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, HWND_MESSAGE, nullptr, instance, nullptr);
}

LRESULT CALLBACK syncMsgWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Job* job = reinterpret_cast<Job*>(wParam);
    // A handler's exception must not unwind through the system's frames (that ends the
    // process): the notice counts as not handled, and the next one is delivered as usual.
    try {
        switch (message) {
        case kJobStartedMessage:
            if (job)
                fireHandlers(job->started);
            return 0;
        case kJobProgressMessage:
            if (job)
                fireHandlers(job->progress);
            return 0;
        case kJobFinishedMessage:
            if (job)
                fireHandlers(job->finished);
            return 0;
        default:
            break;
        }
    } catch (...) {
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void postJobNotice(UINT message, Job* job) {
    HWND window = g_syncWindow.load();
    if (!window)
        return;
    // Progress notices may be dropped; a lost start or finish would leave the job's owner
    // waiting for ever, so those are retried while the GUI thread's queue is full.
    for (int attempt = 0; !PostMessageW(window, message, reinterpret_cast<WPARAM>(job), 0); ++attempt) {
        if (message == kJobProgressMessage || attempt >= 200 || !IsWindow(window))
            return;
        Sleep(10);
    }
}
