#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Word-addressed storage for the builder's trie nodes and posting lists. Memory comes in blocks of
// one fixed size, so that a large index never needs one ever larger contiguous allocation in a
// 32-bit address space; nothing is freed before the arena is destroyed. A reference is a 31-bit
// word number (block in the high bits), 0 meaning none, so nodes take the same room in 32- and
// 64-bit builds and the top bit of a stored reference is free for a flag. References grow in the
// order of allocation.
class IndexArena {
public:
    static constexpr uint32_t kBlockShift = 22; // 4 Mi words = 16 MiB per block
    static constexpr uint32_t kBlockWords = 1u << kBlockShift;
    static constexpr uint32_t kMaxBlocks = 1u << (31 - kBlockShift);

    IndexArena();
    ~IndexArena();
    IndexArena(const IndexArena&) = delete;
    IndexArena& operator=(const IndexArena&) = delete;

    // Room for words (at most kBlockWords) 32-bit words, uninitialised; 0 when memory ran out.
    uint32_t allocate(uint32_t words);

    uint32_t* at(uint32_t ref) { return blocks_[ref >> kBlockShift] + (ref & (kBlockWords - 1)); }
    const uint32_t* at(uint32_t ref) const {
        return blocks_[ref >> kBlockShift] + (ref & (kBlockWords - 1));
    }

    size_t bytesReserved() const { return blocks_.size() * size_t(kBlockWords) * 4; }
    // At most this many blocks are taken; allocations beyond them fail.
    void setBlockLimit(uint32_t blocks) { blockLimit_ = blocks < kMaxBlocks ? blocks : kMaxBlocks; }

private:
    std::vector<uint32_t*> blocks_;
    uint32_t next_ = 0; // reference of the next free word in the last block
    uint32_t left_ = 0; // free words left in the last block
    uint32_t blockLimit_ = kMaxBlocks;
};
