#include "tmx_engine/TmxIndexBuilder.h"

#include "tmx_engine/Index.h"
#include "tmx_engine/TermList.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <new>
#include <thread>

namespace {

const wchar_t kEndMark[] = L"#$";
constexpr uint32_t kMaxWorkers = 8;

uint32_t powerOfTwoAtLeast(uint32_t n) {
    uint32_t p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

// The bucket of every term that begins with this word under this prefix.
uint32_t wordBucket(wchar_t prefix, const wchar_t* word, uint32_t length) {
    const wchar_t key[2] = {prefix, length ? word[0] : L'|'};
    return static_cast<uint32_t>(indexBucket(key, 2));
}

uint16_t saturate16(size_t n) { return n > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(n); }

// Header strings carry a 16-bit length: longer ones are cut.
size_t storedLength(const std::wstring& s) { return s.size() > 0xFFFF ? 0xFFFF : s.size(); }

void writeString(IndexFileWriter& out, const std::wstring& s) {
    const uint16_t n = static_cast<uint16_t>(storedLength(s));
    out.write(&n, 2);
    out.write(s.data(), 2 * size_t(n));
}

template <class T> void writeNumber(IndexFileWriter& out, T value) { out.write(&value, sizeof value); }

// A character above U+FFFF is one token in a segment, but the index format counts it as two
// elements (its surrogates were always separate tokens there), so that every writer of the format
// stores the same count and scores agree.
bool startsWithSurrogatePair(const std::wstring& s) {
    return s.size() >= 2 && s[0] >= 0xD800 && s[0] <= 0xDBFF && s[1] >= 0xDC00 && s[1] <= 0xDFFF;
}

} // namespace

TmxIndexBuilder::TmxIndexBuilder() {
    entries_.reserve(64);
    const unsigned processors = std::thread::hardware_concurrency();
    workerThreads_ = processors < 1 ? 1 : processors > kMaxWorkers ? kMaxWorkers : processors;
}

TmxIndexBuilder::~TmxIndexBuilder() { pipeline_.stop(); }

void TmxIndexBuilder::addLanguage(const std::wstring& code, wchar_t prefix) {
    if (failedSoFar())
        return;
    try {
        if (languages_.count(code))
            return;
        if (prefix == 0)
            prefix = static_cast<wchar_t>(static_cast<uint16_t>(0xFF22 + languageCount_));
        languages_.emplace(code, prefix);
        ++languageCount_;
    } catch (const std::bad_alloc&) {
        fail();
    }
}

wchar_t TmxIndexBuilder::languagePrefix(const std::wstring& code) const {
    const auto it = languages_.find(code);
    return it == languages_.end() ? 0 : it->second;
}

IndexEntry TmxIndexBuilder::entry(uint32_t id) const {
    return entries_[id >> kChunkShift][id & (kChunkSize - 1)];
}

TmxIndexBuilder::SegmentSummary TmxIndexBuilder::summarise(const std::vector<SegmentElement>& segment,
                                                           std::vector<IndexChunk::Word>& words,
                                                           std::vector<wchar_t>& text) {
    size_t wordTokens = 0;
    size_t elements = segment.size();
    bool barInWord = false;
    for (const SegmentElement& e : segment) {
        if (e.kind == SegmentElementKind::Word) {
            ++wordTokens;
            if (!isTermWord(e))
                continue;
            const std::wstring& w = e.extra;
            const size_t start = text.size();
            text.resize(start + w.size());
            std::memcpy(text.data() + start, w.data(), w.size() * sizeof(wchar_t));
            words.push_back(IndexChunk::Word{static_cast<uint32_t>(start), static_cast<uint32_t>(w.size())});
            barInWord = barInWord || std::wmemchr(w.data(), L'|', w.size()) != nullptr;
        } else if (e.kind == SegmentElementKind::Other && startsWithSurrogatePair(e.text)) {
            ++elements;
        }
    }
    return SegmentSummary{saturate16(elements), saturate16(wordTokens), barInWord};
}

bool TmxIndexBuilder::beginEntry() {
    if (entryCount_ == 0xFFFFFFFFu) {
        fail();
        return false;
    }
    if (!pipeline_.started())
        startPipeline();
    return true;
}

void TmxIndexBuilder::endEntry(uint32_t tuOffset, const SegmentSummary& summary, uint32_t firstWord,
                               wchar_t prefix) {
    IndexChunk& chunk = pipeline_.current();
    if ((entryCount_ & (kChunkSize - 1)) == 0) {
        entries_.emplace_back();
        entries_.back().reserve(kChunkSize);
    }
    entries_.back().push_back(IndexEntry{tuOffset, summary.elements, summary.wordTokens});
    const uint32_t entry = entryCount_++;
    const uint32_t words = static_cast<uint32_t>(chunk.words.size()) - firstWord;
    if (words) {
        chunk.entries.push_back(IndexChunk::Entry{entry, firstWord, words, prefix, summary.barInWord});
        // A stop (or a pipeline that ended) takes no more entries.
        if (chunk.full()) {
            if (!pipeline_.submit())
                fail();
            notify(IndexBuildStep::ChunkHandedOver);
        }
    }
}

void TmxIndexBuilder::addEntry(const std::wstring& language,
                               const std::vector<SegmentElement>& segment, wchar_t prefix,
                               uint32_t tuOffset) {
    if (failedSoFar() || segment.empty() || language != header_.srcLang)
        return;
    try {
        if (!beginEntry())
            return;
        // One pass: the record's counts and the words that make terms, copied for the threads.
        IndexChunk& chunk = pipeline_.current();
        const uint32_t firstWord = static_cast<uint32_t>(chunk.words.size());
        const SegmentSummary summary = summarise(segment, chunk.words, chunk.text);
        endEntry(tuOffset, summary, firstWord, prefix);
    } catch (const std::exception&) {
        fail();
    }
}

void TmxIndexBuilder::addSummarisedEntry(uint32_t tuOffset, const SegmentSummary& summary,
                                         const IndexChunk::Word* words, uint32_t wordCount,
                                         const wchar_t* text, wchar_t prefix) {
    if (failedSoFar())
        return;
    try {
        if (!beginEntry())
            return;
        IndexChunk& chunk = pipeline_.current();
        const uint32_t firstWord = static_cast<uint32_t>(chunk.words.size());
        if (wordCount) {
            // The words of one segment lie one after another in their text.
            const uint32_t from = words[0].start;
            const uint32_t units = words[wordCount - 1].start + words[wordCount - 1].length - from;
            const uint32_t start = static_cast<uint32_t>(chunk.text.size());
            chunk.text.insert(chunk.text.end(), text + from, text + from + units);
            for (uint32_t i = 0; i < wordCount; ++i)
                chunk.words.push_back(IndexChunk::Word{words[i].start - from + start, words[i].length});
        }
        endEntry(tuOffset, summary, firstWord, prefix);
    } catch (const std::exception&) {
        fail();
    }
}

void TmxIndexBuilder::startPipeline() {
    // Reversed pairs look at postings of other buckets as they stand: one thread for them.
    termPairMode_ = pairMode_;
    uint32_t threads = termPairMode_ == 3 ? 1 : workerThreads_;
    threads = threads < 1 ? 1 : threads > kMaxWorkers ? kMaxWorkers : threads;
    setShardCount(threads);
    for (uint32_t i = 0; i < threads; ++i) {
        work_.push_back(std::make_unique<ShardWork>());
        work_.back()->shard = i;
    }
    bucketLoad_.assign(IndexFormat::kBucketCount, 0);
    shardLoad_.assign(threads, 0);
    pipeline_.start(*this, threads, stopFlag());
}

void TmxIndexBuilder::releaseFilling() {
    IndexBuilder::releaseFilling();
    // The threads, their remembered walks and chunks, and the word numbers go; an entry that
    // comes later starts them again (its words get new numbers, which only the walks use).
    pipeline_.release();
    work_.clear();
    vocabulary_.clear();
}

void TmxIndexBuilder::finishPending() const {
    // A wait cut short by a stop leaves terms out: failed() says so through stopRequested().
    if (pipeline_.started())
        pipeline_.finish();
}

// Buckets go to shards so that the shards get about the same number of terms: the buckets of the
// first chunk largest first, each to the shard with the least so far, and later new buckets to
// the least loaded shard. Which shard owns a bucket does not change the file.
void TmxIndexBuilder::assignBuckets(IndexChunk& chunk) {
    std::vector<uint16_t>& buckets = chunk.buckets;
    std::fill(bucketLoad_.begin(), bucketLoad_.end(), 0);
    for (const IndexChunk::Entry& e : chunk.entries) {
        for (uint32_t i = e.firstWord; i < e.firstWord + e.wordCount; ++i) {
            const IndexChunk::Word& w = chunk.words[i];
            const uint32_t b = wordBucket(e.prefix, &chunk.text[w.start], w.length);
            buckets[i] = static_cast<uint16_t>(b);
            ++bucketLoad_[b];
        }
    }
    if (shardCount() == 1) {
        std::fill(chunk.owners.begin(), chunk.owners.end(), uint8_t(0));
        return;
    }
    // (A bucket that the caller's own lookups gave a shard already keeps it.)
    std::vector<uint32_t>& fresh = freshScratch_;
    fresh.clear();
    for (uint32_t b = 0; b < IndexFormat::kBucketCount; ++b) {
        if (!bucketLoad_[b])
            continue;
        if (bucketOwner(b) != kNoOwner)
            shardLoad_[bucketOwner(b)] += bucketLoad_[b];
        else
            fresh.push_back(b);
    }
    std::stable_sort(fresh.begin(), fresh.end(),
                     [&](uint32_t a, uint32_t b) { return bucketLoad_[a] > bucketLoad_[b]; });
    for (uint32_t b : fresh) {
        const uint32_t least = static_cast<uint32_t>(
            std::min_element(shardLoad_.begin(), shardLoad_.end()) - shardLoad_.begin());
        setBucketOwner(b, least);
        shardLoad_[least] += bucketLoad_[b];
    }
    for (size_t i = 0; i < buckets.size(); ++i)
        chunk.owners[i] = static_cast<uint8_t>(bucketOwner(buckets[i]));
}

void TmxIndexBuilder::prepare(IndexChunk& chunk) {
    try {
        chunk.ids.resize(chunk.words.size());
        chunk.buckets.resize(chunk.words.size());
        chunk.owners.resize(chunk.words.size());
        const IndexChunk::Entry* previous = nullptr;
        for (const IndexChunk::Entry& e : chunk.entries) {
            // A source segment comes once per target language: number its words once.
            bool same = previous && previous->wordCount == e.wordCount;
            if (same) {
                const IndexChunk::Word& a = chunk.words[previous->firstWord];
                const IndexChunk::Word& b = chunk.words[e.firstWord];
                const IndexChunk::Word& aLast = chunk.words[previous->firstWord + e.wordCount - 1];
                const IndexChunk::Word& bLast = chunk.words[e.firstWord + e.wordCount - 1];
                const size_t units = aLast.start + aLast.length - a.start;
                same = units == bLast.start + bLast.length - b.start &&
                       std::memcmp(&chunk.text[a.start], &chunk.text[b.start], units * 2) == 0;
                for (uint32_t i = 0; same && i < e.wordCount; ++i)
                    same = chunk.words[previous->firstWord + i].length == chunk.words[e.firstWord + i].length;
            }
            for (uint32_t i = 0; i < e.wordCount; ++i) {
                const IndexChunk::Word& w = chunk.words[e.firstWord + i];
                chunk.ids[e.firstWord + i] = same ? chunk.ids[previous->firstWord + i]
                                                  : vocabulary_.idOf(&chunk.text[w.start], w.length);
            }
            previous = &e;
        }
        assignBuckets(chunk);
    } catch (const std::exception&) {
        fail();
    }
}

void TmxIndexBuilder::process(uint32_t worker, const IndexChunk& chunk) {
    ShardWork& work = *work_[worker];
    try {
        if (work.pairSlots.empty()) {
            const uint32_t shards = static_cast<uint32_t>(work_.size());
            const uint32_t wordSlots = powerOfTwoAtLeast(std::max<uint32_t>(kWordSlots / shards, 4096));
            const uint32_t pairSlots = powerOfTwoAtLeast(kPairSlots / shards);
            work.wordSlots.assign(wordSlots, WordSlot{0, 0, 0});
            work.pairSlots.assign(pairSlots, PairSlot{0, 0, 0});
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
            if (termPairMode_ == 3 || e.barInWord) {
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

uint32_t TmxIndexBuilder::wordNode(ShardWork& work, EntryWork& entry, uint32_t word) {
    uint32_t& cached = entry.wordNodes[word];
    if (cached)
        return cached;
    const IndexChunk::Entry& e = *entry.entry;
    const uint32_t id = work.chunk->ids[e.firstWord + word];
    const uint32_t prefix = static_cast<uint16_t>(e.prefix);
    WordSlot& slot = work.wordSlots[wordSlot(id, prefix, work.wordMask)];
    if (slot.word == id + 1 && slot.prefix == prefix) {
        cached = slot.node;
        return cached;
    }
    const IndexChunk::Word& w = work.chunk->words[e.firstWord + word];
    work.scratch.clear();
    work.scratch += e.prefix;
    work.scratch.append(&work.chunk->text[w.start], w.length);
    work.scratch += L'|';
    cached = descend(shard(work.shard), work.chunk->buckets[e.firstWord + word], 0, work.scratch.data(),
                     work.scratch.size());
    if (cached)
        slot = WordSlot{id + 1, prefix, cached};
    return cached;
}

uint32_t TmxIndexBuilder::wordSlot(uint32_t id, uint32_t prefix, uint32_t mask) {
    return (id * 2654435761u + prefix * 40503u) & mask;
}

uint32_t TmxIndexBuilder::secondWordId(const ShardWork& work, const IndexChunk::Entry& e, const TermShape& shape) {
    return shape.second == TermShape::kEndTerm ? kEndWord : work.chunk->ids[e.firstWord + shape.second];
}

uint32_t TmxIndexBuilder::pairSlot(uint32_t from, uint32_t id, uint32_t mask) {
    const uint64_t h = (uint64_t(from) * 0x9E3779B97F4A7C15ull) ^ (uint64_t(id) * 0xC2B2AE3D27D4EB4Full);
    return static_cast<uint32_t>(h >> 40) & mask;
}

uint32_t TmxIndexBuilder::pairNode(ShardWork& work, EntryWork& entry, uint32_t bucket, uint32_t from,
                                   uint32_t second) {
    const IndexChunk::Entry& e = *entry.entry;
    const uint32_t id = second == kEndWord ? kEndWord : work.chunk->ids[e.firstWord + second];
    PairSlot& slot = work.pairSlots[pairSlot(from, id, work.pairMask)];
    if (slot.from == from && slot.word == id)
        return slot.node;
    uint32_t node;
    if (second == kEndWord) {
        node = descend(shard(work.shard), bucket, from, kEndMark, 2);
    } else {
        const IndexChunk::Word& w = work.chunk->words[e.firstWord + second];
        node = descend(shard(work.shard), bucket, from, &work.chunk->text[w.start], w.length);
    }
    if (node)
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
    entry.wordNodes.assign(e.wordCount, 0);
    const unsigned options = indexTermOptions(termPairMode_);
    forEachTermShape(e.wordCount, options, [&](const TermShape& shape) {
        if (failedSoFar() || owners[shape.first] != me)
            return;
        const uint32_t base = wordNode(work, entry, shape.first);
        if (!base)
            return;
        const uint32_t bucket = chunk.buckets[e.firstWord + shape.first];
        uint32_t node = base;
        if (shape.second == TermShape::kEndTerm)
            node = pairNode(work, entry, bucket, base, kEndWord);
        else if (shape.isPair())
            node = pairNode(work, entry, bucket, base, shape.second);
        appendPosting(own, bucket, node, e.number);
        if (shape.isPair() && (options & TermReversed)) {
            // Reversed pairs come with one shard only: the second word's bucket is this shard's.
            const IndexChunk::Word& first = chunk.words[e.firstWord + shape.first];
            const uint32_t reversed = descend(own, chunk.buckets[e.firstWord + shape.second],
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
    entry.knownNodes.assign(e.wordCount, 0);
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
        const uint32_t from = entry.knownNodes[shape.first];
        if (shape.second != TermShape::kSingleTerm && from)
            prefetchLine(&work.pairSlots[pairSlot(from, secondWordId(work, e, shape), work.pairMask)]);
    }
}

// A step later: a pair that the remembered walks do not know is looked for in the trie, by a probe
// that the following steps take on.
void TmxIndexBuilder::startProbes(ShardWork& work, EntryWork& entry) {
    const IndexChunk& chunk = *work.chunk;
    const IndexChunk::Entry& e = *entry.entry;
    for (size_t k = 0; k < entry.shapes.size(); ++k) {
        const TermShape& shape = entry.shapes[k];
        const uint32_t from = entry.knownNodes[shape.first];
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
    entry.wordNodes.assign(e.wordCount, 0);
    for (uint32_t i = 0; i < e.wordCount; ++i)
        if (owners[i] == me && !wordNode(work, entry, i))
            return;
    entry.termNodes.clear();
    for (size_t k = 0; k < entry.shapes.size(); ++k) {
        const TermShape& shape = entry.shapes[k];
        const uint32_t bucket = buckets[shape.first];
        uint32_t node = entry.wordNodes[shape.first];
        Probe& probe = entry.probes[k];
        if (probe.at) {
            // Begun from this very word node (a term's path is the only one there is to it), and
            // remembered as pairNode remembers its walks.
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

// The shard's entries go through these stages, each some steps behind the one before, so that the
// memory an entry needs next is fetched while the other entries work: (1) what is known of its
// word paths, and their remembered pair walks fetched; (2) probes for the pairs not remembered;
// (3) its word paths and pair nodes made, the pair nodes fetched; (4) the ends of their posting
// lists fetched; (5) the postings. Nodes are made in the order of a single pass, all at stage 3
// (an entry's word paths come after the pairs of the entry before it); the stages before only
// look, and the postings come later, entry by entry: nothing in the making of nodes depends on
// them. next null moves the entries in flight on by one step.
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

uint64_t TmxIndexBuilder::headerSize() const {
    uint64_t size = 10 + 24;
    for (const auto& language : languages_)
        size += 2 * storedLength(language.first) + 4;
    size += 2 * (storedLength(header_.version) + storedLength(header_.creationTool) +
                 storedLength(header_.creationToolVersion) + storedLength(header_.oTmf) +
                 storedLength(header_.srcLang));
    size += 8ull * entryCount_ + 29;
    return size;
}

void TmxIndexBuilder::writeHeader(IndexFileWriter& out) {
    uint8_t date[8];
    out.write(IndexFormat::kMagic, sizeof IndexFormat::kMagic);
    writeNumber<uint32_t>(out, IndexFormat::kVersion);
    tmxDate_.toBytes(date);
    out.write(date, 8);
    writeNumber<uint32_t>(out, encoding_);
    writeNumber<uint16_t>(out, pairMode_);
    writeNumber<uint16_t>(out, languageMode_);
    writeNumber<uint32_t>(out, static_cast<uint32_t>(languages_.size()));
    for (const auto& language : languages_) {
        writeString(out, language.first);
        writeNumber<uint16_t>(out, static_cast<uint16_t>(language.second));
    }
    writeString(out, header_.version);
    writeString(out, header_.creationTool);
    writeString(out, header_.creationToolVersion);
    header_.creationDate.toBytes(date);
    out.write(date, 8);
    writeString(out, header_.oTmf);
    writeString(out, header_.srcLang);
    writeNumber<uint32_t>(out, entryCount_);
    out.writeZeros(static_cast<size_t>((8 - out.offset() % 8) % 8));
    for (const std::vector<IndexEntry>& chunk : entries_)
        out.write(chunk.data(), chunk.size() * sizeof(IndexEntry));
}
