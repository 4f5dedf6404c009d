#include "tmx_engine/TmxIndexBuilder.h"

#include "tmx_engine/Index.h"
#include "tmx_engine/TermList.h"

#include <algorithm>
#include <iterator>

// The term stage: on one thread per shard, the terms of each entry found or made in the trie and
// their postings appended, entry after entry. Each entry passes through this timeline, counted in
// steps (calls of advance) after the step that took it in:
//
//   step   stage           what happens to the entry
//   0      lookAhead       its terms listed; the word nodes the remembered walks know looked up;
//                          their remembered pair walks fetched
//   1      startProbes     a probe begun for each pair that those walks do not know
//   2-12   stepProbes      every probe one node further, at the start of each step
//   12     makeTerms       its word paths and pair nodes made (kMakeLag), pairs from where their
//                          probes got to; the pair nodes fetched; its probes ended
//   17     (fetch)         the ends of its posting lists fetched (kEndFetchLag)
//   22     appendPosting   its postings appended (kPostingLag); its place is free for the entry
//                          taken in at the next step
//
// Within one step the stages run from the oldest entry to the newest: probes stepped, postings,
// posting ends fetched, terms made, probes begun, the new entry looked at. What is kept from one
// step to the next is nodes only (NodeRef): probes, remembered walks and entries in flight never
// hold a block. Entries whose words hold a "|", and pair mode 3, go term by term instead
// (indexTermByTerm), after the entries in flight are drained.

namespace {

const wchar_t kEndMark[] = L"#$";

uint32_t powerOfTwoAtLeast(uint32_t n) {
    uint32_t p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

} // namespace

void TmxIndexBuilder::process(uint32_t worker, const IndexChunk& chunk) {
    ShardWork& work = *work_[worker];
    try {
        if (work.pairSlots.empty()) {
            const uint32_t shards = static_cast<uint32_t>(work_.size());
            const uint32_t wordSlots = powerOfTwoAtLeast(std::max<uint32_t>(kWordSlots / shards, 4096));
            const uint32_t pairSlots = powerOfTwoAtLeast(kPairSlots / shards);
            work.wordSlots.assign(wordSlots, WordSlot{0, 0, NodeRef()});
            work.pairSlots.assign(pairSlots, PairSlot{NodeRef(), 0, NodeRef()});
            work.wordMask = wordSlots - 1;
            work.pairMask = pairSlots - 1;
        }
        work.chunk = &chunk;
        for (const IndexChunk::Entry& e : chunk.entries) {
            if (failedSoFar())
                break;
            const uint8_t* owners = &chunk.owners[e.firstWord];
            if (std::find(owners, owners + e.wordCount, static_cast<uint8_t>(worker)) ==
                owners + e.wordCount)
                continue;
            if (termPairMode_ == IndexFormat::kPairModeReversedPairs || e.barInWord) {
                drain(work);
                EntryWork& one = work.entries[0];
                one.entry = &e;
                indexTermByTerm(work, one);
            } else {
                advance(work, &e);
            }
        }
        drain(work);
    } catch (const std::exception&) {
        fail();
    }
    // After a failure entries may still be in flight: drop them, they belong to this chunk.
    std::fill(std::begin(work.due), std::end(work.due), nullptr);
    work.probing.clear();
}

NodeRef TmxIndexBuilder::wordNode(ShardWork& work, EntryWork& entry, uint32_t word) {
    NodeRef& cached = entry.wordNodes[word];
    if (cached)
        return cached;
    const IndexChunk::Entry& e = *entry.entry;
    const uint32_t id = work.chunk->ids[e.firstWord + word];
    const uint32_t prefix = static_cast<uint16_t>(e.prefix);
    WordSlot& slot = work.wordSlots[wordSlot(id, prefix, work.wordMask)];
    const IndexChunk::Word& w = work.chunk->words[e.firstWord + word];
    const uint32_t bucket = work.chunk->buckets[e.firstWord + word];
    auto spellTerm = [&] {
        work.scratch.clear();
        work.scratch += e.prefix;
        work.scratch.append(&work.chunk->text[w.start], w.length);
        work.scratch += L'|';
    };
    if (slot.word == id + 1 && slot.prefix == prefix && fastPaths().rememberedWalks) {
        cached = slot.node;
        if (kIndexChecked) {
            // A remembered node is the node the walk reaches.
            spellTerm();
            INDEX_ASSERT(findPath(bucket, NodeRef(), work.scratch.data(), work.scratch.size()) == cached);
        }
        return cached;
    }
    spellTerm();
    cached = descend(shard(work.shard), bucket, NodeRef(), work.scratch.data(), work.scratch.size());
    if (cached && fastPaths().rememberedWalks)
        slot = WordSlot{id + 1, prefix, cached};
    return cached;
}

uint32_t TmxIndexBuilder::wordSlot(uint32_t id, uint32_t prefix, uint32_t mask) {
    return (id * 2654435761u + prefix * 40503u) & mask;
}

uint32_t TmxIndexBuilder::secondWordId(const ShardWork& work, const IndexChunk::Entry& e, const TermShape& shape) {
    return shape.second == TermShape::kEndTerm ? kEndWord : work.chunk->ids[e.firstWord + shape.second];
}

uint32_t TmxIndexBuilder::pairSlot(NodeRef from, uint32_t id, uint32_t mask) {
    const uint64_t h = (uint64_t(from.ref()) * 0x9E3779B97F4A7C15ull) ^ (uint64_t(id) * 0xC2B2AE3D27D4EB4Full);
    return static_cast<uint32_t>(h >> 40) & mask;
}

NodeRef TmxIndexBuilder::pairNode(ShardWork& work, EntryWork& entry, uint32_t bucket, NodeRef from,
                                  uint32_t second) {
    const IndexChunk::Entry& e = *entry.entry;
    const uint32_t id = second == kEndWord ? kEndWord : work.chunk->ids[e.firstWord + second];
    PairSlot& slot = work.pairSlots[pairSlot(from, id, work.pairMask)];
    const wchar_t* units = kEndMark;
    uint32_t length = 2;
    if (second != kEndWord) {
        const IndexChunk::Word& w = work.chunk->words[e.firstWord + second];
        units = &work.chunk->text[w.start];
        length = w.length;
    }
    if (slot.from == from && slot.word == id && fastPaths().rememberedWalks) {
        // A remembered node is the node the walk reaches.
        INDEX_ASSERT(findPath(bucket, from, units, length) == slot.node);
        return slot.node;
    }
    const NodeRef node = descend(shard(work.shard), bucket, from, units, length);
    if (node && fastPaths().rememberedWalks)
        slot = PairSlot{from, id, node};
    return node;
}

// Term by term: the reversed pairs look at posting counts as they stand, and a word that holds a
// "|" shares nodes with the pairs of the word before it.
void TmxIndexBuilder::indexTermByTerm(ShardWork& work, EntryWork& entry) {
    const IndexChunk& chunk = *work.chunk;
    const IndexChunk::Entry& e = *entry.entry;
    const uint8_t* owners = &chunk.owners[e.firstWord];
    const uint8_t me = static_cast<uint8_t>(work.shard);
    Shard& own = shard(work.shard);
    entry.wordNodes.assign(e.wordCount, NodeRef());
    const unsigned options = indexTermOptions(termPairMode_);
    forEachTermShape(e.wordCount, options, [&](const TermShape& shape) {
        if (failedSoFar() || owners[shape.first] != me)
            return;
        const NodeRef base = wordNode(work, entry, shape.first);
        if (!base)
            return;
        const uint32_t bucket = chunk.buckets[e.firstWord + shape.first];
        NodeRef node = base;
        if (shape.second == TermShape::kEndTerm)
            node = pairNode(work, entry, bucket, base, kEndWord);
        else if (shape.isPair())
            node = pairNode(work, entry, bucket, base, shape.second);
        appendPosting(own, bucket, node, e.number);
        if (shape.isPair() && (options & TermReversed)) {
            // Reversed pairs come with one shard only: the second word's bucket is this shard's.
            const IndexChunk::Word& first = chunk.words[e.firstWord + shape.first];
            const NodeRef reversed = descend(own, chunk.buckets[e.firstWord + shape.second],
                                              wordNode(work, entry, shape.second),
                                              &chunk.text[first.start], first.length);
            if (node && reversed && reversed != node && !isAliasNow(node) &&
                !isAliasNow(reversed) && postingCountNow(reversed) == 0)
                makeAlias(reversed, node);
        }
    });
}

// Ahead of the entry's turn, without making anything: its terms, the word paths the remembered
// walks already know, and the remembered pair walks of those fetched.
void TmxIndexBuilder::lookAhead(ShardWork& work, EntryWork& entry) {
    const IndexChunk& chunk = *work.chunk;
    const IndexChunk::Entry& e = *entry.entry;
    const uint8_t* owners = &chunk.owners[e.firstWord];
    const uint8_t me = static_cast<uint8_t>(work.shard);
    // Entries of pair mode 3 go term by term and never come here.
    const unsigned options = indexTermOptions(termPairMode_);
    entry.ok = true;
    entry.shapes.clear();
    forEachTermShape(e.wordCount, options, [&](const TermShape& shape) {
        if (owners[shape.first] == me)
            entry.shapes.push_back(shape);
    });
    entry.knownNodes.assign(e.wordCount, NodeRef());
    entry.probes.assign(entry.shapes.size(), Probe());
    const uint32_t prefix = static_cast<uint16_t>(e.prefix);
    for (uint32_t i = 0; i < e.wordCount; ++i) {
        if (owners[i] != me)
            continue;
        const uint32_t id = chunk.ids[e.firstWord + i];
        const WordSlot& slot = work.wordSlots[wordSlot(id, prefix, work.wordMask)];
        if (slot.word == id + 1 && slot.prefix == prefix)
            entry.knownNodes[i] = slot.node;
    }
    for (const TermShape& shape : entry.shapes) {
        const NodeRef from = entry.knownNodes[shape.first];
        if (shape.second != TermShape::kSingleTerm && from)
            prefetch(&work.pairSlots[pairSlot(from, secondWordId(work, e, shape), work.pairMask)]);
    }
}

// A step later: a pair that the remembered walks do not know is looked for in the trie, by a probe
// that the following steps take on.
void TmxIndexBuilder::startProbes(ShardWork& work, EntryWork& entry) {
    if (!fastPaths().probes)
        return;
    const IndexChunk& chunk = *work.chunk;
    const IndexChunk::Entry& e = *entry.entry;
    for (size_t k = 0; k < entry.shapes.size(); ++k) {
        const TermShape& shape = entry.shapes[k];
        const NodeRef from = entry.knownNodes[shape.first];
        if (shape.second == TermShape::kSingleTerm || !from)
            continue;
        const uint32_t id = secondWordId(work, e, shape);
        const PairSlot& slot = work.pairSlots[pairSlot(from, id, work.pairMask)];
        if (slot.from == from && slot.word == id)
            continue;
        if (shape.second == TermShape::kEndTerm) {
            startProbe(entry.probes[k], from, kEndMark, 2);
        } else {
            const IndexChunk::Word& w = chunk.words[e.firstWord + shape.second];
            startProbe(entry.probes[k], from, &chunk.text[w.start], w.length);
        }
        work.probing.push_back(&entry.probes[k]);
    }
}

// The probes in flight, one node each.
void TmxIndexBuilder::stepProbes(ShardWork& work) {
    size_t kept = 0;
    for (Probe* probe : work.probing)
        if (stepProbe(*probe))
            work.probing[kept++] = probe;
    work.probing.resize(kept);
}

// The entry's turn to make what it needs. Every term of the segment starts with a word's
// P + word + "|" path, and the terms take their first words in the order of the words, so these
// paths may be walked first, word by word: they share no node with the second words' paths below
// the "|" nodes, and each chain of siblings still gets its nodes in the same order. The pairs follow,
// from where their probes got to.
void TmxIndexBuilder::makeTerms(ShardWork& work, EntryWork& entry) {
    const IndexChunk& chunk = *work.chunk;
    const IndexChunk::Entry& e = *entry.entry;
    const uint8_t* owners = &chunk.owners[e.firstWord];
    const uint16_t* buckets = &chunk.buckets[e.firstWord];
    const uint8_t me = static_cast<uint8_t>(work.shard);
    entry.ok = false;
    entry.wordNodes.assign(e.wordCount, NodeRef());
    for (uint32_t i = 0; i < e.wordCount; ++i)
        if (owners[i] == me && !wordNode(work, entry, i))
            return;
    entry.termNodes.clear();
    for (size_t k = 0; k < entry.shapes.size(); ++k) {
        const TermShape& shape = entry.shapes[k];
        const uint32_t bucket = buckets[shape.first];
        NodeRef node = entry.wordNodes[shape.first];
        Probe& probe = entry.probes[k];
        if (probe.at) {
            // Begun from this very word node (a term's path is the only one there is to it), and
            // remembered as pairNode remembers its walks.
#if defined(INDEX_CHECKED)
            INDEX_ASSERT(probe.origin == entry.wordNodes[shape.first]);
#endif
            node = finishProbe(shard(work.shard), bucket, probe);
            const uint32_t id = secondWordId(work, e, shape);
            if (node)
                work.pairSlots[pairSlot(entry.wordNodes[shape.first], id, work.pairMask)] =
                    PairSlot{entry.wordNodes[shape.first], id, node};
        } else if (shape.second == TermShape::kEndTerm) {
            node = pairNode(work, entry, bucket, node, kEndWord);
        } else if (shape.isPair()) {
            node = pairNode(work, entry, bucket, node, shape.second);
        }
        if (!node)
            return;
        prefetchNode(node);
        entry.termNodes.push_back(EntryWork::TermNode{node, bucket});
    }
    entry.ok = true;
}

// The shard's entries go through the stages of the timeline above, each some steps behind the one
// before, so that the memory an entry needs next is fetched while the other entries work. Nodes
// are made in the order of a single pass, all at the making step (an entry's word paths come
// after the pairs of the entry before it); the steps before only look, and the postings come
// later, entry by entry: nothing in the making of nodes depends on them. next null moves the
// entries in flight on by one step.
void TmxIndexBuilder::advance(ShardWork& work, const IndexChunk::Entry* next) {
    stepProbes(work);
    if (EntryWork* e = work.due[kPostingLag - 1]) {
        if (e->ok && !failedSoFar())
            for (const EntryWork::TermNode& t : e->termNodes)
                appendPosting(shard(work.shard), t.bucket, t.node, e->entry->number);
    }
    if (EntryWork* e = work.due[kEndFetchLag - 1]) {
        if (e->ok)
            for (const EntryWork::TermNode& t : e->termNodes)
                prefetchPostingEnd(t.node);
    }
    if (EntryWork* e = work.due[kMakeLag - 1]) {
        if (!failedSoFar())
            makeTerms(work, *e);
        else
            e->ok = false;
        for (Probe& probe : e->probes)
            probe.state = kProbeEnded;
    }
    if (EntryWork* e = work.due[0]) {
        if (!failedSoFar())
            startProbes(work, *e);
    }
    for (uint32_t k = kPostingLag - 1; k > 0; --k)
        work.due[k] = work.due[k - 1];
    work.due[0] = nullptr;
    if (next) {
        // The entry started kPostingLag + 1 starts ago has had its postings appended by now, and
        // its probes left the list of those in flight.
        EntryWork& e = work.entries[work.started++ % (kPostingLag + 1)];
        e.entry = next;
        lookAhead(work, e);
        work.due[0] = &e;
    }
}

// Takes every entry in flight through its remaining stages.
void TmxIndexBuilder::drain(ShardWork& work) {
    for (uint32_t i = 0; i < kPostingLag; ++i)
        advance(work, nullptr);
}
