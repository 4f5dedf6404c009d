#include "tmx_engine/IndexPipeline.h"

#include <windows.h>

#include <exception>
#include <new>

void IndexPipeline::start(Stages& stages, uint32_t workers, const std::atomic<bool>* stopFlag) {
    stop();
    // A pipeline started again (after a release) counts its chunks from the first ring slot.
    submitted_.value.store(0);
    prepared_.value.store(0);
    for (IndexChunk& chunk : chunks_)
        chunk.clear();
    stages_ = &stages;
    stopFlag_ = stopFlag;
    workers_ = workers < 1 ? 1 : workers;
    if (workers <= 1)
        return;
    try {
        processed_.reset(new Counter[workers]);
        threads_.resize(workers + 1);
        if (!threads_[0].start([this] { prepareLoop(); }))
            throw std::bad_alloc();
        for (uint32_t w = 0; w < workers; ++w)
            if (!threads_[w + 1].start([this, w] { workerLoop(w); }))
                throw std::bad_alloc();
    } catch (const std::exception&) {
        // No threads (or not all of them): the caller's thread does the work. Nothing has been
        // handed over yet, so the threads that did start have nothing to finish.
        stop();
        stages_ = &stages;
        stopFlag_ = stopFlag;
        workers_ = workers;
    }
}

uint64_t IndexPipeline::slowestWorker() const {
    uint64_t slowest = processed_[0].value.load(std::memory_order_acquire);
    for (uint32_t w = 1; w < workers_; ++w) {
        const uint64_t v = processed_[w].value.load(std::memory_order_acquire);
        if (v < slowest)
            slowest = v;
    }
    return slowest;
}

// Spins a little, then sleeps until woken with ready() true; false when the pipeline stops or
// the stop flag is set. Nobody wakes a sleeper for the stop flag, so with one the sleep is cut
// into short naps.
template <class Ready> bool IndexPipeline::waitFor(Parking& parking, Ready ready) {
    for (int i = 0; i < 2000; ++i) {
        if (ready())
            return true;
        if (halted())
            return false;
        YieldProcessor();
    }
    parking.sleepers.fetch_add(1);
    {
        std::lock_guard<WaitLock> guard(parking.lock);
        if (stopFlag_) {
            while (!ready() && !halted())
                parking.woken.waitFor(parking.lock, 20, [&] { return ready() || halted(); });
        } else {
            parking.woken.wait(parking.lock, [&] { return ready() || halted(); });
        }
    }
    parking.sleepers.fetch_sub(1);
    return ready() && !halted();
}

// After a counter moved: the lock is taken so that a thread about to sleep either sees the new
// value or is asleep when the notice comes.
void IndexPipeline::wake(Parking& parking) {
    if (parking.sleepers.load() == 0)
        return;
    { std::lock_guard<WaitLock> guard(parking.lock); }
    parking.woken.wakeAll();
}

void IndexPipeline::runHere(IndexChunk& chunk) {
    stages_->prepare(chunk);
    for (uint32_t w = 0; w < workers_; ++w)
        stages_->process(w, chunk);
    chunk.clear();
}

bool IndexPipeline::submit() {
    IndexChunk& chunk = current();
    if (chunk.entries.empty())
        return true;
    if (halted())
        return false;
    if (threads_.empty()) {
        runHere(chunk);
        return true;
    }
    const uint64_t next = submitted_.value.load(std::memory_order_relaxed) + 1;
    submitted_.value.store(next, std::memory_order_seq_cst);
    wake(preparer_);
    // The next chunk's slot is free once every worker is past the chunk that last used it.
    if (!waitFor(caller_, [&] { return next + 1 - slowestWorker() <= kRing; }))
        return false;
    current().clear();
    return true;
}

bool IndexPipeline::finish() {
    if (!threads_.empty()) {
        const uint64_t all = submitted_.value.load(std::memory_order_relaxed);
        if (!waitFor(caller_, [&] { return slowestWorker() == all; }))
            return false;
    } else if (halted()) {
        return false;
    }
    // Every thread is idle now and what it did is visible here: a part-filled chunk is cheaper
    // to finish on this thread than to wake them all for it (callers may ask after every entry).
    IndexChunk& chunk = current();
    if (!chunk.entries.empty())
        runHere(chunk);
    return true;
}

void IndexPipeline::stop() {
    if (!threads_.empty()) {
        stopping_.store(true);
        for (Parking* p : {&caller_, &preparer_, &workersParking_}) {
            { std::lock_guard<WaitLock> guard(p->lock); }
            p->woken.wakeAll();
        }
        for (IndexWorkerThread& t : threads_)
            t.join();
        threads_.clear();
    }
    stopping_.store(false);
    stages_ = nullptr;
    stopFlag_ = nullptr;
}

void IndexPipeline::release() {
    stop();
    for (IndexChunk& chunk : chunks_)
        chunk = IndexChunk();
}

void IndexPipeline::prepareLoop() {
    for (uint64_t seq = 0;; ++seq) {
        if (!waitFor(preparer_, [&] { return submitted_.value.load(std::memory_order_acquire) > seq; }))
            return;
        stages_->prepare(chunks_[seq % kRing]);
        prepared_.value.store(seq + 1, std::memory_order_seq_cst);
        wake(workersParking_);
    }
}

void IndexPipeline::workerLoop(uint32_t worker) {
    for (uint64_t seq = 0;; ++seq) {
        if (!waitFor(workersParking_,
                     [&] { return prepared_.value.load(std::memory_order_acquire) > seq; }))
            return;
        stages_->process(worker, chunks_[seq % kRing]);
        processed_[worker].value.store(seq + 1, std::memory_order_seq_cst);
        wake(caller_);
    }
}
