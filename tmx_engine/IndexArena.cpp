#include "tmx_engine/IndexArena.h"

#include <cstdlib>

IndexArena::IndexArena() { blocks_.reserve(kMaxBlocks); }

IndexArena::~IndexArena() {
    for (uint32_t* block : blocks_)
        std::free(block);
}

uint32_t IndexArena::allocate(uint32_t words) {
    if (words == 0 || words > kBlockWords)
        return 0;
    if (words > left_) {
        if (blocks_.size() >= blockLimit_)
            return 0;
        uint32_t* block = static_cast<uint32_t*>(std::malloc(size_t(kBlockWords) * 4));
        if (!block)
            return 0;
        const uint32_t number = static_cast<uint32_t>(blocks_.size());
        blocks_.push_back(block);
        next_ = number << kBlockShift;
        left_ = kBlockWords;
        // Reference 0 means "none": the first words of the first block are never handed out.
        if (number == 0) {
            next_ += 4;
            left_ -= 4;
        }
        if (words > left_)
            return 0;
    }
    const uint32_t ref = next_;
    next_ += words;
    left_ -= words;
    return ref;
}
