#include "tmx_engine/IndexArena.h"

#include <windows.h>

IndexArena::IndexArena() : blocks_(new uint32_t*[kMaxBlocks]()) {}

IndexArena::~IndexArena() {
    const uint32_t count = blockCount_.load();
    for (uint32_t i = 0; i < count; ++i)
        VirtualFree(blocks_[i], 0, MEM_RELEASE);
}

uint32_t IndexArena::allocateInNewBlock(Cursor& cursor, uint32_t words) {
    if (words == 0 || words > kBlockWords)
        return 0;
    uint32_t number;
    {
        std::lock_guard<std::mutex> guard(lock_);
        number = blockCount_.load(std::memory_order_relaxed);
        if (number >= blockLimit_)
            return 0;
        // Straight from the system: a block is a whole number of pages and of the address
        // space's allocation granules, where the heap would add a header and round each block
        // up by a granule (3 % more memory over hundreds of blocks).
        uint32_t* block = static_cast<uint32_t*>(
            VirtualAlloc(nullptr, size_t(kBlockWords) * 4, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!block)
            return 0;
        blocks_[number] = block;
        blockCount_.store(number + 1, std::memory_order_release);
    }
    cursor.next = number << kBlockShift;
    cursor.left = kBlockWords;
    // Reference 0 means "none": the first words of the first block are never handed out.
    if (number == 0) {
        cursor.next += 4;
        cursor.left -= 4;
    }
    const uint32_t ref = cursor.next;
    cursor.next += words;
    cursor.left -= words;
    return ref;
}
