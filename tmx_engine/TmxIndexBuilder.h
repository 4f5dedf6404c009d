#pragma once

#include "tmx_engine/IndexBuilder.h"
#include "tmx_engine/IndexPipeline.h"
#include "tmx_engine/PackedDate.h"
#include "tmx_engine/SegmentElement.h"
#include "tmx_engine/TermList.h"
#include "tmx_engine/TmxEntrySink.h"
#include "tmx_engine/TmxHeader.h"
#include "tmx_engine/TmxIndex.h"
#include "tmx_engine/WordVocabulary.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The index builder of one TMX file: the header facts, the language table, the entry table, and
// the rule that turns one source segment into one entry and its terms. The TMX parser fills it;
// write() then makes the .idx file.
//
// The entry table is filled on the caller's thread; the terms are made and entered on others:
// the words of the entries go out in chunks, one thread numbers them, and one thread per shard
// enters the terms of its buckets, chunk after chunk and entry after entry. Every bucket thus
// gets its terms in the order of a single thread, and the file is the same whatever the number
// of threads.
class TmxIndexBuilder : public IndexBuilder, public TmxEntrySink, private IndexPipeline::Stages {
public:
    static constexpr wchar_t kFirstLanguagePrefix = static_cast<wchar_t>(0xFF22);
    static constexpr wchar_t kSharedPrefix = IndexFormat::kOnePrefix;

    TmxIndexBuilder();
    ~TmxIndexBuilder() override;

    // Threads that enter terms: 0 or 1 enters them on the caller's thread. The default is one per
    // processor, at most 8. Only before the first entry; pair mode 3 always uses one.
    void setWorkerThreads(uint32_t count) { workerThreads_ = count; }

    // The tmx element's "version" and the header's attributes; srcLang normalised by the caller.
    TmxHeader& header() override { return header_; }
    const TmxHeader& header() const { return header_; }
    void setTmxDate(const PackedDate& date) { tmxDate_ = date; }
    const PackedDate& tmxDate() const { return tmxDate_; }
    void setEncoding(uint32_t code) { encoding_ = code; }
    uint32_t encoding() const { return encoding_; }
    // 2 (pairs) unless set otherwise; 3 adds reversed-pair aliases, 1 indexes single words only.
    // Before the first entry: the terms are made with the mode set then.
    void setPairMode(uint16_t mode) { pairMode_ = mode; }
    uint16_t pairMode() const { return pairMode_; }
    // 1: terms carry the target language's prefix; 2: one prefix (U+FF21) for all languages.
    void setLanguageMode(uint16_t mode) { languageMode_ = mode; }
    uint16_t languageMode() const override { return languageMode_; }

    // A code already in the map keeps its prefix; a new one gets the given prefix or, with 0, the
    // next free one (U+FF22 plus the number of languages already entered).
    void addLanguage(const std::wstring& code, wchar_t prefix = 0);
    // 0 when the code is not in the map.
    wchar_t languagePrefix(const std::wstring& code) const;
    const LanguageMap& languages() const { return languages_; }
    void enterLanguage(const std::wstring& code) override { addLanguage(code, 0); }
    wchar_t prefixOf(const std::wstring& code) override { return languagePrefix(code); }

    // One entry for a source segment indexed under a target language's prefix. Ignored when the
    // segment is empty or its (normalised) language is not exactly the header's srclang.
    void addEntry(const std::wstring& language, const std::vector<SegmentElement>& segment,
                  wchar_t prefix, uint32_t tuOffset) override;

    // What an entry keeps of its source segment: the record's counts (cut to 16 bits), and the
    // words that make its terms.
    struct SegmentSummary {
        uint16_t elements;
        uint16_t wordTokens;
        bool barInWord; // a term word holds a "|"
    };
    // Appends the segment's term words to words and their text to text.
    static SegmentSummary summarise(const std::vector<SegmentElement>& segment,
                                    std::vector<IndexChunk::Word>& words, std::vector<wchar_t>& text);
    // An entry whose segment was summarised elsewhere (and checked there the way addEntry checks
    // it): wordCount words, whose starts count in text.
    void addSummarisedEntry(uint32_t tuOffset, const SegmentSummary& summary,
                            const IndexChunk::Word* words, uint32_t wordCount, const wchar_t* text,
                            wchar_t prefix);

    uint32_t entryCount() const { return entryCount_; }
    // Whether a failure was recorded so far, without waiting for the term threads as failed() does.
    using IndexBuilder::failedSoFar;
    IndexEntry entry(uint32_t id) const;

protected:
    uint64_t headerSize() const override;
    void writeHeader(IndexFileWriter& writer) override;
    void finishPending() const override;
    void releaseFilling() override;

private:
    static constexpr uint32_t kChunkShift = 16;
    static constexpr uint32_t kChunkSize = 1u << kChunkShift;

    // Remembered walks. A term's node never moves and walking an existing path creates nothing,
    // so a remembered node is the node the walk would reach: the file does not change.
    struct WordSlot {
        uint32_t word; // word id + 1, 0 = empty
        uint32_t prefix;
        NodeRef node; // node of prefix + word + "|"
    };
    struct PairSlot {
        NodeRef from; // node of prefix + first word + "|", none = empty
        uint32_t word; // id of the second word, or kEndWord
        NodeRef node;
    };
    static constexpr uint32_t kEndWord = 0xFFFFFFFFu;
    static constexpr uint32_t kWordSlots = 1u << 16;
    static constexpr uint32_t kPairSlots = 1u << 20;
    // Steps after its start at which an entry's terms are made, its posting list ends are
    // fetched, and its postings appended (see advance). A shard sees only its share of each
    // entry's terms: the fetches must run several entries ahead to hide the memory's latency.
    static constexpr uint32_t kMakeLag = 12;
    static constexpr uint32_t kEndFetchLag = 17;
    static constexpr uint32_t kPostingLag = 22;

    // One entry on its way through a shard's stages.
    struct EntryWork {
        const IndexChunk::Entry* entry = nullptr;
        bool ok = false;
        std::vector<NodeRef> wordNodes; // node of P + word + "|" of each kept word, none until met
        std::vector<NodeRef> knownNodes; // the same, as far as the remembered walks knew ahead
        std::vector<TermShape> shapes;
        std::vector<Probe> probes; // one per shape; begun for the pairs not remembered
        struct TermNode {
            NodeRef node;
            uint32_t bucket;
        };
        std::vector<TermNode> termNodes;
    };
    // What one shard's thread keeps between entries (apart from the other shards' in memory).
    struct alignas(64) ShardWork {
        uint32_t shard = 0;
        std::vector<WordSlot> wordSlots;
        std::vector<PairSlot> pairSlots;
        uint32_t wordMask = 0;
        uint32_t pairMask = 0;
        const IndexChunk* chunk = nullptr;
        // Entries in flight: due[k] was started k + 1 steps ago (see advance).
        EntryWork entries[kPostingLag + 1];
        EntryWork* due[kPostingLag] = {};
        std::vector<Probe*> probing; // probes in flight
        uint32_t started = 0;
        std::wstring scratch;
    };

    void startPipeline();
    // Appends the entry record; false when no entry can be taken.
    bool beginEntry();
    void endEntry(uint32_t tuOffset, const SegmentSummary& summary, uint32_t firstWord,
                  wchar_t prefix);
    void prepare(IndexChunk& chunk) override;
    void process(uint32_t worker, const IndexChunk& chunk) override;
    void assignBuckets(IndexChunk& chunk);
    void indexTermByTerm(ShardWork& work, EntryWork& entry);
    void lookAhead(ShardWork& work, EntryWork& entry);
    void startProbes(ShardWork& work, EntryWork& entry);
    void stepProbes(ShardWork& work);
    void makeTerms(ShardWork& work, EntryWork& entry);
    void advance(ShardWork& work, const IndexChunk::Entry* next);
    void drain(ShardWork& work);
    NodeRef wordNode(ShardWork& work, EntryWork& entry, uint32_t word);
    NodeRef pairNode(ShardWork& work, EntryWork& entry, uint32_t bucket, NodeRef from, uint32_t secondWord);
    static uint32_t pairSlot(NodeRef from, uint32_t secondWordId, uint32_t mask);
    static uint32_t wordSlot(uint32_t id, uint32_t prefix, uint32_t mask);
    // The pair slot's word of a shape: the second word's number, or kEndWord.
    static uint32_t secondWordId(const ShardWork& work, const IndexChunk::Entry& e, const TermShape& shape);

    PackedDate tmxDate_;
    uint32_t encoding_ = 1;
    LanguageMap languages_;
    uint32_t languageCount_ = 0;
    uint16_t pairMode_ = IndexFormat::kPairModePairs;
    uint16_t termPairMode_ = IndexFormat::kPairModePairs; // pairMode_ when the first entry came, read by the threads
    uint16_t languageMode_ = IndexFormat::kLanguageModeOwnPrefix;
    TmxHeader header_;
    // Entry records in fixed-size chunks: no reallocation of one ever larger block.
    std::vector<std::vector<IndexEntry>> entries_;
    uint32_t entryCount_ = 0;

    uint32_t workerThreads_;
    std::vector<std::unique_ptr<ShardWork>> work_;
    // Owned by the prepare stage.
    WordVocabulary vocabulary_;
    std::vector<uint64_t> bucketLoad_;
    std::vector<uint64_t> shardLoad_;
    std::vector<uint32_t> freshScratch_;
    // Mutable: waiting for the other threads is no change of the builder's content.
    mutable IndexPipeline pipeline_;
};
