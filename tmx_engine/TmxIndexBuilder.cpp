#include "tmx_engine/TmxIndexBuilder.h"

#include "tmx_engine/Index.h"
#include "tmx_engine/TermList.h"

#include <cstring>
#include <new>

namespace {

const wchar_t kEndMark[] = L"#$";

uint16_t saturate16(size_t n) { return n > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(n); }

// Header strings carry a 16-bit length: longer ones are cut.
size_t storedLength(const std::wstring& s) { return s.size() > 0xFFFF ? 0xFFFF : s.size(); }

void writeString(IndexFileWriter& out, const std::wstring& s) {
    const uint16_t n = static_cast<uint16_t>(storedLength(s));
    out.write(&n, 2);
    out.write(s.data(), 2 * size_t(n));
}

template <class T> void writeNumber(IndexFileWriter& out, T value) { out.write(&value, sizeof value); }

bool startsWithSurrogatePair(const std::wstring& s) {
    return s.size() >= 2 && s[0] >= 0xD800 && s[0] <= 0xDBFF && s[1] >= 0xDC00 && s[1] <= 0xDFFF;
}

// The element count that the entry record stores. A character above U+FFFF is one token in a
// segment, but the index format counts it as two elements (its surrogates were always separate
// tokens there), so that every writer of the format stores the same count and scores agree.
size_t indexedElementCount(const std::vector<SegmentElement>& segment) {
    size_t n = segment.size();
    for (const SegmentElement& e : segment)
        if (e.kind == SegmentElementKind::Other && startsWithSurrogatePair(e.text))
            ++n;
    return n;
}

} // namespace

TmxIndexBuilder::TmxIndexBuilder() {
    entries_.reserve(64);
    words_.reserve(256);
    wordNodes_.reserve(256);
}

void TmxIndexBuilder::addLanguage(const std::wstring& code, wchar_t prefix) {
    if (failed())
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

void TmxIndexBuilder::addEntry(const std::wstring& language,
                               const std::vector<SegmentElement>& segment, wchar_t prefix,
                               uint32_t tuOffset) {
    if (failed() || segment.empty() || language != header_.srcLang)
        return;
    if (entryCount_ == 0xFFFFFFFFu) {
        fail();
        return;
    }
    try {
        size_t wordTokens = 0;
        for (const SegmentElement& e : segment)
            if (e.kind == SegmentElementKind::Word)
                ++wordTokens;
        if ((entryCount_ & (kChunkSize - 1)) == 0) {
            entries_.emplace_back();
            entries_.back().reserve(kChunkSize);
        }
        entries_.back().push_back(
            IndexEntry{tuOffset, saturate16(indexedElementCount(segment)), saturate16(wordTokens)});
        const uint32_t entry = entryCount_++;
        indexTerms(segment, prefix, entry);
    } catch (const std::bad_alloc&) {
        fail();
    }
}

uint32_t TmxIndexBuilder::wordNode(uint32_t word) {
    uint32_t& cached = wordNodes_[word];
    if (cached)
        return cached;
    const uint32_t id = wordIds_[word];
    WordSlot& slot = wordSlots_[(id * 2654435761u + static_cast<uint32_t>(prefix_) * 40503u) &
                                (kWordSlots - 1)];
    if (slot.word == id + 1 && slot.prefix == static_cast<uint32_t>(prefix_)) {
        cached = slot.node;
        return cached;
    }
    scratch_.clear();
    scratch_ += prefix_;
    scratch_ += *words_[word];
    scratch_ += L'|';
    cached = descend(0, scratch_.data(), scratch_.size());
    if (cached)
        slot = WordSlot{id + 1, static_cast<uint32_t>(prefix_), cached};
    return cached;
}

uint32_t TmxIndexBuilder::pairSlot(uint32_t from, uint32_t id) const {
    const uint64_t h = (uint64_t(from) * 0x9E3779B97F4A7C15ull) ^ (uint64_t(id) * 0xC2B2AE3D27D4EB4Full);
    return static_cast<uint32_t>(h >> 44) & (kPairSlots - 1);
}

uint32_t TmxIndexBuilder::pairNode(uint32_t from, uint32_t second) {
    const uint32_t id = second == kEndWord ? kEndWord : wordIds_[second];
    PairSlot& slot = pairSlots_[pairSlot(from, id)];
    if (slot.from == from && slot.word == id)
        return slot.node;
    uint32_t node;
    if (second == kEndWord) {
        node = descend(from, kEndMark, 2);
    } else {
        const std::wstring& w = *words_[second];
        node = descend(from, w.data(), w.size());
    }
    if (node)
        slot = PairSlot{from, id, node};
    return node;
}

void TmxIndexBuilder::indexTerms(const std::vector<SegmentElement>& segment, wchar_t prefix,
                                 uint32_t entry) {
    words_.clear();
    wordIds_.clear();
    for (const SegmentElement& e : segment) {
        if (!isTermWord(e))
            continue;
        words_.push_back(&e.extra);
        auto found = vocabulary_.find(e.extra);
        if (found == vocabulary_.end())
            found = vocabulary_.emplace(e.extra, static_cast<uint32_t>(vocabulary_.size())).first;
        wordIds_.push_back(found->second);
    }
    if (words_.empty())
        return;
    if (pairSlots_.empty()) {
        wordSlots_.assign(kWordSlots, WordSlot{0, 0, 0});
        pairSlots_.assign(kPairSlots, PairSlot{0, 0, 0});
    }
    wordNodes_.assign(words_.size(), 0);
    prefix_ = prefix;
    const unsigned options = pairMode_ == 1 ? 0x01u : pairMode_ == 3 ? 0x2Eu : 0x4Eu;
    bool barInWord = false;
    for (const std::wstring* w : words_)
        barInWord = barInWord || w->find(L'|') != std::wstring::npos;

    if (pairMode_ == 3 || barInWord) {
        // Term by term: the reversed pairs look at posting counts as they stand, and a word that
        // holds a "|" shares nodes with the pairs of the word before it.
        forEachTermShape(static_cast<uint32_t>(words_.size()), options, [&](const TermShape& shape) {
            if (failed())
                return;
            const uint32_t base = wordNode(shape.first);
            if (!base)
                return;
            uint32_t node = base;
            if (shape.second == TermShape::kEndTerm)
                node = pairNode(base, kEndWord);
            else if (shape.isPair())
                node = pairNode(base, shape.second);
            appendPosting(node, entry);
            if (shape.isPair() && (options & TermReversed)) {
                const std::wstring& first = *words_[shape.first];
                const uint32_t reversed = descend(wordNode(shape.second), first.data(), first.size());
                if (node && reversed && reversed != node && !isAlias(node) && !isAlias(reversed) &&
                    postingCount(reversed) == 0)
                    makeAlias(reversed, node);
            }
        });
        return;
    }

    // Every term of the segment starts with a word's P + word + "|" path, and the terms take their
    // first words in the order of the words, so these paths may be walked first, word by word:
    // they share no node with the second words' paths below them, and each chain of siblings still
    // gets its nodes in the same order. The rest goes in three passes so that the memory the terms
    // need is fetched for all of them at once rather than one after the other: the remembered
    // walks, the nodes with their last postings, then the postings themselves (postings of
    // different terms do not depend on one another).
    for (uint32_t i = 0; i < words_.size(); ++i)
        if (!wordNode(i))
            return;
    shapes_.clear();
    forEachTermShape(static_cast<uint32_t>(words_.size()), options,
                     [&](const TermShape& shape) { shapes_.push_back(shape); });
    for (const TermShape& shape : shapes_) {
        if (shape.second == TermShape::kSingleTerm)
            continue;
        const uint32_t id = shape.second == TermShape::kEndTerm ? kEndWord : wordIds_[shape.second];
        __builtin_prefetch(&pairSlots_[pairSlot(wordNodes_[shape.first], id)]);
    }
    termNodes_.clear();
    for (const TermShape& shape : shapes_) {
        uint32_t node = wordNodes_[shape.first];
        if (shape.second == TermShape::kEndTerm)
            node = pairNode(node, kEndWord);
        else if (shape.isPair())
            node = pairNode(node, shape.second);
        if (!node)
            return;
        prefetchNode(node);
        termNodes_.push_back(node);
    }
    for (uint32_t node : termNodes_)
        prefetchPostingEnd(node);
    for (uint32_t node : termNodes_)
        appendPosting(node, entry);
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
