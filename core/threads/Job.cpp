#include "core/threads/Job.h"

#include "core/threads/JobThreadPool.h"

void Job::reportProgress(int percent) {
    if (percent_.load(std::memory_order_relaxed) == percent)
        return;
    // Stored before the notice is posted, so the handler that the notice triggers reads it.
    percent_.store(percent, std::memory_order_release);
    if (onPool_)
        postJobNotice(kJobProgressMessage, this);
}
