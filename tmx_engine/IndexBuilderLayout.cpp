#include "tmx_engine/IndexBuilder.h"

#include "core/util/FileUtils.h"
#include "tmx_engine/Index.h"
#include "tmx_engine/IndexWorkerThread.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>

// The layout writer: the file planned from the trie, its buckets written out, side by side
// where there are several shards.

namespace {

void putU32(uint8_t* at, uint32_t value) { std::memcpy(at, &value, 4); }
void putU16(uint8_t* at, uint16_t value) { std::memcpy(at, &value, 2); }

} // namespace

uint64_t IndexBuilder::headerSize() const { return 0; }

void IndexBuilder::writeHeader(IndexFileWriter&) {}

void IndexBuilder::childrenInOrder(uint32_t children, std::vector<uint32_t>& out) const {
    out.clear();
    forEachChild(children, [&](uint32_t ref) { out.push_back(ref); });
    // A table's slots follow the units: its children go out in the order they were made.
    if (children & kTableBit)
        std::sort(out.begin(), out.end());
}

uint64_t IndexBuilder::fileSize() const {
    return headerSize() + 4 * wordCount() + 4ull * IndexFormat::kBucketCount + IndexFormat::kAlignmentReserve +
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
        bytes += 4 * IndexFormat::nodeWords((n[kHeadWord] >> kCountShift) & kCountMask, (n[kHeadWord] & kAliasBit) != 0);
        if (n[kChildrenWord])
            stack.push_back(n[kChildrenWord]);
    };
    // A bucket may hold a large part of the trie: a stop is looked at every 64K node groups.
    for (uint32_t round = 1; !stack.empty(); ++round) {
        if ((round & 0xFFFF) == 0 && stopRequested())
            return 0;
        const uint32_t children = stack.back();
        stack.pop_back();
        forEachChild(children, visit);
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
            prefetch(arena_.at(ref));
        for (size_t i = 0; i < chain.size(); ++i) {
            const uint32_t ref = chain[i];
            const uint32_t* n = arena_.at(ref);
            const bool alias = (n[kHeadWord] & kAliasBit) != 0;
            const uint32_t count = (n[kHeadWord] >> kCountShift) & kCountMask;
            const size_t bytes = 4 * static_cast<size_t>(IndexFormat::nodeWords(count, alias));
            const uint32_t offset = static_cast<uint32_t>(out.offset());
            uint8_t* at = out.append(bytes);
            if (!at)
                return false;
            const uint32_t unit = n[kHeadWord] & kUnitMask;
            using namespace IndexFormat;
            std::memset(at + kNodeSibling, 0, 8);
            putU16(at + kNodeUnit, static_cast<uint16_t>(unit));
            if (alias) {
                putU16(at + kNodeCount, kAliasCount);
                putU32(at + kAliasTarget, 0);
                aliases.push_back({ref, offset});
            } else {
                putU16(at + kNodeCount, static_cast<uint16_t>(count));
                if (count == 1)
                    putU32(at + kNodePostings, n[kPostingsWord]);
                else if (count >= 2)
                    std::memcpy(at + kNodePostings, arena_.at(n[kPostingsWord]), 4 * size_t(count));
            }
            if (!targetOffsets.empty()) {
                auto t = targetOffsets.find(ref);
                if (t != targetOffsets.end())
                    t->second = offset;
            }
            if (i + 1 < chain.size())
                putU32(at + kNodeSibling, static_cast<uint32_t>(offset + bytes));
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
            const uint32_t children = arena_.at(p.ref)[kChildrenWord];
            if (!children)
                continue;
            out.patch32(p.offset + IndexFormat::kNodeChild, static_cast<uint32_t>(out.offset()));
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
        out.patch32(a.offset + IndexFormat::kAliasTarget, targetOffsets[aliasTargets_.at(a.ref)]);
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
    if (aliasTargets_.empty() && fastPaths_.keptBucketSizes) {
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
#if defined(INDEX_CHECKED)
    // The sizes kept while filling are those of the trie as it stands.
    if (aliasTargets_.empty()) {
        std::vector<uint32_t> stack;
        for (uint32_t b = 0; b < IndexFormat::kBucketCount; ++b) {
            const uint64_t walked = bucketBytes(b, stack);
            INDEX_ASSERT(stopRequested() || walked == sizes[b]);
        }
    }
#endif
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
