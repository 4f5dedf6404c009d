#pragma once

#include "tmx_engine/IndexArena.h"
#include "tmx_engine/MappedFile.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// Collects search terms and their entry numbers in a trie in memory, then writes the whole index
// file in one pass. Nodes and posting lists live in the arena: a node takes four words (unit with
// posting count and flags, next sibling, first child, postings); a single posting is kept in the
// node itself, longer lists in arena blocks of doubling size that are recycled when a list moves
// on. New siblings go to the end of their chain, so the file lists children in the order in which
// they were first met.
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
    virtual void writeHeader(MappedFile& writer);

    // Walks from a node's child slot (0: from the bucket roots of the units) over the units,
    // creating what is missing.
    uint32_t descend(uint32_t from, const wchar_t* units, size_t length);
    bool appendPosting(uint32_t node, uint32_t entry);
    void makeAlias(uint32_t node, uint32_t target);
    void fail() { failed_ = true; }

    uint32_t options_ = kDropCappedPostings;

private:
    // Bits of a node's first word.
    static constexpr uint32_t kCountShift = 16;
    static constexpr uint32_t kCountMask = 0x3FFF;
    static constexpr uint32_t kCappedBit = 0x40000000u;
    static constexpr uint32_t kAliasBit = 0x80000000u;
    static constexpr int kSizeClasses = 14; // posting blocks of 2^1 .. 2^13 words

    uint32_t newNode(wchar_t unit);
    uint32_t allocatePostings(int sizeClass);
    void freePostings(uint32_t ref, int sizeClass);
    bool writeNodes(MappedFile& out, size_t bucketTable);

    uint32_t roots_[1024];
    IndexArena arena_;
    uint32_t freeLists_[kSizeClasses] = {};
    uint64_t wordCount_ = 0;
    uint32_t aliasCount_ = 0;
    std::unordered_map<uint32_t, uint32_t> aliasTargets_; // alias node -> the node it shares
    bool failed_ = false;
};
