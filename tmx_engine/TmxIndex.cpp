#include "tmx_engine/TmxIndex.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Sequential header reads that record whether any of them ran past the end of the view.
class HeaderReader {
public:
    explicit HeaderReader(MappedFile& file) : file_(file) {}
    bool ok() const { return ok_; }
    size_t remaining() const { return file_.size() - file_.cursor(); }

    template <class T> T number() {
        T value{};
        if (file_.read(&value, sizeof value) != sizeof value)
            ok_ = false;
        return value;
    }
    PackedDate date() {
        uint8_t bytes[8];
        if (file_.read(bytes, 8) != 8)
            ok_ = false;
        return PackedDate::fromBytes(bytes);
    }
    std::wstring string() {
        const uint16_t n = number<uint16_t>();
        std::wstring s;
        if (!ok_ || remaining() < 2u * n) {
            ok_ = false;
            return s;
        }
        s.resize(n);
        if (n)
            file_.read(&s[0], 2u * n);
        return s;
    }

private:
    MappedFile& file_;
    bool ok_ = true;
};

} // namespace

bool TmxIndex::validateHeader(MappedFile& reader) {
    // The magic may be preceded or interleaved by other bytes: they are passed over.
    size_t matched = 0;
    while (matched < sizeof IndexFormat::kMagic) {
        uint8_t b;
        if (reader.read(&b, 1) != 1)
            return false;
        if (b == IndexFormat::kMagic[matched])
            ++matched;
    }
    HeaderReader in(reader);
    const uint32_t version = in.number<uint32_t>();
    if (!in.ok()) {
        markDamaged();
        return false;
    }
    if (version != IndexFormat::kVersion)
        return false;

    storedDate_ = in.date();
    encoding_ = in.number<uint32_t>();
    pairMode_ = in.number<uint16_t>();
    languageMode_ = in.number<uint16_t>();
    const uint32_t languageCount = in.number<uint32_t>();
    // A language record takes at least four bytes: a count beyond that cannot be real.
    if (!in.ok() || encoding_ < 1 || encoding_ > 4 || !knownModes(pairMode_, languageMode_) ||
        languageCount > in.remaining() / 4) {
        markDamaged();
        return false;
    }
    languages_.clear();
    for (uint32_t i = 0; i < languageCount && in.ok(); ++i) {
        std::wstring code = in.string();
        const uint16_t prefix = in.number<uint16_t>();
        // The records go out in the order of the map they came from: each code once, ascending.
        if (in.ok() && !languages_.empty() && !(languages_.rbegin()->first < code)) {
            markDamaged();
            return false;
        }
        if (in.ok())
            languages_.emplace_hint(languages_.end(), std::move(code), static_cast<wchar_t>(prefix));
    }
    languageCount_ = languageCount;
    if (in.ok() && !prefixesDistinct()) {
        markDamaged();
        return false;
    }
    header_.version = in.string();
    header_.creationTool = in.string();
    header_.creationToolVersion = in.string();
    header_.creationDate = in.date();
    header_.oTmf = in.string();
    header_.srcLang = in.string();
    entryCount_ = in.number<uint32_t>();
    if (!in.ok()) {
        markDamaged();
        return false;
    }
    const uint64_t table = (static_cast<uint64_t>(reader.cursor()) + 7) & ~uint64_t(7);
    const uint64_t tableEnd = table + 8ull * entryCount_;
    if (tableEnd > reader.size()) {
        markDamaged();
        return false;
    }
    entryTableOffset_ = static_cast<uint32_t>(table);
    reader.seek(static_cast<size_t>(tableEnd));
    return true;
}

bool TmxIndex::knownModes(uint16_t pairMode, uint16_t languageMode) {
    return pairMode >= IndexFormat::kPairModeSingleWords && pairMode <= IndexFormat::kPairModeReversedPairs &&
           (languageMode == IndexFormat::kLanguageModeOwnPrefix || languageMode == IndexFormat::kLanguageModeOnePrefix);
}

// Two languages with one prefix would share their terms: each would find the other's units.
// (With one prefix for all languages the records' own prefixes are not used.)
bool TmxIndex::prefixesDistinct() const {
    if (languageMode_ != IndexFormat::kLanguageModeOwnPrefix)
        return true;
    std::vector<wchar_t> prefixes;
    prefixes.reserve(languages_.size());
    for (const auto& language : languages_)
        prefixes.push_back(language.second);
    std::sort(prefixes.begin(), prefixes.end());
    return std::adjacent_find(prefixes.begin(), prefixes.end()) == prefixes.end();
}

// Entries are numbered in the order the parser met their units: their offsets never go back (the
// entries of one unit for several target languages share it), and all lie inside the TMX file
// when its size is known. An entry stands for a segment of at least one element, of which its
// words are a part, and each element takes at least a byte of its unit, which ends before the
// next unit begins (or the file ends): the search weighs hits by these counts.
bool TmxIndex::validateTable(const uint8_t* viewStart) {
    entryTable_ = viewStart + entryTableOffset_;
    setPostingLimit(entryCount_);
    // One pass: the entries of one unit are checked against the room up to the next unit's.
    uint32_t unitOffset = 0;
    uint32_t mostElements = 0;
    for (uint32_t id = 0; id < entryCount_; ++id) {
        const IndexEntry e = entry(id);
        if (e.tuOffset != unitOffset) {
            if (e.tuOffset < unitOffset || mostElements > e.tuOffset - unitOffset)
                return false;
            unitOffset = e.tuOffset;
            mostElements = 0;
        }
        if (e.elementCount == 0 || e.wordCount > e.elementCount)
            return false;
        mostElements = std::max<uint32_t>(mostElements, e.elementCount);
    }
    return entryCount_ == 0 || (unitOffset < tmxSize_ && mostElements <= tmxSize_ - unitOffset);
}

IndexEntry TmxIndex::entry(uint32_t id) const {
    IndexEntry e;
    std::memcpy(&e, entryTable_ + 8 * static_cast<size_t>(id), 8);
    return e;
}

wchar_t TmxIndex::searchPrefix(const std::wstring& normalisedLanguage) const {
    if (languageMode_ == IndexFormat::kLanguageModeOwnPrefix) {
        const auto it = languages_.find(normalisedLanguage);
        return it == languages_.end() ? 0 : it->second;
    }
    if (languageMode_ == IndexFormat::kLanguageModeOnePrefix)
        return IndexFormat::kOnePrefix;
    return 0;
}
