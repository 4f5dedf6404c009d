#include "tmx_engine/IndexPipeline.h"

#include <algorithm>
#include <system_error>

void IndexPipeline::start(Stages& stages, uint32_t workers) {
    stop();
    stages_ = &stages;
    workers_ = workers < 1 ? 1 : workers;
    if (workers <= 1)
        return;
    try {
        processed_.assign(workers, 0);
        threads_.reserve(workers + 1);
        threads_.emplace_back(&IndexPipeline::prepareLoop, this);
        for (uint32_t w = 0; w < workers; ++w)
            threads_.emplace_back(&IndexPipeline::workerLoop, this, w);
    } catch (const std::exception&) {
        // No threads (or not all of them): the caller's thread does the work. Nothing has been
        // handed over yet, so the threads that did start have nothing to finish.
        stop();
        stages_ = &stages;
        workers_ = workers;
        threads_.clear();
        processed_.clear();
    }
}

uint64_t IndexPipeline::slowestWorker() const {
    return *std::min_element(processed_.begin(), processed_.end());
}

void IndexPipeline::runHere(IndexChunk& chunk) {
    stages_->prepare(chunk);
    for (uint32_t w = 0; w < workers_; ++w)
        stages_->process(w, chunk);
    chunk.clear();
}

void IndexPipeline::submit() {
    IndexChunk& chunk = current();
    if (chunk.entries.empty())
        return;
    if (threads_.empty()) {
        runHere(chunk);
        return;
    }
    std::unique_lock<std::mutex> guard(lock_);
    ++submitted_;
    changed_.notify_all();
    // The next chunk's slot is free once every worker is past the chunk that last used it.
    changed_.wait(guard, [&] { return submitted_ + 1 - slowestWorker() <= kRing; });
    guard.unlock();
    current().clear();
}

void IndexPipeline::finish() {
    if (!threads_.empty()) {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [&] { return slowestWorker() == submitted_; });
    }
    // Every thread is idle now and what it did is visible here: a part-filled chunk is cheaper
    // to finish on this thread than to wake them all for it (callers may ask after every entry).
    IndexChunk& chunk = current();
    if (!chunk.entries.empty())
        runHere(chunk);
}

void IndexPipeline::stop() {
    if (!threads_.empty()) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            stopping_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : threads_)
            if (t.joinable())
                t.join();
        threads_.clear();
    }
    stopping_ = false;
    stages_ = nullptr;
}

void IndexPipeline::prepareLoop() {
    for (;;) {
        uint64_t seq;
        {
            std::unique_lock<std::mutex> guard(lock_);
            changed_.wait(guard, [&] { return stopping_ || prepared_ < submitted_; });
            if (stopping_)
                return;
            seq = prepared_;
        }
        stages_->prepare(chunks_[seq % kRing]);
        std::lock_guard<std::mutex> guard(lock_);
        ++prepared_;
        changed_.notify_all();
    }
}

void IndexPipeline::workerLoop(uint32_t worker) {
    for (;;) {
        uint64_t seq;
        {
            std::unique_lock<std::mutex> guard(lock_);
            changed_.wait(guard, [&] { return stopping_ || processed_[worker] < prepared_; });
            if (stopping_)
                return;
            seq = processed_[worker];
        }
        stages_->process(worker, chunks_[seq % kRing]);
        std::lock_guard<std::mutex> guard(lock_);
        ++processed_[worker];
        changed_.notify_all();
    }
}
