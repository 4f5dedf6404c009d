#include "tmx_engine/TmxFileLoaderThread.h"

#include "core/util/StringUtils.h"
#include "tmx_engine/TmxFile.h"
#include "tmx_engine/TmxFileGroup.h"

#include <new>

TmxFileLoaderThread::TmxFileLoaderThread(const std::wstring& path) : path_(path) {}

TmxFileLoaderThread::~TmxFileLoaderThread() {
    // run() uses the members below: the thread must be gone before they are.
    stopAndJoin();
    ScopedLock guard(*this);
    if (running_) {
        // The load did not end in time and its thread was terminated inside it: the provider's
        // state is whatever the cut left, so it is not torn down (the owner goes at exit).
        provider_.release();
    }
}

void TmxFileLoaderThread::run() {
    LoadCode result = kLoadUnsupportedExtension;
    try {
        // Windows file names ignore letter case: X.TMX is a TMX file too.
        const std::wstring lower = toLowerCase(path_);
        std::unique_ptr<TmxEntryProvider> provider;
        if (endsWith(L".plexa", lower))
            provider = std::make_unique<TmxFileGroup>();
        else if (endsWith(L".tmx", lower))
            provider = std::make_unique<TmxFile>();
        if (provider) {
            TmxEntryProvider* loading = provider.get();
            // How a stop reaches the work: the thread's own stop flag, set by stopAndJoin (the
            // destructor) or requestStop, goes down to the parser, the index builder and its
            // threads, which give up within a fraction of a second.
            loading->setStopFlag(&stopFlag());
            {
                ScopedLock guard(*this);
                provider_ = std::move(provider);
                running_ = true;
            }
            result = loading->load(path_);
            ScopedLock guard(*this);
            running_ = false;
            if (result != kLoaded)
                provider_.reset();
        }
    } catch (const std::bad_alloc&) {
        ScopedLock guard(*this);
        running_ = false;
        provider_.reset();
        result = kLoadIndexFailed;
    }
    result_.store(result, std::memory_order_release);
}

int TmxFileLoaderThread::loadProgress() const {
    ScopedLock guard(*this);
    return running_ && provider_ ? provider_->loadProgress() : 0;
}

std::unique_ptr<TmxEntryProvider> TmxFileLoaderThread::takeProvider() {
    if (!hasEnded())
        return nullptr;
    ScopedLock guard(*this);
    return std::move(provider_);
}
