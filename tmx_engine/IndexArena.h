#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

// Word-addressed storage for the builder's trie nodes and posting lists. Memory comes in blocks of
// one fixed size, so that a large index never needs one ever larger contiguous allocation in a
// 32-bit address space; nothing is freed before the arena is destroyed. A reference is a 31-bit
// word number (block in the high bits), 0 meaning none, so nodes take the same room in 32- and
// 64-bit builds and the top bit of a stored reference is free for a flag.
//
// Several threads may allocate at once, each through its own cursor: a cursor takes whole blocks
// (block numbers grow in the order they are taken), so the references one cursor hands out grow in
// the order of its allocations. Any thread may read a reference once the allocating thread's
// writes are visible to it.
class IndexArena {
public:
    static constexpr uint32_t kBlockShift = 19; // 512 Ki words = 2 MiB per block
    static constexpr uint32_t kBlockWords = 1u << kBlockShift;
    static constexpr uint32_t kMaxBlocks = 1u << (31 - kBlockShift);

    struct Cursor {
        uint32_t next = 0; // reference of the next free word in the cursor's block
        uint32_t left = 0; // free words left there
    };

    IndexArena();
    ~IndexArena();
    IndexArena(const IndexArena&) = delete;
    IndexArena& operator=(const IndexArena&) = delete;

    // Room for words (at most kBlockWords) 32-bit words, uninitialised; 0 when memory ran out.
    uint32_t allocate(Cursor& cursor, uint32_t words) {
        if (words <= cursor.left && words != 0) {
            const uint32_t ref = cursor.next;
            cursor.next += words;
            cursor.left -= words;
            return ref;
        }
        return allocateInNewBlock(cursor, words);
    }

    uint32_t* at(uint32_t ref) { return blocks_[ref >> kBlockShift] + (ref & (kBlockWords - 1)); }
    const uint32_t* at(uint32_t ref) const {
        return blocks_[ref >> kBlockShift] + (ref & (kBlockWords - 1));
    }

    size_t bytesReserved() const {
        return size_t(blockCount_.load(std::memory_order_relaxed)) * kBlockWords * 4;
    }
    // At most this many blocks are taken; allocations beyond them fail.
    void setBlockLimit(uint32_t blocks) { blockLimit_ = blocks < kMaxBlocks ? blocks : kMaxBlocks; }

private:
    uint32_t allocateInNewBlock(Cursor& cursor, uint32_t words);

    std::unique_ptr<uint32_t*[]> blocks_;
    std::atomic<uint32_t> blockCount_{0};
    std::mutex lock_; // taken only to add a block
    uint32_t blockLimit_ = kMaxBlocks;
};
