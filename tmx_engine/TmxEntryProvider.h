#pragma once

#include "tmx_engine/SearchResults.h"
#include "tmx_engine/SegmentElement.h"
#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxHeader.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What a load ends with. The numbers are kept as they stand: the loader thread hands them on,
// the viewer picks its message by them and the benchmark prints them.
enum LoadCode : int32_t {
    kLoadNotEnded = 0,            // only the loader thread's answer while its load still runs
    kLoaded = 1,
    kAlreadyLoaded = 2,
    kLoadIndexOfOtherFormat = 3,  // an index of another format (perhaps a newer program's) is neither used nor replaced
    kLoadIndexFailed = 4,         // the index cannot be read or built: also a stop, no memory, no TMX document
    kLoadCannotMap = 5,           // the TMX file cannot be mapped (or is too large to be)
    kLoadGroupUnreadable = 6,
    kLoadGroupWithoutEntries = 7,
    kLoadUnsupportedExtension = 8,
    kLoadGroupMembersRefused = 9, // no members, more than 64, or members of differing source languages
};

// The one interface through which the viewer reads translation memory, whether one TMX file or a
// group of them is open. Entries are numbered from 0 to entryCount() - 1.
class TmxEntryProvider {
public:
    virtual ~TmxEntryProvider() = default;
    // A file gives kLoaded to kLoadCannotMap; a group adds kLoadGroupUnreadable,
    // kLoadGroupWithoutEntries and kLoadGroupMembersRefused.
    virtual LoadCode load(const std::wstring& path) = 0;
    // A stop for load from another thread, set before load: once the flag is set, the load ends
    // soon after (the parse, the threads that enter terms, the write of an index and the steps
    // between look at it) with kLoadIndexFailed, every thread it started joined, and no index file or
    // temporary file written. The flag must outlive the load. A provider that loads nothing
    // lengthy may ignore it.
    virtual void setStopFlag(const std::atomic<bool>* flag) { (void)flag; }
    // 0..100; safe to call from another thread while load runs.
    virtual int loadProgress() = 0;
    virtual const TmxHeader& sourceLanguage() const = 0;
    // Normalised target language code -> prefix character.
    virtual const LanguageMap& languages() const = 0;
    virtual const std::vector<std::wstring>& memberNames() const = 0;
    virtual const std::wstring& memberName(uint32_t id) const = 0;
    // COLORREF; 0xEEEEEEEE means none.
    virtual uint32_t memberColor(uint32_t id) const = 0;
    virtual uint32_t entryCount() const = 0;
    // The parsed entry, owned by the provider and valid for its lifetime; null when the id is out
    // of range or the entry cannot be parsed. Safe to call from several threads at once.
    virtual const TmxEntry* readEntry(uint32_t id) = 0;
    // The same entry as a copy the caller owns, without keeping it: for readers that pass over
    // many entries once (the export), which would otherwise hold every one of them in memory.
    // An entry already kept is copied rather than parsed again.
    virtual std::unique_ptr<TmxEntry> readEntryUncached(uint32_t id) {
        const TmxEntry* entry = readEntry(id);
        return entry ? std::make_unique<TmxEntry>(*entry) : nullptr;
    }
    virtual uint32_t entryOffset(uint32_t id) const = 0;
    virtual int fileCount() const = 0;
    // Adds matches for the include words minus the exclude words in one target language to
    // results; returns the number of candidate entries examined.
    virtual int search(const std::wstring& language, const std::vector<SegmentElement>& includeTokens,
                       const std::vector<SegmentElement>& excludeTokens, uint32_t budget,
                       bool& strongMatch, SearchResults& results) = 0;
};
