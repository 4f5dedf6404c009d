#pragma once

#include "tmx_engine/IndexArena.h"
#include "tmx_engine/IndexFileWriter.h"

#include <cstdint>
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
// Running out of memory never throws out of the builder: it marks the builder failed, later input
// is ignored and write() returns false.
class IndexBuilder {
public:
    static constexpr uint32_t kPostingCap = 8192;
    static constexpr uint32_t kDropCappedPostings = 0x01;

    IndexBuilder();
    virtual ~IndexBuilder();
    IndexBuilder(const IndexBuilder&) = delete;
    IndexBuilder& operator=(const IndexBuilder&) = delete;

    // Finds or creates the path of nodes for a term; 0 for an empty term or when memory ran out.
    uint32_t node(const std::wstring& term);
    uint32_t node(const wchar_t* term, size_t length);
    // True when a posting was appended after the first one of the term.
    bool addPosting(const std::wstring& term, uint32_t entry);

    // Writes the index file: first to path + ".tmp" beside it, moved onto path only after a
    // complete write; on any failure nothing is left behind and the result is false.
    bool write(const std::wstring& path);

    bool failed() const { return failed_; }
    // Caps the memory of nodes and postings (rounded down to whole arena blocks); indexing past it
    // fails cleanly instead of exhausting the address space.
    void setMemoryLimit(size_t bytes) {
        const size_t blocks = bytes / (size_t(IndexArena::kBlockWords) * 4);
        arena_.setBlockLimit(blocks < IndexArena::kMaxBlocks ? static_cast<uint32_t>(blocks)
                                                             : IndexArena::kMaxBlocks);
    }
    // Size of the file that write() would make.
    uint64_t fileSize() const;
    uint64_t wordCount() const { return wordCount_; }
    size_t arenaBytes() const { return arena_.bytesReserved(); }

    // Inspection of the trie (tests and tools).
    uint32_t postingCount(uint32_t node) const;
    bool isCapped(uint32_t node) const;
    bool isAlias(uint32_t node) const;
    std::vector<uint32_t> postingList(uint32_t node) const;

protected:
    virtual uint64_t headerSize() const;
    virtual void writeHeader(IndexFileWriter& writer);

    // Walks from a node's children (from 0: from the bucket root of the units) over the units,
    // creating what is missing.
    uint32_t descend(uint32_t from, const wchar_t* units, size_t length);
    bool appendPosting(uint32_t node, uint32_t entry);
    // Hints that a node, or the end of its posting list, is about to be used.
    void prefetchNode(uint32_t node) const {
        if (node)
            __builtin_prefetch(arena_.at(node));
    }
    void prefetchPostingEnd(uint32_t node) const;
    void makeAlias(uint32_t node, uint32_t target);
    void fail() { failed_ = true; }

    uint32_t options_ = kDropCappedPostings;

private:
    // Bits of a node's first word.
    static constexpr uint32_t kCountShift = 16;
    static constexpr uint32_t kCountMask = 0x3FFF;
    static constexpr uint32_t kCappedBit = 0x40000000u;
    static constexpr uint32_t kAliasBit = 0x80000000u;
    // Blocks of 2^1 .. 2^17 words: posting lists up to 2^13, child tables up to 65536 slots.
    static constexpr int kSizeClasses = 18;
    // A stored children reference with this bit names a child table instead of a chain.
    static constexpr uint32_t kTableBit = 0x80000000u;
    static constexpr uint32_t kChainLimit = 8;

    uint32_t newNode(wchar_t unit);
    uint32_t child(uint32_t* children, uint32_t unit);
    uint32_t tableFind(uint32_t table, uint32_t unit) const;
    bool tableInsert(uint32_t* children, uint32_t unit, uint32_t node);
    void childrenInOrder(uint32_t children, std::vector<uint32_t>& out) const;
    uint32_t allocateBlock(int sizeClass);
    void freeBlock(uint32_t ref, int sizeClass);
    bool writeNodes(IndexFileWriter& out, uint64_t bucketTable);

    uint32_t roots_[1024];
    IndexArena arena_;
    uint32_t freeLists_[kSizeClasses] = {};
    uint64_t wordCount_ = 0;
    uint32_t aliasCount_ = 0;
    std::unordered_map<uint32_t, uint32_t> aliasTargets_; // alias node -> the node it shares
    bool failed_ = false;
};
