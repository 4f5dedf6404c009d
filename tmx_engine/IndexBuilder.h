#pragma once

#include "core/util/Prefetch.h"
#include "tmx_engine/Index.h"
#include "tmx_engine/IndexArena.h"
#include "tmx_engine/IndexBuildStep.h"
#include "tmx_engine/IndexCheck.h"
#include "tmx_engine/IndexFastPaths.h"
#include "tmx_engine/IndexFileWriter.h"
#include "tmx_engine/IndexRefs.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// Collects search terms and their entry numbers in a trie in memory, then writes the whole index
// file in one pass. Nodes and posting lists live in the arena: a node takes four words (unit with
// posting count and flags, next sibling, children, postings); a single posting is kept in the node
// itself, longer lists in arena blocks of doubling size that are recycled when a list moves on.
// A node's children form a sibling chain until there are more than a few; then they move into a
// small hash table by unit, so that a word met after thousands of different words is still found
// at once. Nodes are handed out in ascending references, so the order in which children were
// first met is the order of their references, and the file lists them in that order.
//
// The trie may be filled by several threads at once, one per shard: a shard owns a set of buckets
// (terms of different buckets share no node) with its own allocation cursor and free blocks, and
// only the shard's thread touches them while it works. Because a bucket's nodes all come from one
// cursor, their references still grow in the order they were made.
//
// Running out of memory never throws out of the builder: it marks the builder failed, later input
// is ignored and write() returns false.
class IndexBuilder {
public:
    static constexpr uint32_t kPostingCap = 8192;

    IndexBuilder();
    virtual ~IndexBuilder();
    IndexBuilder(const IndexBuilder&) = delete;
    IndexBuilder& operator=(const IndexBuilder&) = delete;

    // Finds or creates the path of nodes for a term; 0 for an empty term or when memory ran out.
    uint32_t node(const std::wstring& term);
    uint32_t node(const wchar_t* term, size_t length);
    // True when a posting was appended after the first one of the term.
    bool addPosting(const std::wstring& term, uint32_t entry);

    // Writes the index file through a ReplacementFile: to a fresh temporary file beside it,
    // flushed, and moved onto path only after a complete write; on any failure (a stop included)
    // nothing is left behind, an old file at path stays as it was, and the result is false.
    // What only the entering of terms needs is freed first (see releaseFilling): terms entered
    // after a write build it anew.
    bool write(const std::wstring& path);

    // A stop from another thread (the loader thread's flag): once it is set, the threads that
    // enter terms stop at their next chunk, waits for them end, a write in progress ends at its
    // next bucket and leaves nothing, and failed() is true. Before the first entry; the flag must
    // outlive the builder.
    void setStopFlag(const std::atomic<bool>* flag) { stopFlag_ = flag; }
    bool stopRequested() const { return stopFlag_ && stopFlag_->load(std::memory_order_relaxed); }
    // Which fast paths the build takes (tests and benchmarks); before the first entry.
    void setFastPaths(const IndexFastPaths& paths) { fastPaths_ = paths; }
    const IndexFastPaths& fastPaths() const { return fastPaths_; }
    // Told of each step on the thread that fills or writes the builder (tests only).
    void setStepObserver(IndexBuildObserver observer) { observer_ = std::move(observer); }

    // Waits for the terms still being added on other threads (see finishPending). True after a
    // stop too.
    bool failed() const {
        finishPending();
        return failed_.load(std::memory_order_relaxed) || stopRequested();
    }
    // Caps the memory of nodes and postings (rounded down to whole arena blocks); indexing past it
    // fails cleanly instead of exhausting the address space.
    void setMemoryLimit(size_t bytes) {
        const size_t blocks = bytes / (size_t(IndexArena::kBlockWords) * 4);
        arena_.setBlockLimit(blocks < IndexArena::kMaxBlocks ? static_cast<uint32_t>(blocks)
                                                             : IndexArena::kMaxBlocks);
    }
    // True once a write found a bucket that does not start or end where the sizes counted while
    // filling put it: the trie and those counts disagree, and the write failed rather than put
    // out a wrong index. Never true of a sound build; tests and tools report it.
    bool layoutMismatched() const { return layoutMismatch_.load(std::memory_order_relaxed); }
    // Size of the file that write() would make.
    uint64_t fileSize() const;
    uint64_t wordCount() const;
    size_t arenaBytes() const { return arena_.bytesReserved(); }

    // Inspection of the trie (tests and tools).
    uint32_t postingCount(uint32_t node) const;
    bool isCapped(uint32_t node) const;
    bool isAlias(uint32_t node) const;
    std::vector<uint32_t> postingList(uint32_t node) const;

protected:
    // Blocks of 2^1 .. 2^17 words: posting lists up to 2^13, child tables up to 65536 slots.
    static constexpr int kSizeClasses = 18;

    // What one filling thread owns besides its buckets. Aligned apart so that two threads never
    // share a cache line.
    struct alignas(64) Shard {
        IndexArena::Cursor cursor;
        // The words that the nodes and postings of each bucket take in the file: the file's
        // layout is planned from them without walking the trie again.
        uint64_t bucketWords[IndexFormat::kBucketCount] = {};
        // Free blocks of each size class. Kept apart from the blocks themselves: taking one
        // then needs no read of a block that has long left the cache.
        std::vector<uint32_t> freeLists[kSizeClasses];
    };

    virtual uint64_t headerSize() const;
    virtual void writeHeader(IndexFileWriter& writer);
    // Waits until every term handed to other threads is in the trie. The trie then holds what all
    // the input so far gives, so inspecting it from a const function is no change.
    virtual void finishPending() const {}
    // Frees what entering terms keeps beside the trie, once every term is in: the write needs
    // the memory, which is at its height then.
    virtual void releaseFilling();

    // Only while no term is being added.
    void setShardCount(uint32_t count);
    uint32_t shardCount() const { return static_cast<uint32_t>(shards_.size()); }
    Shard& shard(uint32_t i) { return *shards_[i]; }
    // A bucket keeps its shard once it has one: its nodes must all come from one cursor.
    static constexpr uint32_t kNoOwner = 0xFF;
    void setBucketOwner(uint32_t bucket, uint32_t shard) { owners_[bucket] = static_cast<uint8_t>(shard); }
    uint32_t bucketOwner(uint32_t bucket) const { return owners_[bucket]; }

    // Walks from a node's children (from 0: from the bucket root) over the units, creating what is
    // missing. bucket is the bucket of the term being walked (for a walk from 0, that of the
    // units); the shard must own it.
    NodeRef descend(Shard& shard, uint32_t bucket, NodeRef from, const wchar_t* units, size_t length);
    bool appendPosting(Shard& shard, uint32_t bucket, NodeRef node, uint32_t entry);

    // A walk like descend's that only finds, one node a step: several of them advanced in turn
    // overlap their waits for memory, where one walk waits for each node before the next. Nodes
    // never move and a walk that finds a node creates nothing, so a probe begun earlier stays
    // true however the trie grew since, as long as it keeps nothing but nodes (NodeRef) from one
    // step to the next: a child table is a block that moves when it grows (its old block is
    // reused), so a probe at a table reads the table (a BlockRef, which cannot be kept) from its
    // node again at each step. A sibling
    // chain that became a table ends the probe early at worst. What it found, descend then takes
    // on from.
    struct Probe {
        NodeRef at;   // the deepest node found on the path
        NodeRef look; // the sibling examined next, or none when at's table is next
        const wchar_t* units = nullptr; // the units still to find below at
        uint32_t left = 0;
        uint8_t state = 0; // kProbeEnded, or what look holds
#if defined(INDEX_CHECKED)
        // Where it began, for the slow walk that the checked build compares its end with.
        NodeRef origin;
        const wchar_t* originUnits = nullptr;
        uint32_t originLength = 0;
#endif
    };
    static constexpr uint8_t kProbeEnded = 0;
    // From a node (not 0) over length units (at least one); the node's memory is fetched.
    void startProbe(Probe& probe, NodeRef from, const wchar_t* units, uint32_t length) const;
    // One node further; false once the probe has ended (the path was found, or a node of it is
    // missing so far).
    bool stepProbe(Probe& probe) const;
    // The node descend(shard, bucket, from, units, length) gives, for a probe begun from there.
    NodeRef finishProbe(Shard& shard, uint32_t bucket, Probe& probe);
    // The end of the path from a node's children (from none: the bucket's roots) over the units,
    // child after child, creating nothing; none where the path ends early. The slow walk that
    // the checked build compares the fast ones with.
    NodeRef findPath(uint32_t bucket, NodeRef from, const wchar_t* units, size_t length) const;
    bool failedSoFar() const { return failed_.load(std::memory_order_relaxed); }
    // The inspection functions without waiting, for the threads that fill the trie.
    uint32_t postingCountNow(NodeRef node) const;
    bool isAliasNow(NodeRef node) const;
    // Hints that a node, or the end of its posting list, is about to be used.
    void prefetch(const void* p) const {
        if (fastPaths_.prefetch)
            prefetchLine(p);
    }
    void prefetchNode(NodeRef node) const {
        if (node)
            prefetch(arena_.at(node.ref()));
    }
    void prefetchPostingEnd(NodeRef node) const;
    void makeAlias(NodeRef node, NodeRef target);
    void fail() { failed_.store(true, std::memory_order_relaxed); }
    const std::atomic<bool>* stopFlag() const { return stopFlag_; }
    void notify(IndexBuildStep step) const {
        if (observer_)
            observer_(step);
    }

    IndexFastPaths fastPaths_;

private:
    // The words of a node in the arena: its unit with the posting count and flags, its next
    // sibling, its children (a chain, or a table with kTableBit), its postings (the one entry
    // itself, or the block of a longer list).
    static constexpr uint32_t kHeadWord = 0;
    static constexpr uint32_t kSiblingWord = 1;
    static constexpr uint32_t kChildrenWord = 2;
    static constexpr uint32_t kPostingsWord = 3;
    static constexpr uint32_t kNodeWords = 4;
    // Bits of a node's first word.
    static constexpr uint32_t kUnitMask = 0xFFFF;
    static constexpr uint32_t kCountShift = 16;
    static constexpr uint32_t kCountMask = 0x3FFF;
    static constexpr uint32_t kCappedBit = 0x40000000u;
    static constexpr uint32_t kAliasBit = 0x80000000u;
    // A stored children reference with this bit names a child table instead of a chain.
    static constexpr uint32_t kTableBit = 0x80000000u;
    // Child tables live in one arena block of 2 * capacity words: the first two words hold the
    // count of children and log2 of the capacity, every other pair of words a unit (with this
    // occupied bit) and the child's reference.
    static constexpr uint32_t kOccupied = 0x10000u;
    static constexpr uint32_t kTableCountWord = 0;
    static constexpr uint32_t kTableLog2Word = 1;
    static uint32_t tableCapacity(const uint32_t* t) { return 1u << (t[kTableLog2Word] & 31); }
    // A chain longer than this becomes a table of 2^kFirstTableLog2 slots, which doubles as it
    // fills, up to 2^kMaxTableLog2 slots.
    static constexpr uint32_t kChainLimit = 8;
    static constexpr uint32_t kFirstTableLog2 = 5;
    static constexpr uint32_t kMaxTableLog2 = 16;
    // A table of 2^log2 slots takes two words a slot: the block of the next size class up.
    static constexpr uint32_t tableWords(uint32_t log2) { return 2u << log2; }
    static constexpr int tableSizeClass(uint32_t log2) { return static_cast<int>(log2) + 1; }

    uint32_t newNode(Shard& shard, uint32_t bucket, wchar_t unit);
    uint32_t child(Shard& shard, uint32_t bucket, uint32_t* children, uint32_t unit);
    // The child table that a children reference names (it has kTableBit), as it stands now.
    static BlockRef tableOf(uint32_t children) { return BlockRef(children & ~kTableBit); }
    uint32_t tableFind(BlockRef table, uint32_t unit) const;
    bool tableInsert(Shard& shard, uint32_t* children, uint32_t unit, uint32_t node);
    void childrenInOrder(uint32_t children, std::vector<uint32_t>& out) const;
    // Calls visit(ref) for each child under a children reference: a table's in slot order, a
    // chain's in the order they were met.
    template <class Visit> void forEachChild(uint32_t children, Visit&& visit) const {
        if (children & kTableBit) {
            const uint32_t* t = arena_.at(children & ~kTableBit);
            const uint32_t capacity = tableCapacity(t);
            for (uint32_t i = 1; i < capacity; ++i)
                if (t[2 * i] & kOccupied)
                    visit(t[2 * i + 1]);
        } else {
            for (uint32_t ref = children; ref; ref = arena_.at(ref)[kSiblingWord])
                visit(ref);
        }
    }
    uint32_t allocateBlock(Shard& shard, int sizeClass);
    void freeBlock(Shard& shard, uint32_t ref, int sizeClass);
    // The owner of a bucket; a bucket without one goes to the first shard.
    Shard& ownerOf(uint32_t bucket);
    uint64_t bucketBytes(uint32_t bucket, std::vector<uint32_t>& stack) const;
    bool writeBuckets(IndexFileWriter& out, uint32_t first, uint32_t last, const uint64_t* offsets,
                      bool withAliases) const;
    bool writeNodes(IndexFileWriter& out);

    uint32_t roots_[IndexFormat::kBucketCount];
    uint8_t owners_[IndexFormat::kBucketCount];
    IndexArena arena_;
    std::vector<std::unique_ptr<Shard>> shards_;
    uint32_t aliasCount_ = 0;
    std::unordered_map<uint32_t, uint32_t> aliasTargets_; // alias node -> the node it shares
    std::atomic<bool> failed_{false};
    mutable std::atomic<bool> layoutMismatch_{false};
    const std::atomic<bool>* stopFlag_ = nullptr;
    IndexBuildObserver observer_;
};
