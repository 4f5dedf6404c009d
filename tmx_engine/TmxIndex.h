#pragma once

#include "tmx_engine/Index.h"
#include "tmx_engine/PackedDate.h"
#include "tmx_engine/TmxHeader.h"

#include <cstdint>
#include <string>

// One entry record of the index: a translation unit indexed for one target language.
struct IndexEntry {
    uint32_t tuOffset;     // byte offset of the "<" of the tu element in the TMX file
    uint16_t elementCount; // elements of the indexed source segment, saturated at 65535
    uint16_t wordCount;    // its Word tokens, saturated at 65535
};
static_assert(sizeof(IndexEntry) == 8, "an entry record is eight bytes");

// The index of one TMX file: the trie plus the TMX header facts and the entry table.
class TmxIndex : public Index {
public:
    TmxIndex() = default;

    // The size of the TMX file the index belongs to, before open(): an entry offset at or past it
    // makes the index damaged. Unknown (unchecked) unless set.
    void setTmxSize(uint64_t bytes) { tmxSize_ = bytes; }

    const PackedDate& storedDate() const { return storedDate_; }
    uint32_t encoding() const { return encoding_; }
    uint16_t pairMode() const { return pairMode_; }
    uint16_t languageMode() const { return languageMode_; }
    const LanguageMap& languages() const { return languages_; }
    uint32_t languageCount() const { return languageCount_; }
    const TmxHeader& header() const { return header_; }

    // Valid after a full open; E in the file.
    uint32_t entryCount() const { return entryTable_ && isOpen() ? entryCount_ : 0; }
    // id must be below entryCount().
    IndexEntry entry(uint32_t id) const;
    uint32_t entryOffset(uint32_t id) const { return entry(id).tuOffset; }
    uint16_t entryElementCount(uint32_t id) const { return entry(id).elementCount; }
    uint16_t entryWordCount(uint32_t id) const { return entry(id).wordCount; }

    // The prefix character of the search terms for a normalised target language: the language's
    // own prefix in language mode 1 (0 when the index does not know it), U+FF21 in mode 2.
    wchar_t searchPrefix(const std::wstring& normalisedLanguage) const;

protected:
    bool validateHeader(MappedFile& reader) override;
    bool validateTable(const uint8_t* viewStart) override;

private:
    static bool knownModes(uint16_t pairMode, uint16_t languageMode);
    bool prefixesDistinct() const;

    uint64_t tmxSize_ = UINT64_MAX;
    PackedDate storedDate_;
    uint32_t encoding_ = 0;
    uint16_t pairMode_ = 0;
    uint16_t languageMode_ = 0;
    LanguageMap languages_;
    uint32_t languageCount_ = 0;
    TmxHeader header_;
    uint32_t entryCount_ = 0;
    uint32_t entryTableOffset_ = 0;
    const uint8_t* entryTable_ = nullptr;
};
