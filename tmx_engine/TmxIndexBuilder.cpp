#include "tmx_engine/TmxIndexBuilder.h"

#include "tmx_engine/Index.h"
#include "tmx_engine/TermList.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>
#include <thread>

namespace {

constexpr uint32_t kMaxWorkers = 8;

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
            prefix = static_cast<wchar_t>(static_cast<uint16_t>(kFirstLanguagePrefix + languageCount_));
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
    uint32_t threads = termPairMode_ == IndexFormat::kPairModeReversedPairs ? 1 : workerThreads_;
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

uint64_t TmxIndexBuilder::headerSize() const {
    // The magic, then the version, TMX date, encoding, pair and language modes and the language
    // count.
    uint64_t size = sizeof IndexFormat::kMagic + 4 + 8 + 4 + 2 + 2 + 4;
    // Each language record: its length, its units and its prefix.
    for (const auto& language : languages_)
        size += 2 * storedLength(language.first) + 4;
    size += 2 * (storedLength(header_.version) + storedLength(header_.creationTool) +
                 storedLength(header_.creationToolVersion) + storedLength(header_.oTmf) +
                 storedLength(header_.srcLang));
    // The five string lengths, the creation date, E, the alignment reserve and the entry table.
    size += 5 * 2 + 8 + 4 + IndexFormat::kAlignmentReserve + 8ull * entryCount_;
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
