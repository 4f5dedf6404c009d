#pragma once

#include "core/threads/Thread.h"
#include "tmx_engine/TmxEntryProvider.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// Opens a TMX file (".tmx") or a group (".plexa"; either in any letter case) on a thread of its
// own, since building an index may take minutes. The thread is created suspended: the owner sets
// its priority through handle() and calls start(). While it runs, the owner polls loadProgress()
// and hasEnded(); afterwards it reads resultCode() and, after a successful load, takes the
// provider. A provider that was not handed over (a failed load, including a group that failed
// after some members were mapped) is deleted by the loader.
//
// A load still running when the loader is destroyed (or after requestStop) is stopped: the
// thread's stop flag goes to the provider, which ends with kLoadIndexFailed within a fraction of
// a second, its threads joined and nothing written. So the destructor returns well within the grace period
// and the thread is never terminated in practice.
class TmxFileLoaderThread : public Thread {
public:
    explicit TmxFileLoaderThread(const std::wstring& path);
    ~TmxFileLoaderThread() override;

    const std::wstring& path() const { return path_; }

    // kLoadNotEnded until the load has ended; then kLoaded, kLoadUnsupportedExtension for
    // neither extension, or the provider's failure code.
    LoadCode resultCode() const { return result_.load(std::memory_order_acquire); }

    // The provider's progress 0 to 100 while the load runs; 0 before and after.
    int loadProgress() const;

    // After the thread has ended with kLoaded: the opened provider, handed over to the caller.
    // Null otherwise, and on later calls.
    std::unique_ptr<TmxEntryProvider> takeProvider();

protected:
    void run() override;

private:
    std::wstring path_;
    std::atomic<LoadCode> result_{kLoadNotEnded};
    // Guarded by the thread's lock: the poll reads it while the load runs, and a failed
    // provider is deleted under it.
    std::unique_ptr<TmxEntryProvider> provider_;
    bool running_ = false;
};
