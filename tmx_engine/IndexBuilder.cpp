#include "tmx_engine/IndexBuilder.h"

#include "core/util/FileUtils.h"
#include "tmx_engine/Index.h"
#include "tmx_engine/IndexWorkerThread.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

int sizeClassOf(uint32_t count) { // count >= 2
    return 32 - __builtin_clz(count - 1);
}

void putU32(uint8_t* at, uint32_t value) { std::memcpy(at, &value, 4); }

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

uint64_t IndexBuilder::headerSize() const { return 0; }

void IndexBuilder::writeHeader(IndexFileWriter&) {}

void IndexBuilder::releaseFilling() {
    // Blocks on the free lists stay in the arena; only their lists go.
    for (auto& s : shards_)
        for (std::vector<uint32_t>& list : s->freeLists)
            std::vector<uint32_t>().swap(list);
}

uint32_t IndexBuilder::newNode(Shard& shard, uint32_t bucket, wchar_t unit) {
    const uint32_t ref = arena_.allocate(shard.cursor, 4);
    if (!ref) {
        fail();
        return 0;
    }
    uint32_t* n = arena_.at(ref);
    n[0] = static_cast<uint16_t>(unit);
    n[1] = n[2] = n[3] = 0;
    shard.bucketWords[bucket] += 3;
    return ref;
}

// Child tables live in one arena block of 2 * capacity words: the first two words hold the count
// of children and log2 of the capacity, every other pair of words a unit (with an occupied bit)
// and the child's reference. Slots are probed linearly from the unit's low bits.
namespace {
constexpr uint32_t kOccupied = 0x10000u;

uint32_t tableCapacity(const uint32_t* t) { return 1u << (t[1] & 31); }
} // namespace

uint32_t IndexBuilder::tableFind(uint32_t table, uint32_t unit) const {
    const uint32_t* t = arena_.at(table);
    const uint32_t mask = tableCapacity(t) - 1;
    uint32_t i = unit & mask;
    for (;;) {
        if (i == 0)
            i = 1;
        const uint32_t key = t[2 * i];
        if (!(key & kOccupied))
            return 0;
        if ((key & 0xFFFF) == unit)
            return t[2 * i + 1];
        i = (i + 1) & mask;
    }
}

bool IndexBuilder::tableInsert(Shard& shard, uint32_t* children, uint32_t unit, uint32_t node) {
    uint32_t table = *children & ~kTableBit;
    uint32_t* t = arena_.at(table);
    uint32_t count = t[0];
    uint32_t log2 = t[1];
    if (2 * (count + 1) > (1u << log2) - 1) {
        if (log2 == 16) {
            // 65535 slots: every unit value but one already has a child here.
            if (count + 1 > (1u << log2) - 1)
                return false;
        } else {
            const uint32_t bigger = allocateBlock(shard, static_cast<int>(log2 + 2));
            if (!bigger)
                return false;
            uint32_t* b = arena_.at(bigger);
            const uint32_t words = 2u << (log2 + 1);
            std::memset(b, 0, 4 * size_t(words));
            b[0] = count;
            b[1] = log2 + 1;
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
            freeBlock(shard, table, static_cast<int>(log2 + 1));
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
    t[0] = count + 1;
    return true;
}

// The child of this unit under the given children reference, created when missing.
uint32_t IndexBuilder::child(Shard& shard, uint32_t bucket, uint32_t* children, uint32_t unit) {
    if (*children & kTableBit) {
        const uint32_t found = tableFind(*children & ~kTableBit, unit);
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
        if ((n[0] & 0xFFFF) == unit)
            return ref;
        slot = &n[1];
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
    const uint32_t table = allocateBlock(shard, 6);
    if (!table)
        return 0;
    std::memset(arena_.at(table), 0, 4 * 64);
    arena_.at(table)[1] = 5;
    uint32_t ref = *children;
    *children = table | kTableBit;
    while (ref) {
        const uint32_t next = arena_.at(ref)[1];
        arena_.at(ref)[1] = 0;
        tableInsert(shard, children, arena_.at(ref)[0] & 0xFFFF, ref);
        ref = next;
    }
    tableInsert(shard, children, unit, created);
    return created;
}

uint32_t IndexBuilder::descend(Shard& shard, uint32_t bucket, uint32_t from, const wchar_t* units,
                               size_t length) {
    if (length == 0 || failedSoFar())
        return 0;
    uint32_t* children = from == 0 ? &roots_[bucket] : &arena_.at(from)[2];
    for (size_t i = 0;;) {
        const uint32_t ref = child(shard, bucket, children, static_cast<uint16_t>(units[i]));
        if (!ref)
            return 0;
        if (++i == length)
            return ref;
        children = &arena_.at(ref)[2];
    }
}

namespace {
// What a probe's look holds.
constexpr uint8_t kProbeChildren = 1; // nothing yet: at's children are read next
constexpr uint8_t kProbeChain = 2;    // a node of a sibling chain
constexpr uint8_t kProbeTable = 3;    // a child table
} // namespace

void IndexBuilder::startProbe(Probe& probe, uint32_t from, const wchar_t* units, uint32_t length) const {
    probe.at = from;
    probe.look = 0;
    probe.units = units;
    probe.left = length;
    probe.state = from && length ? kProbeChildren : kProbeEnded;
    if (probe.state != kProbeEnded)
        prefetchLine(arena_.at(from));
}

bool IndexBuilder::stepProbe(Probe& probe) const {
    uint32_t children;
    switch (probe.state) {
    case kProbeChildren:
        children = arena_.at(probe.at)[2];
        break;
    case kProbeChain: {
        const uint32_t* n = arena_.at(probe.look);
        if ((n[0] & 0xFFFF) != static_cast<uint16_t>(*probe.units)) {
            probe.look = n[1];
            if (!probe.look) {
                probe.state = kProbeEnded;
                return false;
            }
            prefetchLine(arena_.at(probe.look));
            return true;
        }
        probe.at = probe.look;
        ++probe.units;
        if (--probe.left == 0) {
            probe.state = kProbeEnded;
            return false;
        }
        // The node's own children reference lies in the line just read.
        children = n[2];
        break;
    }
    case kProbeTable: {
        // The table is found anew from its node: one that grew since the last step went back to
        // the free blocks and may hold another node's children by now. A table never turns back
        // into a chain.
        const uint32_t table = arena_.at(probe.at)[2];
        const uint32_t found = tableFind(table & ~kTableBit, static_cast<uint16_t>(*probe.units));
        if (!found) {
            probe.state = kProbeEnded;
            return false;
        }
        probe.at = found;
        ++probe.units;
        if (--probe.left == 0) {
            probe.state = kProbeEnded;
            return false;
        }
        probe.state = kProbeChildren;
        prefetchLine(arena_.at(found));
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
        probe.look = 0;
        probe.state = kProbeTable;
    } else {
        probe.look = children;
        probe.state = kProbeChain;
    }
    prefetchLine(arena_.at(children & ~kTableBit));
    return true;
}

uint32_t IndexBuilder::finishProbe(Shard& shard, uint32_t bucket, Probe& probe) {
    probe.state = kProbeEnded;
    if (probe.left == 0)
        return probe.at;
    return descend(shard, bucket, probe.at, probe.units, probe.left);
}

void IndexBuilder::childrenInOrder(uint32_t children, std::vector<uint32_t>& out) const {
    out.clear();
    if (children & kTableBit) {
        const uint32_t* t = arena_.at(children & ~kTableBit);
        const uint32_t capacity = tableCapacity(t);
        for (uint32_t i = 1; i < capacity; ++i)
            if (t[2 * i] & kOccupied)
                out.push_back(t[2 * i + 1]);
        std::sort(out.begin(), out.end());
    } else {
        for (uint32_t ref = children; ref; ref = arena_.at(ref)[1])
            out.push_back(ref);
    }
}

uint32_t IndexBuilder::node(const wchar_t* term, size_t length) {
    finishPending();
    const int bucket = indexBucket(term, length);
    if (bucket < 0)
        return 0;
    return descend(ownerOf(static_cast<uint32_t>(bucket)), static_cast<uint32_t>(bucket), 0, term, length);
}

uint32_t IndexBuilder::node(const std::wstring& term) { return node(term.data(), term.size()); }

uint32_t IndexBuilder::allocateBlock(Shard& shard, int sizeClass) {
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

bool IndexBuilder::appendPosting(Shard& shard, uint32_t bucket, uint32_t ref, uint32_t entry) {
    if (!ref || failedSoFar())
        return false;
    uint32_t* n = arena_.at(ref);
    if (n[0] & kCappedBit)
        return false;
    const uint32_t count = (n[0] >> kCountShift) & kCountMask;
    // The same entry twice in a row is kept once; this test comes before the cap, so a term met
    // in exactly kPostingCap entries keeps them all.
    if (count == 1 && n[3] == entry)
        return false;
    if (count >= 2 && arena_.at(n[3])[count - 1] == entry)
        return false;
    if (count >= kPostingCap) {
        n[0] |= kCappedBit;
        if (options_ & kDropCappedPostings) {
            freeBlock(shard, n[3], sizeClassOf(count));
            shard.bucketWords[bucket] -= count;
            n[0] &= ~(kCountMask << kCountShift);
            n[3] = 0;
        }
        return false;
    }
    if (count == 0) {
        n[3] = entry;
    } else if (count == 1) {
        const uint32_t block = allocateBlock(shard, 1);
        if (!block)
            return false;
        uint32_t* p = arena_.at(block);
        p[0] = n[3];
        p[1] = entry;
        n[3] = block;
    } else {
        const int sizeClass = sizeClassOf(count);
        if (count == (1u << sizeClass)) {
            const uint32_t block = allocateBlock(shard, sizeClass + 1);
            if (!block)
                return false;
            std::memcpy(arena_.at(block), arena_.at(n[3]), 4 * size_t(count));
            freeBlock(shard, n[3], sizeClass);
            n[3] = block;
        }
        arena_.at(n[3])[count] = entry;
    }
    n[0] += 1u << kCountShift;
    shard.bucketWords[bucket] += 1;
    return count >= 1;
}

void IndexBuilder::prefetchPostingEnd(uint32_t ref) const {
    if (!ref)
        return;
    const uint32_t* n = arena_.at(ref);
    const uint32_t count = (n[0] >> kCountShift) & kCountMask;
    if (count >= 2)
        prefetchLine(arena_.at(n[3]) + count - 1);
}

bool IndexBuilder::addPosting(const std::wstring& term, uint32_t entry) {
    const uint32_t ref = node(term);
    if (!ref)
        return false;
    const uint32_t bucket = static_cast<uint32_t>(indexBucket(term.data(), term.size()));
    return appendPosting(ownerOf(bucket), bucket, ref, entry);
}

void IndexBuilder::makeAlias(uint32_t ref, uint32_t target) {
    try {
        aliasTargets_[ref] = target;
    } catch (const std::bad_alloc&) {
        fail();
        return;
    }
    arena_.at(ref)[0] |= kAliasBit;
    ++aliasCount_;
}

uint32_t IndexBuilder::postingCount(uint32_t ref) const {
    finishPending();
    return postingCountNow(ref);
}

uint32_t IndexBuilder::postingCountNow(uint32_t ref) const {
    return ref ? (arena_.at(ref)[0] >> kCountShift) & kCountMask : 0;
}

bool IndexBuilder::isCapped(uint32_t ref) const {
    finishPending();
    return ref && (arena_.at(ref)[0] & kCappedBit) != 0;
}

bool IndexBuilder::isAlias(uint32_t ref) const {
    finishPending();
    return isAliasNow(ref);
}

bool IndexBuilder::isAliasNow(uint32_t ref) const {
    return ref && (arena_.at(ref)[0] & kAliasBit) != 0;
}

std::vector<uint32_t> IndexBuilder::postingList(uint32_t ref) const {
    finishPending();
    std::vector<uint32_t> list;
    const uint32_t count = postingCountNow(ref);
    if (count == 1)
        list.push_back(arena_.at(ref)[3]);
    else if (count >= 2)
        list.assign(arena_.at(arena_.at(ref)[3]), arena_.at(arena_.at(ref)[3]) + count);
    return list;
}

uint64_t IndexBuilder::fileSize() const {
    return headerSize() + 4 * wordCount() + 4ull * IndexFormat::kBucketCount + 7 +
           4ull * aliasCount_;
}

// The bytes of a bucket's nodes, walked in any order.
uint64_t IndexBuilder::bucketBytes(uint32_t bucket, std::vector<uint32_t>& stack) const {
    uint64_t bytes = 0;
    stack.clear();
    if (roots_[bucket])
        stack.push_back(roots_[bucket]);
    auto visit = [&](uint32_t ref) {
        const uint32_t* n = arena_.at(ref);
        bytes += (n[0] & kAliasBit) ? 16 : 12 + 4 * uint64_t((n[0] >> kCountShift) & kCountMask);
        if (n[2])
            stack.push_back(n[2]);
    };
    // A bucket may hold a large part of the trie: a stop is looked at every 64K node groups.
    for (uint32_t round = 1; !stack.empty(); ++round) {
        if ((round & 0xFFFF) == 0 && stopRequested())
            return 0;
        const uint32_t children = stack.back();
        stack.pop_back();
        if (children & kTableBit) {
            const uint32_t* t = arena_.at(children & ~kTableBit);
            const uint32_t capacity = tableCapacity(t);
            for (uint32_t i = 1; i < capacity; ++i)
                if (t[2 * i] & kOccupied)
                    visit(t[2 * i + 1]);
        } else {
            for (uint32_t ref = children; ref; ref = arena_.at(ref)[1])
                visit(ref);
        }
    }
    return bytes;
}

// Each bucket's nodes go out as: a sibling chain back to back in the order the nodes were created,
// then the children of its last node, then those of the one before, and so on down to the first
// (the order of the recursive layout, kept with an explicit stack so that a long run of letters
// cannot exhaust the thread's stack). A sibling follows its node directly; a child's offset is
// known when the child goes out and is written then into its parent. Each bucket must start at
// the offset planned for it.
bool IndexBuilder::writeBuckets(IndexFileWriter& out, uint32_t first, uint32_t last,
                                const uint64_t* offsets, bool withAliases) const {
    struct Pending {
        uint32_t ref;
        uint32_t offset;
    };
    std::vector<Pending> pending;
    std::unordered_map<uint32_t, uint32_t> targetOffsets;
    std::vector<Pending> aliases; // alias node -> its own file offset
    if (withAliases)
        for (const auto& a : aliasTargets_)
            targetOffsets.emplace(a.second, 0);

    std::vector<uint32_t> chain;
    auto emitChain = [&](uint32_t first) -> bool {
        childrenInOrder(first, chain);
        for (uint32_t ref : chain)
            prefetchLine(arena_.at(ref));
        for (size_t i = 0; i < chain.size(); ++i) {
            const uint32_t ref = chain[i];
            const uint32_t* n = arena_.at(ref);
            const bool alias = (n[0] & kAliasBit) != 0;
            const uint32_t count = (n[0] >> kCountShift) & kCountMask;
            const size_t bytes = alias ? 16 : 12 + 4 * size_t(count);
            const uint32_t offset = static_cast<uint32_t>(out.offset());
            uint8_t* at = out.append(bytes);
            if (!at)
                return false;
            const uint32_t unit = n[0] & 0xFFFF;
            std::memset(at + 4, 0, 8);
            if (alias) {
                putU32(at, unit | 0xFFFF0000u);
                putU32(at + 12, 0);
                aliases.push_back({ref, offset});
            } else {
                putU32(at, (count << 16) | unit);
                if (count == 1)
                    putU32(at + 12, n[3]);
                else if (count >= 2)
                    std::memcpy(at + 12, arena_.at(n[3]), 4 * size_t(count));
            }
            if (!targetOffsets.empty()) {
                auto t = targetOffsets.find(ref);
                if (t != targetOffsets.end())
                    t->second = offset;
            }
            if (i + 1 < chain.size())
                putU32(at + 4, static_cast<uint32_t>(offset + bytes));
            pending.push_back({ref, offset});
        }
        return true;
    };

    for (uint32_t b = first; b < last; ++b) {
        if (!roots_[b])
            continue;
        if (out.offset() != offsets[b]) {
            layoutMismatch_.store(true, std::memory_order_relaxed);
            return false;
        }
        if (stopRequested())
            return false;
        if (!emitChain(roots_[b]))
            return false;
        for (uint32_t round = 1; !pending.empty(); ++round) {
            if ((round & 0xFFFF) == 0 && stopRequested())
                return false;
            const Pending p = pending.back();
            pending.pop_back();
            const uint32_t children = arena_.at(p.ref)[2];
            if (!children)
                continue;
            out.patch32(p.offset + 8, static_cast<uint32_t>(out.offset()));
            if (!emitChain(children))
                return false;
        }
    }
    // The last bucket must end where the plan ends the range, too.
    if (out.offset() != offsets[last]) {
        layoutMismatch_.store(true, std::memory_order_relaxed);
        return false;
    }
    for (const Pending& a : aliases)
        out.patch32(a.offset + 12, targetOffsets[aliasTargets_.at(a.ref)]);
    return !out.failed();
}

namespace {

// Runs job(i) for i in [0, count) on up to threads threads (the calling one among them); jobs
// whose thread cannot be started run on the calling thread. Every thread is joined.
template <class Job> void runParallel(uint32_t count, uint32_t threads, Job job) {
    std::atomic<uint32_t> next{0};
    auto loop = [&] {
        for (uint32_t i = next.fetch_add(1); i < count; i = next.fetch_add(1))
            job(i);
    };
    std::vector<IndexWorkerThread> started;
    try {
        started.resize(threads);
        for (uint32_t t = 1; t < threads && t < count; ++t)
            if (!started[t].start(loop))
                break;
    } catch (const std::exception&) {
    }
    loop();
    for (IndexWorkerThread& t : started)
        t.join();
}

} // namespace

bool IndexBuilder::writeNodes(IndexFileWriter& out) {
    const uint64_t bucketTable = out.offset();
    const uint32_t threads = aliasTargets_.empty() ? shardCount() : 1;

    // Every bucket's size first, so that the bucket table can go out now and the buckets can be
    // written side by side. The counts kept while filling give it, but for aliases, which only
    // a walk over the bucket finds.
    std::vector<uint64_t> sizes(IndexFormat::kBucketCount, 0);
    std::atomic<bool> ok{true};
    if (aliasTargets_.empty()) {
        for (const auto& s : shards_)
            for (uint32_t b = 0; b < IndexFormat::kBucketCount; ++b)
                sizes[b] += 4 * s->bucketWords[b];
    } else {
        std::vector<uint32_t> stack;
        for (uint32_t b = 0; b < IndexFormat::kBucketCount && !stopRequested(); ++b)
            sizes[b] = bucketBytes(b, stack);
    }
    if (!ok || stopRequested())
        return false;
    std::vector<uint64_t> offsets(IndexFormat::kBucketCount + 1, 0);
    uint8_t table[4 * IndexFormat::kBucketCount] = {};
    uint64_t at = bucketTable + sizeof table;
    for (uint32_t b = 0; b < IndexFormat::kBucketCount; ++b) {
        offsets[b] = at;
        if (roots_[b]) {
            if (at >= (uint64_t(1) << 32))
                return false;
            putU32(table + 4 * b, static_cast<uint32_t>(at));
        }
        at += sizes[b];
    }
    offsets[IndexFormat::kBucketCount] = at;
    out.write(table, sizeof table);

    if (threads <= 1)
        return writeBuckets(out, 0, IndexFormat::kBucketCount, offsets.data(), true);

    // Ranges of buckets of about equal size, one writer each.
    const uint64_t total = at - out.offset();
    std::vector<uint32_t> cuts{0};
    for (uint32_t b = 0; b < IndexFormat::kBucketCount; ++b)
        if (cuts.size() < threads &&
            offsets[b + 1] - out.offset() >= total / threads * cuts.size())
            cuts.push_back(b + 1);
    cuts.push_back(IndexFormat::kBucketCount);
    // The main writer resumes after the nodes (with the zeros up to the planned size).
    out.skipTo(at);
    if (out.failed())
        return false;
    runParallel(static_cast<uint32_t>(cuts.size() - 1), threads, [&](uint32_t range) {
        try {
            const uint32_t first = cuts[range];
            const uint32_t last = cuts[range + 1];
            IndexFileWriter part;
            if (!part.openRange(out, offsets[first], offsets[last]) ||
                !writeBuckets(part, first, last, offsets.data(), false) || !part.finishRange())
                ok = false;
        } catch (const std::exception&) {
            ok = false;
        }
    });
    return ok;
}

bool IndexBuilder::write(const std::wstring& path) {
    finishPending();
    if (failed())
        return false;
    releaseFilling();
    const uint64_t size = fileSize();
    // Offsets in the file are 32-bit and the reader refuses files of 4 GiB or more.
    if (size >= (uint64_t(1) << 32))
        return false;
    ReplacementFile file(path);
    if (!file.open())
        return false;
    notify(IndexBuildStep::Writing);
    bool ok = false;
    {
        IndexFileWriter out;
        if (out.open(file.handle(), size)) {
            try {
                writeHeader(out);
                out.writeZeros(static_cast<size_t>((8 - out.offset() % 8) % 8));
                ok = writeNodes(out);
            } catch (const std::bad_alloc&) {
                ok = false;
            }
            // After a failure or a stop nothing more is written (finish pads with zeros).
            ok = ok && out.finish();
        }
    }
    // Not committed, the temporary file goes with the ReplacementFile.
    return ok && !stopRequested() && file.commit();
}
