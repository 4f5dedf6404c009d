#include "tmx_engine/IndexBuilder.h"

#include "tmx_engine/Index.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(INDEX_CHECKED)
void indexCheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "index builder check failed: %s (%s:%d)\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}
#endif

// The trie: nodes, child chains and tables, walks and probes, posting lists and their blocks. The
// file is written from it by the layout writer (IndexBuilderLayout.cpp).

namespace {

int sizeClassOf(uint32_t count) { // count >= 2
    return 32 - __builtin_clz(count - 1);
}

} // namespace

IndexBuilder::IndexBuilder() {
    std::memset(roots_, 0, sizeof roots_);
    std::memset(owners_, kNoOwner, sizeof owners_);
    shards_.push_back(std::make_unique<Shard>());
}

void IndexBuilder::setShardCount(uint32_t count) {
    if (count < 1)
        count = 1;
    if (count > kNoOwner)
        count = kNoOwner;
    while (shards_.size() < count)
        shards_.push_back(std::make_unique<Shard>());
}

uint64_t IndexBuilder::wordCount() const {
    finishPending();
    uint64_t words = 0;
    for (const auto& s : shards_)
        for (uint64_t w : s->bucketWords)
            words += w;
    return words;
}

IndexBuilder::Shard& IndexBuilder::ownerOf(uint32_t bucket) {
    if (owners_[bucket] == kNoOwner)
        owners_[bucket] = 0;
    return *shards_[owners_[bucket]];
}

IndexBuilder::~IndexBuilder() = default;

void IndexBuilder::releaseFilling() {
    // Blocks on the free lists stay in the arena; only their lists go.
    for (auto& s : shards_)
        for (std::vector<uint32_t>& list : s->freeLists)
            std::vector<uint32_t>().swap(list);
}

uint32_t IndexBuilder::newNode(Shard& shard, uint32_t bucket, wchar_t unit) {
    const uint32_t ref = arena_.allocate(shard.cursor, kNodeWords);
    if (!ref) {
        fail();
        return 0;
    }
    uint32_t* n = arena_.at(ref);
    n[kHeadWord] = static_cast<uint16_t>(unit);
    n[kSiblingWord] = n[kChildrenWord] = n[kPostingsWord] = 0;
    // In the file a node without postings takes its header's words.
    shard.bucketWords[bucket] += IndexFormat::nodeWords(0, false);
    return ref;
}

// Child tables (laid out as kOccupied tells): slots are probed linearly from the unit's low bits.
uint32_t IndexBuilder::tableFind(BlockRef table, uint32_t unit) const {
    const uint32_t* t = arena_.at(table.ref());
    const uint32_t mask = tableCapacity(t) - 1;
    uint32_t i = unit & mask;
    for (;;) {
        if (i == 0)
            i = 1;
        const uint32_t key = t[2 * i];
        if (!(key & kOccupied))
            return 0;
        if ((key & kUnitMask) == unit)
            return t[2 * i + 1];
        i = (i + 1) & mask;
    }
}

bool IndexBuilder::tableInsert(Shard& shard, uint32_t* children, uint32_t unit, uint32_t node) {
    uint32_t table = *children & ~kTableBit;
    uint32_t* t = arena_.at(table);
    uint32_t count = t[kTableCountWord];
    uint32_t log2 = t[kTableLog2Word];
    if (2 * (count + 1) > (1u << log2) - 1) {
        if (log2 == kMaxTableLog2) {
            // 65535 slots: every unit value but one already has a child here.
            if (count + 1 > (1u << log2) - 1)
                return false;
        } else {
            const uint32_t bigger = allocateBlock(shard, tableSizeClass(log2 + 1));
            if (!bigger)
                return false;
            uint32_t* b = arena_.at(bigger);
            std::memset(b, 0, 4 * size_t(tableWords(log2 + 1)));
            b[kTableCountWord] = count;
            b[kTableLog2Word] = log2 + 1;
            const uint32_t mask = (1u << (log2 + 1)) - 1;
            t = arena_.at(table);
            for (uint32_t i = 1; i < (1u << log2); ++i) {
                if (!(t[2 * i] & kOccupied))
                    continue;
                uint32_t j = t[2 * i] & mask;
                for (;;) {
                    if (j == 0)
                        j = 1;
                    if (!(b[2 * j] & kOccupied))
                        break;
                    j = (j + 1) & mask;
                }
                b[2 * j] = t[2 * i];
                b[2 * j + 1] = t[2 * i + 1];
            }
            freeBlock(shard, table, tableSizeClass(log2));
            table = bigger;
            *children = table | kTableBit;
            t = b;
            log2 += 1;
        }
    }
    const uint32_t mask = (1u << log2) - 1;
    uint32_t i = unit & mask;
    for (;;) {
        if (i == 0)
            i = 1;
        if (!(t[2 * i] & kOccupied))
            break;
        i = (i + 1) & mask;
    }
    t[2 * i] = unit | kOccupied;
    t[2 * i + 1] = node;
    t[kTableCountWord] = count + 1;
    // A free slot is left, or a lookup of a missing unit would not end.
    INDEX_ASSERT(t[kTableCountWord] < (1u << log2) - 1);
    return true;
}

// The child of this unit under the given children reference, created when missing.
uint32_t IndexBuilder::child(Shard& shard, uint32_t bucket, uint32_t* children, uint32_t unit) {
    if (*children & kTableBit) {
        const uint32_t found = tableFind(tableOf(*children), unit);
        if (found)
            return found;
        const uint32_t created = newNode(shard, bucket, static_cast<wchar_t>(unit));
        if (!created)
            return 0;
        if (!tableInsert(shard, children, unit, created)) {
            fail();
            return 0;
        }
        return created;
    }
    uint32_t* slot = children;
    uint32_t length = 0;
    for (uint32_t ref = *slot; ref; ref = *slot) {
        uint32_t* n = arena_.at(ref);
        if ((n[kHeadWord] & kUnitMask) == unit)
            return ref;
        slot = &n[kSiblingWord];
        ++length;
    }
    const uint32_t created = newNode(shard, bucket, static_cast<wchar_t>(unit));
    if (!created)
        return 0;
    if (length < kChainLimit) {
        // Arena blocks never move, so the slot stays valid across the allocation.
        *slot = created;
        return created;
    }
    // A long chain becomes a table.
    const uint32_t table = allocateBlock(shard, tableSizeClass(kFirstTableLog2));
    if (!table)
        return 0;
    std::memset(arena_.at(table), 0, 4 * size_t(tableWords(kFirstTableLog2)));
    arena_.at(table)[kTableLog2Word] = kFirstTableLog2;
    uint32_t ref = *children;
    *children = table | kTableBit;
    while (ref) {
        const uint32_t next = arena_.at(ref)[kSiblingWord];
        arena_.at(ref)[kSiblingWord] = 0;
        tableInsert(shard, children, arena_.at(ref)[kHeadWord] & kUnitMask, ref);
        ref = next;
    }
    tableInsert(shard, children, unit, created);
    return created;
}

NodeRef IndexBuilder::descend(Shard& shard, uint32_t bucket, NodeRef from, const wchar_t* units,
                              size_t length) {
    if (length == 0 || failedSoFar())
        return NodeRef();
    // A bucket's nodes all come from its owner's cursor (the first shard's while it has none).
    INDEX_ASSERT(shards_[owners_[bucket] == kNoOwner ? 0 : owners_[bucket]].get() == &shard);
    uint32_t* children = from ? &arena_.at(from.ref())[kChildrenWord] : &roots_[bucket];
    for (size_t i = 0;;) {
        const uint32_t ref = child(shard, bucket, children, static_cast<uint16_t>(units[i]));
        if (!ref)
            return NodeRef();
        if (++i == length)
            return NodeRef(ref);
        children = &arena_.at(ref)[kChildrenWord];
    }
}

namespace {
// What a probe's look holds.
constexpr uint8_t kProbeChildren = 1; // nothing yet: at's children are read next
constexpr uint8_t kProbeChain = 2;    // a node of a sibling chain
constexpr uint8_t kProbeTable = 3;    // a child table
} // namespace

void IndexBuilder::startProbe(Probe& probe, NodeRef from, const wchar_t* units, uint32_t length) const {
    probe.at = from;
    probe.look = NodeRef();
    probe.units = units;
    probe.left = length;
    probe.state = from && length ? kProbeChildren : kProbeEnded;
#if defined(INDEX_CHECKED)
    probe.origin = from;
    probe.originUnits = units;
    probe.originLength = length;
#endif
    if (probe.state != kProbeEnded)
        prefetch(arena_.at(from.ref()));
}

bool IndexBuilder::stepProbe(Probe& probe) const {
    uint32_t children;
    switch (probe.state) {
    case kProbeChildren:
        children = arena_.at(probe.at.ref())[kChildrenWord];
        break;
    case kProbeChain: {
        const uint32_t* n = arena_.at(probe.look.ref());
        if ((n[kHeadWord] & kUnitMask) != static_cast<uint16_t>(*probe.units)) {
            probe.look = NodeRef(n[kSiblingWord]);
            if (!probe.look) {
                probe.state = kProbeEnded;
                return false;
            }
            prefetch(arena_.at(probe.look.ref()));
            return true;
        }
        probe.at = probe.look;
        ++probe.units;
        if (--probe.left == 0) {
            probe.state = kProbeEnded;
            return false;
        }
        // The node's own children reference lies in the line just read.
        children = n[kChildrenWord];
        break;
    }
    case kProbeTable: {
        // The table is found anew from its node: one that grew since the last step went back to
        // the free blocks and may hold another node's children by now. A table never turns back
        // into a chain.
        const uint32_t children = arena_.at(probe.at.ref())[kChildrenWord];
        INDEX_ASSERT(children & kTableBit);
        const uint32_t found = tableFind(tableOf(children), static_cast<uint16_t>(*probe.units));
        if (!found) {
            probe.state = kProbeEnded;
            return false;
        }
        probe.at = NodeRef(found);
        ++probe.units;
        if (--probe.left == 0) {
            probe.state = kProbeEnded;
            return false;
        }
        probe.state = kProbeChildren;
        prefetch(arena_.at(found));
        return true;
    }
    default:
        return false;
    }
    if (!children) {
        probe.state = kProbeEnded;
        return false;
    }
    // Only a node is kept from one step to the next: nodes never move and are never freed.
    if (children & kTableBit) {
        probe.look = NodeRef();
        probe.state = kProbeTable;
    } else {
        probe.look = NodeRef(children);
        probe.state = kProbeChain;
    }
    prefetch(arena_.at(children & ~kTableBit));
    return true;
}

NodeRef IndexBuilder::finishProbe(Shard& shard, uint32_t bucket, Probe& probe) {
    probe.state = kProbeEnded;
    const NodeRef node = probe.left == 0 ? probe.at : descend(shard, bucket, probe.at, probe.units, probe.left);
#if defined(INDEX_CHECKED)
    // What the probe found and descend added is what one slow walk from its start finds now.
    INDEX_ASSERT(!node || findPath(bucket, probe.origin, probe.originUnits, probe.originLength) == node);
#endif
    return node;
}

NodeRef IndexBuilder::findPath(uint32_t bucket, NodeRef from, const wchar_t* units, size_t length) const {
    uint32_t children = from ? arena_.at(from.ref())[kChildrenWord] : roots_[bucket];
    uint32_t ref = 0;
    for (size_t i = 0; i < length; ++i) {
        const uint32_t unit = static_cast<uint16_t>(units[i]);
        ref = 0;
        if (children & kTableBit) {
            ref = tableFind(tableOf(children), unit);
        } else {
            for (uint32_t c = children; c; c = arena_.at(c)[kSiblingWord]) {
                if ((arena_.at(c)[kHeadWord] & kUnitMask) == unit) {
                    ref = c;
                    break;
                }
            }
        }
        if (!ref)
            return NodeRef();
        children = arena_.at(ref)[kChildrenWord];
    }
    return NodeRef(ref);
}

uint32_t IndexBuilder::node(const wchar_t* term, size_t length) {
    finishPending();
    const int bucket = indexBucket(term, length);
    if (bucket < 0)
        return 0;
    return descend(ownerOf(static_cast<uint32_t>(bucket)), static_cast<uint32_t>(bucket), NodeRef(), term, length).ref();
}

uint32_t IndexBuilder::node(const std::wstring& term) { return node(term.data(), term.size()); }

uint32_t IndexBuilder::allocateBlock(Shard& shard, int sizeClass) {
    INDEX_ASSERT(sizeClass >= 1 && sizeClass < kSizeClasses);
    std::vector<uint32_t>& free = shard.freeLists[sizeClass];
    if (!free.empty()) {
        const uint32_t ref = free.back();
        free.pop_back();
        return ref;
    }
    const uint32_t ref = arena_.allocate(shard.cursor, 1u << sizeClass);
    if (!ref)
        fail();
    return ref;
}

void IndexBuilder::freeBlock(Shard& shard, uint32_t ref, int sizeClass) {
    // A block that cannot be listed is only lost for reuse: nothing refers to it any more.
    try {
        shard.freeLists[sizeClass].push_back(ref);
    } catch (const std::bad_alloc&) {
    }
}

bool IndexBuilder::appendPosting(Shard& shard, uint32_t bucket, NodeRef node, uint32_t entry) {
    if (!node || failedSoFar())
        return false;
    uint32_t* n = arena_.at(node.ref());
    if (n[kHeadWord] & kCappedBit)
        return false;
    const uint32_t count = (n[kHeadWord] >> kCountShift) & kCountMask;
    // The same entry twice in a row is kept once; this test comes before the cap, so a term met
    // in exactly kPostingCap entries keeps them all.
    if (count == 1 && n[kPostingsWord] == entry)
        return false;
    if (count >= 2 && arena_.at(n[kPostingsWord])[count - 1] == entry)
        return false;
    // Entries come in ascending order: every posting list ascends, which the search's merge
    // relies on.
    INDEX_ASSERT(count == 0 || entry > (count == 1 ? n[kPostingsWord] : arena_.at(n[kPostingsWord])[count - 1]));
    INDEX_ASSERT(count <= kPostingCap);
    if (count >= kPostingCap) {
        n[kHeadWord] |= kCappedBit;
        freeBlock(shard, n[kPostingsWord], sizeClassOf(count));
        shard.bucketWords[bucket] -= count;
        n[kHeadWord] &= ~(kCountMask << kCountShift);
        n[kPostingsWord] = 0;
        return false;
    }
    if (count == 0) {
        n[kPostingsWord] = entry;
    } else if (count == 1) {
        const uint32_t block = allocateBlock(shard, sizeClassOf(2));
        if (!block)
            return false;
        uint32_t* p = arena_.at(block);
        p[0] = n[kPostingsWord];
        p[1] = entry;
        n[kPostingsWord] = block;
    } else {
        const int sizeClass = sizeClassOf(count);
        if (count == (1u << sizeClass)) {
            const uint32_t block = allocateBlock(shard, sizeClass + 1);
            if (!block)
                return false;
            std::memcpy(arena_.at(block), arena_.at(n[kPostingsWord]), 4 * size_t(count));
            freeBlock(shard, n[kPostingsWord], sizeClass);
            n[kPostingsWord] = block;
        }
        arena_.at(n[kPostingsWord])[count] = entry;
    }
    n[kHeadWord] += 1u << kCountShift;
    shard.bucketWords[bucket] += 1;
    return count >= 1;
}

void IndexBuilder::prefetchPostingEnd(NodeRef node) const {
    if (!node)
        return;
    const uint32_t* n = arena_.at(node.ref());
    const uint32_t count = (n[kHeadWord] >> kCountShift) & kCountMask;
    if (count >= 2)
        prefetch(arena_.at(n[kPostingsWord]) + count - 1);
}

bool IndexBuilder::addPosting(const std::wstring& term, uint32_t entry) {
    const NodeRef ref(node(term));
    if (!ref)
        return false;
    const uint32_t bucket = static_cast<uint32_t>(indexBucket(term.data(), term.size()));
    return appendPosting(ownerOf(bucket), bucket, ref, entry);
}

void IndexBuilder::makeAlias(NodeRef node, NodeRef target) {
    try {
        aliasTargets_[node.ref()] = target.ref();
    } catch (const std::bad_alloc&) {
        fail();
        return;
    }
    arena_.at(node.ref())[kHeadWord] |= kAliasBit;
    ++aliasCount_;
}

uint32_t IndexBuilder::postingCount(uint32_t ref) const {
    finishPending();
    return postingCountNow(NodeRef(ref));
}

uint32_t IndexBuilder::postingCountNow(NodeRef node) const {
    return node ? (arena_.at(node.ref())[kHeadWord] >> kCountShift) & kCountMask : 0;
}

bool IndexBuilder::isCapped(uint32_t ref) const {
    finishPending();
    return ref && (arena_.at(ref)[kHeadWord] & kCappedBit) != 0;
}

bool IndexBuilder::isAlias(uint32_t ref) const {
    finishPending();
    return isAliasNow(NodeRef(ref));
}

bool IndexBuilder::isAliasNow(NodeRef node) const {
    return node && (arena_.at(node.ref())[kHeadWord] & kAliasBit) != 0;
}

std::vector<uint32_t> IndexBuilder::postingList(uint32_t ref) const {
    finishPending();
    std::vector<uint32_t> list;
    const uint32_t count = postingCountNow(NodeRef(ref));
    if (count == 1)
        list.push_back(arena_.at(ref)[kPostingsWord]);
    else if (count >= 2)
        list.assign(arena_.at(arena_.at(ref)[kPostingsWord]), arena_.at(arena_.at(ref)[kPostingsWord]) + count);
    return list;
}
