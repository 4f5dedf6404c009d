#pragma once

#include "core/threads/WaitCondition.h"
#include "tmx_engine/IndexWorkerThread.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// The words of a run of entries, copied out of their segments so that other threads can turn
// them into terms while the caller parses on.
struct IndexChunk {
    struct Entry {
        uint32_t number;
        uint32_t firstWord;
        uint32_t wordCount;
        wchar_t prefix;
        bool barInWord; // a word holds a "|"
    };
    struct Word {
        uint32_t start; // in text
        uint32_t length;
    };

    std::vector<Entry> entries;
    std::vector<Word> words;
    std::vector<wchar_t> text;
    // Filled by the prepare stage: the word's number, the bucket of the terms that begin with it,
    // and the shard that owns that bucket.
    std::vector<uint32_t> ids;
    std::vector<uint16_t> buckets;
    std::vector<uint8_t> owners;

    void clear() {
        entries.clear();
        words.clear();
        text.clear();
    }
    // Large enough that handing chunks over costs next to nothing.
    bool full() const { return entries.size() >= 8192 || words.size() >= 131072; }
};

// Carries chunks from the caller through two stages: one thread prepares each chunk, in order;
// then every worker processes every chunk, each in order, the workers independently of one
// another. A few chunks are in flight at once; the caller waits only when all of them are. With no
// workers, or when threads cannot be started, both stages run on the caller's thread as each
// chunk is handed over (every worker's share in turn). The threads are joined on every path, the
// destructor included.
//
// Progress is kept in atomic counters; a thread that finds nothing to do spins briefly and then
// sleeps, and is woken only by the stage that feeds it (waking is costly under some systems).
class IndexPipeline {
public:
    class Stages {
    public:
        // Neither may throw: failures are the stages' own to record.
        virtual void prepare(IndexChunk& chunk) = 0;
        virtual void process(uint32_t worker, const IndexChunk& chunk) = 0;

    protected:
        ~Stages() = default;
    };

    IndexPipeline() = default;
    ~IndexPipeline() { stop(); }
    IndexPipeline(const IndexPipeline&) = delete;
    IndexPipeline& operator=(const IndexPipeline&) = delete;

    // Once, before the first chunk. Inline when workers is 1 or less, or when threads cannot start.
    // With a stop flag, every wait also ends once the flag is set (sleepers look at it every
    // 20 ms): submit() and finish() then return at once without waiting for the other threads,
    // which stop at their next wait; stop() (or the destructor) joins them. The flag must outlive
    // the pipeline's threads.
    void start(Stages& stages, uint32_t workers, const std::atomic<bool>* stopFlag = nullptr);
    bool started() const { return stages_ != nullptr; }
    // The chunk the caller fills now.
    IndexChunk& current() { return chunks_[submitted_.value.load(std::memory_order_relaxed) % kRing]; }
    // Hands the current chunk over (when it holds anything) and readies the next one. False when
    // the stop flag or stop() ended the wait for a free chunk: the caller must hand over nothing
    // more (the chunk it would fill may still be read).
    bool submit();
    // Waits until every chunk handed over is processed, then processes the current one. False
    // (nothing processed) when the stop flag ended the wait.
    bool finish();
    // Ends and joins the threads; chunks not yet processed are dropped.
    void stop();
    // stop(), and the chunks' memory freed.
    void release();

private:
    static constexpr uint32_t kRing = 4;

    // One place where threads of one role sleep.
    struct Parking {
        WaitLock lock;
        WaitCondition woken;
        std::atomic<uint32_t> sleepers{0};
    };
    struct alignas(64) Counter {
        std::atomic<uint64_t> value{0};
    };

    template <class Ready> bool waitFor(Parking& parking, Ready ready);
    bool halted() const {
        return stopping_.load(std::memory_order_acquire) ||
               (stopFlag_ && stopFlag_->load(std::memory_order_relaxed));
    }
    static void wake(Parking& parking);
    void runHere(IndexChunk& chunk);
    void prepareLoop();
    void workerLoop(uint32_t worker);
    uint64_t slowestWorker() const;

    Stages* stages_ = nullptr;
    uint32_t workers_ = 1;
    IndexChunk chunks_[kRing];
    std::vector<IndexWorkerThread> threads_;
    Counter submitted_;
    Counter prepared_;
    std::unique_ptr<Counter[]> processed_;
    std::atomic<bool> stopping_{false};
    const std::atomic<bool>* stopFlag_ = nullptr;
    Parking caller_;
    Parking preparer_;
    Parking workersParking_;
};
