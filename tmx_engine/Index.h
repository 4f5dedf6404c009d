#pragma once

#include "tmx_engine/MappedFile.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

// Byte layout shared by the index writer and reader.
namespace IndexFormat {
constexpr uint8_t kMagic[10] = {0x8B, 'T', 'M', 'X', 'I', 'N', 'D', 'E', 'X', 0x9B};
constexpr uint32_t kVersion = 0x00010001;
constexpr uint32_t kBucketCount = 1024;
constexpr uint16_t kAliasCount = 0xFFFF;

// A node, at byte offsets from its start: its unit and its posting count (kAliasCount for an
// alias) in the two halves of its first word, the offsets of its next sibling and of its first
// child (0 for none), then its postings, one word per entry number. An alias holds one word
// there instead: the offset of the node whose postings it shares.
constexpr uint32_t kNodeUnit = 0;
constexpr uint32_t kNodeCount = 2;
constexpr uint32_t kNodeSibling = 4;
constexpr uint32_t kNodeChild = 8;
constexpr uint32_t kNodePostings = 12;
constexpr uint32_t kAliasTarget = kNodePostings;
constexpr uint32_t kNodeHeaderSize = kNodePostings;

// What the terms of an index are: single words only, pairs (what the builder writes), or pairs
// both ways with the reversed ones aliases of the others.
constexpr uint16_t kPairModeSingleWords = 1;
constexpr uint16_t kPairModePairs = 2;
constexpr uint16_t kPairModeReversedPairs = 3;
// Whether terms start with their target language's own prefix, or with one prefix for all.
constexpr uint16_t kLanguageModeOwnPrefix = 1;
constexpr uint16_t kLanguageModeOnePrefix = 2;
constexpr wchar_t kOnePrefix = static_cast<wchar_t>(0xFF21);

// The writer sizes the file before it knows how much padding the header's alignment and the
// nodes' take: it reserves this much for each, and what it did not need is left as zeros after
// the last node.
constexpr uint32_t kAlignmentReserve = 7;
constexpr uint32_t kTrailingSlackLimit = 2 * kAlignmentReserve;

// The words of a node with count postings, or of an alias.
constexpr uint64_t nodeWords(uint32_t count, bool alias) {
    return kNodeHeaderSize / 4 + (alias ? 1 : uint64_t(count));
}
} // namespace IndexFormat

// Bucket of a search term, from its first two units (one for a one-unit term); -1 for an empty one.
int indexBucket(const wchar_t* key, size_t length);

// Error codes of Index::open.
enum IndexError : int {
    IndexOk = 0,
    IndexCannotOpen = 1,     // missing file, 4 GiB or more, mapping failed
    IndexHeaderRejected = 2, // magic or version: a file of another format
    IndexAlreadyOpen = 3,
    IndexDamaged = 4,        // the table or anything after magic and version does not hold up
};

// A word trie over a read-only mapping. Lookups walk the mapped bytes; nothing is loaded into
// objects. open() checks the header, the entry and bucket tables and every bucket root against
// the view, and, for an index up to fullCheckLimit() bytes, every node too: read in the order
// the writer lays them out, they must tile the file with each node reached by exactly one
// reference, so that a damaged file is refused at once (error 4) and can be rebuilt. A larger
// index is not read through at open, which would cost more than opening it is allowed to (some
// 3 ms a megabyte): its nodes are checked as lookups reach them. Either way no read leaves the
// view: a node whose offset lies outside it or not beyond the node that names it, whose postings
// run past the end, do not ascend or name an entry at or above the posting limit, or an alias
// that names no plain node, ends the lookup there as absent and marks the index damaged(); and a
// walk over the nodes below a term reads no more words than the file holds.
class Index {
public:
    struct Postings {
        const uint8_t* first = nullptr;
        uint32_t count = 0;
        uint32_t at(uint32_t i) const {
            uint32_t v;
            std::memcpy(&v, first + 4 * static_cast<size_t>(i), 4);
            return v;
        }
    };

    Index() = default;
    virtual ~Index() = default;
    Index(const Index&) = delete;
    Index& operator=(const Index&) = delete;

    static constexpr uint64_t kDefaultFullCheckLimit = 32u << 20;

    // True on success; lastError() tells why not. headerOnly reads the header and closes again.
    bool open(const std::wstring& path, bool headerOnly);
    int lastError() const { return lastError_; }
    bool isOpen() const { return file_.isOpen(); }
    // Whether a lookup met damage that open() did not check for.
    bool damaged() const { return damagedNodes_.load(std::memory_order_relaxed); }
    // Indexes up to this size have every node checked at open.
    void setFullCheckLimit(uint64_t bytes) { fullCheckLimit_ = bytes; }
    uint64_t fullCheckLimit() const { return fullCheckLimit_; }

    // Offset of the node of exactly this term, 0 when absent (also for an empty term).
    uint32_t find(const wchar_t* key, size_t length) const;
    uint32_t find(const std::wstring& key) const { return find(key.data(), key.size()); }

    // An alias node yields nothing unless followAlias is set.
    Postings postings(uint32_t node, bool followAlias) const;

    // Adds the entry numbers of the node and every node below it (own postings first, then the
    // children depth first) until budget new numbers went in. False for a missing node.
    bool collect(uint32_t node, std::set<uint32_t>& set, bool followAlias, uint32_t budget) const;

protected:
    virtual bool validateHeader(MappedFile& reader);
    virtual bool validateTable(const uint8_t* viewStart);

    // Called by validateHeader when the file has the right magic and version but its header does
    // not hold up: open then fails with IndexDamaged instead of IndexHeaderRejected.
    void markDamaged() { damaged_ = true; }
    // Postings must lie below this number (the entry count of a TMX index).
    void setPostingLimit(uint32_t limit) { postingLimit_ = limit; }
    const MappedFile& file() const { return file_; }

private:
    struct Node {
        uint16_t unit;
        uint16_t count;
        uint32_t sibling;
        uint32_t child;
    };
    bool readNode(uint32_t offset, Node& node) const;
    bool validateTrie() const;
    bool aliasTargetsArePlainNodes(std::vector<uint32_t>& targets, uint64_t nodesEnd) const;
    // The count postings at offset ascend, each once, and lie below the posting limit.
    bool postingsAscendBelowLimit(uint32_t offset, uint32_t count) const;
    void markNodeDamage() const { damagedNodes_.store(true, std::memory_order_relaxed); }
    uint32_t u32At(size_t offset) const {
        uint32_t v;
        std::memcpy(&v, file_.start() + offset, 4);
        return v;
    }

    uint32_t bucketTable_ = 0;
    uint32_t bucketCount_ = 0;
    uint32_t nodesStart_ = 0;
    MappedFile file_;
    int lastError_ = IndexOk;
    bool damaged_ = false;
    uint32_t postingLimit_ = UINT32_MAX;
    uint64_t fullCheckLimit_ = kDefaultFullCheckLimit;
    mutable std::atomic<bool> damagedNodes_{false};
};
