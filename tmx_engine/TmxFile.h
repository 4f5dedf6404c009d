#pragma once

#include "core/threads/Lockable.h"
#include "tmx_engine/IndexBuildStep.h"
#include "tmx_engine/IndexFastPaths.h"
#include "tmx_engine/ParallelTmxParser.h"
#include "tmx_engine/TmxEntryProvider.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class MappedFile;
class TmxIndex;
class TmxIndexBuilder;

// One TMX file with its word index beside it (the TMX path with ".idx" appended). The index is
// rebuilt only when the TMX file's modification time differs from the one stored in it; entries
// are parsed from the mapped TMX file only when asked for, and kept once parsed.
class TmxFile : public TmxEntryProvider {
public:
    TmxFile();
    ~TmxFile() override;
    TmxFile(const TmxFile&) = delete;
    TmxFile& operator=(const TmxFile&) = delete;

    LoadCode load(const std::wstring& path) override;
    void setStopFlag(const std::atomic<bool>* flag) override { stopFlag_ = flag; }
    // Told of each step of an index rebuild, on the loading thread (tests only).
    void setStepObserver(IndexBuildObserver observer) { observer_ = std::move(observer); }
    // How a rebuild reads the file on several threads (tests and benchmarks; threads 1 reads it
    // in one pass on the loading thread).
    void setParallelOptions(const ParallelTmxParser::Options& options) { parallelOptions_ = options; }
    // Threads that enter the terms of a rebuild (tests and benchmarks; unless set, the builder
    // chooses; 0 or 1 enters them on the loading thread).
    void setTermThreads(uint32_t threads) {
        termThreads_ = threads;
        termThreadsSet_ = true;
    }
    // Which fast paths a rebuild takes (tests and benchmarks; all by default).
    void setFastPaths(const IndexFastPaths& paths) { fastPaths_ = paths; }
    int loadProgress() override;
    const TmxHeader& sourceLanguage() const override;
    const LanguageMap& languages() const override;
    const std::vector<std::wstring>& memberNames() const override;
    const std::wstring& memberName(uint32_t id) const override;
    uint32_t memberColor(uint32_t id) const override;
    uint32_t entryCount() const override;
    const TmxEntry* readEntry(uint32_t id) override;
    std::unique_ptr<TmxEntry> readEntryUncached(uint32_t id) override;
    uint32_t entryOffset(uint32_t id) const override;
    int fileCount() const override;
    int search(const std::wstring& language, const std::vector<SegmentElement>& includeTokens,
               const std::vector<SegmentElement>& excludeTokens, uint32_t budget,
               bool& strongMatch, SearchResults& results) override;

    // The index of a loaded file (null before); the search and the tools read it.
    const TmxIndex* index() const { return index_.get(); }

private:
    bool buildIndex(const std::wstring& path, const std::wstring& indexPath, const PackedDate& tmxDate,
                    uint32_t fileSize);
    void prepareBuilder(TmxIndexBuilder& builder, const PackedDate& tmxDate) const;
    // After the whole file was read into the builder: false when it failed or cannot be written.
    bool finishBuild(TmxIndexBuilder& builder, const std::wstring& indexPath);
    TmxEntry* parseEntry(uint32_t id) const;
    bool stopRequested() const { return stopFlag_ && stopFlag_->load(std::memory_order_relaxed); }

    // Installs an indexing pass for the progress poll and withdraws it, under the lock.
    class RunningParser {
    public:
        RunningParser(TmxFile& file, const std::atomic<uint32_t>& tuOffset, uint32_t fileSize);
        ~RunningParser();
        RunningParser(const RunningParser&) = delete;
        RunningParser& operator=(const RunningParser&) = delete;

    private:
        TmxFile& file_;
    };

    Lockable lock_;
    const std::atomic<bool>* stopFlag_ = nullptr;
    IndexBuildObserver observer_;
    ParallelTmxParser::Options parallelOptions_;
    uint32_t termThreads_ = 0;
    bool termThreadsSet_ = false;
    IndexFastPaths fastPaths_;
    // Guarded by lock_: the offset that the running indexing pass has reached, the size of the
    // file it reads, the writing flag, and the progress last reported (a pass that starts over
    // after the parallel reading declined the file does not take the bar back).
    uint32_t indexingSize_ = 0;
    const std::atomic<uint32_t>* tuOffset_ = nullptr;
    int progressFloor_ = 0;
    bool writing_ = false;

    std::unique_ptr<MappedFile> tmxView_;
    std::unique_ptr<TmxIndex> index_;
    // One slot per entry, filled on first read, in chunks that are allocated when one of their
    // entries is first read (a large file's cache costs nothing at opening). Chunks and slots are
    // published once with a compare-exchange, so concurrent readers of one entry agree on a single
    // object and nobody takes a lock.
    static constexpr uint32_t kCacheChunkShift = 10;
    static constexpr uint32_t kCacheChunkSize = 1u << kCacheChunkShift;
    using CacheChunk = std::atomic<TmxEntry*>[kCacheChunkSize];
    std::atomic<TmxEntry*>* cacheSlot(uint32_t id);
    std::unique_ptr<std::atomic<CacheChunk*>[]> cache_;
    uint32_t cacheChunks_ = 0;
};
