#include "tmx_engine/TmxFile.h"

#include "core/util/LanguageCode.h"
#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlMemoryStream.h"
#include "tmx_engine/MappedFile.h"
#include "tmx_engine/Search.h"
#include "tmx_engine/TmxEntryParser.h"
#include "tmx_engine/TmxIndex.h"
#include "tmx_engine/TmxIndexBuilder.h"
#include "tmx_engine/TmxParser.h"

#include <windows.h>

#include <algorithm>
#include <new>

namespace {

// Stream positions and entry offsets are 32-bit signed: a file this large would be misindexed.
const uint64_t kMaxTmxSize = 0x80000000ull;

#if !defined(_WIN64)
// The builder's trie and the view of the index file being written share a 32-bit address space;
// a trie past this size would leave no room for the view, so indexing fails cleanly instead.
const size_t kBuilderMemoryLimit = size_t(1536) << 20;
#endif

bool queryFileSize(const std::wstring& path, uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool isPlainFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The full open checks the index's whole structure, its entry offsets against the TMX file's
// size included: a damaged index would otherwise show wrong hits without a word.
std::unique_ptr<TmxIndex> openFullIndex(const std::wstring& indexPath, uint64_t tmxSize) {
    auto index = std::make_unique<TmxIndex>();
    index->setTmxSize(tmxSize);
    index->open(indexPath, false);
    return index;
}

const std::vector<std::wstring> kNoMemberNames;
const std::wstring kNoMemberName;

// An index keeps the encoding its build read the memory in. Earlier builds read a UTF-8 memory
// without a declaration whose text holds no two-byte sequences as ANSI: its index holds garbled
// words, and entries read through it show garbled text, whatever its date says. Such an index is
// built again like a stale one. A file whose first bytes cannot be read keeps its index: the
// build would fail on it too.
bool sameEncodingAsFile(const std::wstring& path, uint32_t stored) {
    int32_t encoding = kXmlEncodingNone;
    int32_t bomLength = 0;
    if (!XmlFileStream::detectEncoding(path, encoding, bomLength))
        return true;
    return static_cast<uint32_t>(encoding) == stored;
}

} // namespace

TmxFile::TmxFile() = default;

TmxFile::~TmxFile() {
    tmxView_.reset();
    for (uint32_t c = 0; c < cacheChunks_; ++c) {
        CacheChunk* chunk = cache_[c].load(std::memory_order_relaxed);
        if (!chunk)
            continue;
        for (std::atomic<TmxEntry*>& slot : *chunk)
            delete slot.load(std::memory_order_relaxed);
        delete[] chunk;
    }
    cache_.reset();
    index_.reset();
}

LoadCode TmxFile::load(const std::wstring& path) {
    if (index_)
        return kAlreadyLoaded;
    try {
        PackedDate tmxDate;
        if (!fileModificationDate(path, tmxDate))
            return kLoadIndexFailed;
        uint64_t size = 0;
        if (!queryFileSize(path, size))
            return kLoadIndexFailed;
        if (size >= kMaxTmxSize)
            return kLoadCannotMap;

        const std::wstring indexPath = path + L".idx";
        bool rebuilt = false;
        bool current = false;
        if (isPlainFile(indexPath)) {
            TmxIndex probe;
            if (probe.open(indexPath, true)) {
                current = probe.storedDate().equals(tmxDate) && sameEncodingAsFile(path, probe.encoding());
            } else if (probe.lastError() == IndexHeaderRejected) {
                // Another format (perhaps a newer program's): neither used nor replaced.
                return kLoadIndexOfOtherFormat;
            }
            // Anything else (empty, unmappable, damaged) is rebuilt below like a stale index.
        }
        if (!current) {
            if (!buildIndex(path, indexPath, tmxDate, static_cast<uint32_t>(size)))
                return kLoadIndexFailed;
            rebuilt = true;
        }

        // A stop is looked at between the steps: each of those that follow takes well under a
        // second even for the largest file.
        if (rebuilt && observer_)
            observer_(IndexBuildStep::Reopening);
        if (stopRequested())
            return kLoadIndexFailed;
        std::unique_ptr<TmxIndex> index = openFullIndex(indexPath, size);
        if (!index->isOpen()) {
            if (rebuilt)
                return kLoadIndexFailed;
            if (index->lastError() == IndexHeaderRejected)
                return kLoadIndexOfOtherFormat;
            // A current date over a damaged body: rebuild once, then give up.
            index.reset();
            if (!buildIndex(path, indexPath, tmxDate, static_cast<uint32_t>(size)))
                return kLoadIndexFailed;
            index = openFullIndex(indexPath, size);
            if (!index->isOpen())
                return kLoadIndexFailed;
        }

        if (stopRequested())
            return kLoadIndexFailed;
        auto view = std::make_unique<MappedFile>(mapFile(path, MappedFile::Mode::Read));
        if (view->failed())
            return kLoadCannotMap;
        if (stopRequested())
            return kLoadIndexFailed;

        const uint32_t chunks = static_cast<uint32_t>((uint64_t(index->entryCount()) + kCacheChunkSize - 1) >> kCacheChunkShift);
        // Value-initialised: every chunk pointer starts null.
        std::unique_ptr<std::atomic<CacheChunk*>[]> cache(new std::atomic<CacheChunk*>[chunks ? chunks : 1]());

        tmxView_ = std::move(view);
        cache_ = std::move(cache);
        cacheChunks_ = chunks;
        index_ = std::move(index);
        return kLoaded;
    } catch (const std::bad_alloc&) {
        return kLoadIndexFailed;
    }
}

void TmxFile::prepareBuilder(TmxIndexBuilder& builder, const PackedDate& tmxDate) const {
    builder.setStopFlag(stopFlag_);
    builder.setStepObserver(observer_);
#if !defined(_WIN64)
    builder.setMemoryLimit(kBuilderMemoryLimit);
#endif
    builder.setTmxDate(tmxDate);
    if (termThreadsSet_)
        builder.setWorkerThreads(termThreads_);
    builder.setFastPaths(fastPaths_);
}

bool TmxFile::finishBuild(TmxIndexBuilder& builder, const std::wstring& indexPath) {
    if (observer_)
        observer_(IndexBuildStep::ParseEnded);
    if (builder.failed())
        return false;
    {
        ScopedLock guard(lock_);
        writing_ = true;
    }
    return builder.write(indexPath);
}

bool TmxFile::buildIndex(const std::wstring& path, const std::wstring& indexPath, const PackedDate& tmxDate,
                         uint32_t fileSize) {
    {
        ScopedLock guard(lock_);
        progressFloor_ = 0;
    }
    try {
        // Each builder dies at the end of its scope, before the next one is made or the fresh
        // index and the TMX file are mapped: a 32-bit process needs that address space.
        if (fastPaths_.parallelReading) {
            TmxIndexBuilder builder;
            prepareBuilder(builder, tmxDate);
            ParallelTmxParser parallel(builder, parallelOptions_);
            parallel.setStopFlag(stopFlag_);
            RunningParser running(*this, parallel.tuOffsetCounter(), fileSize);
            switch (parallel.parse(path)) {
            case ParallelTmxParser::Outcome::Parsed: return finishBuild(builder, indexPath);
            case ParallelTmxParser::Outcome::Stopped: return false;
            case ParallelTmxParser::Outcome::Declined: break;
            }
        }
        // One pass on this thread: small files, and files that cannot be read in pieces.
        TmxIndexBuilder builder;
        prepareBuilder(builder, tmxDate);
        XmlFileStream stream(path, 0);
        TmxParser parser(builder);
        parser.setStopFlag(stopFlag_);
        parser.requireTmxRoot();
        // Declared after the parser, so it is withdrawn from the progress poll before it dies.
        RunningParser running(*this, parser.tuOffsetCounter(), fileSize);
        builder.setEncoding(static_cast<uint32_t>(stream.encoding()));
        // A decoding error ends the stream like its end would; it must not pass for the end
        // of the file, or a truncated index would be stamped current.
        // A stopped parse returns false; failed() is true after a stop too. A document whose
        // root is no tmx element (or that has no element) is no memory, not an empty one.
        if (stream.hadError() || !parser.parse(stream) || stream.hadError() || !parser.readTmxRoot())
            return false;
        return finishBuild(builder, indexPath);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

TmxFile::RunningParser::RunningParser(TmxFile& file, const std::atomic<uint32_t>& tuOffset, uint32_t fileSize)
    : file_(file) {
    ScopedLock guard(file_.lock_);
    file_.tuOffset_ = &tuOffset;
    file_.indexingSize_ = fileSize;
}

TmxFile::RunningParser::~RunningParser() {
    ScopedLock guard(file_.lock_);
    file_.tuOffset_ = nullptr;
    file_.indexingSize_ = 0;
    file_.writing_ = false;
}

int TmxFile::loadProgress() {
    ScopedLock guard(lock_);
    if (writing_)
        return 100;
    if (!tuOffset_)
        return 0;
    const uint32_t total = indexingSize_ / 256;
    if (total == 0)
        return 50;  // a file shorter than 256 bytes: the formula has no divisor
    const uint32_t value = (tuOffset_->load(std::memory_order_relaxed) / 256) * 100 / total;
    const int progress = value == 0 ? 1 : static_cast<int>(value > 100 ? 100 : value);
    progressFloor_ = std::max(progressFloor_, progress);
    return progressFloor_;
}

const TmxHeader& TmxFile::sourceLanguage() const {
    static const TmxHeader empty;
    return index_ ? index_->header() : empty;
}

const LanguageMap& TmxFile::languages() const {
    static const LanguageMap empty;
    return index_ ? index_->languages() : empty;
}

const std::vector<std::wstring>& TmxFile::memberNames() const {
    return kNoMemberNames;
}

const std::wstring& TmxFile::memberName(uint32_t) const {
    return kNoMemberName;
}

uint32_t TmxFile::memberColor(uint32_t) const {
    return 0xEEEEEEEE;
}

uint32_t TmxFile::entryCount() const {
    return index_ ? index_->entryCount() : 0;
}

uint32_t TmxFile::entryOffset(uint32_t id) const {
    if (!index_ || id >= index_->entryCount())
        return 0;
    return index_->entryOffset(id);
}

int TmxFile::fileCount() const {
    return index_ ? 1 : 0;
}

const TmxEntry* TmxFile::readEntry(uint32_t id) {
    if (!index_ || id >= index_->entryCount())
        return nullptr;
    std::atomic<TmxEntry*>* slot = cacheSlot(id);
    if (!slot)
        return nullptr;
    if (TmxEntry* cached = slot->load(std::memory_order_acquire))
        return cached;
    TmxEntry* parsed = parseEntry(id);
    if (!parsed)
        return nullptr;
    TmxEntry* expected = nullptr;
    if (slot->compare_exchange_strong(expected, parsed, std::memory_order_acq_rel, std::memory_order_acquire))
        return parsed;
    // Another thread published the same entry first: every caller gets that one object.
    delete parsed;
    return expected;
}

std::unique_ptr<TmxEntry> TmxFile::readEntryUncached(uint32_t id) {
    if (!index_ || id >= index_->entryCount())
        return nullptr;
    std::atomic<CacheChunk*>& link = cache_[id >> kCacheChunkShift];
    if (CacheChunk* chunk = link.load(std::memory_order_acquire)) {
        if (TmxEntry* cached = (*chunk)[id & (kCacheChunkSize - 1)].load(std::memory_order_acquire)) {
            try {
                return std::make_unique<TmxEntry>(*cached);
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
        }
    }
    return std::unique_ptr<TmxEntry>(parseEntry(id));
}

std::atomic<TmxEntry*>* TmxFile::cacheSlot(uint32_t id) {
    std::atomic<CacheChunk*>& link = cache_[id >> kCacheChunkShift];
    CacheChunk* chunk = link.load(std::memory_order_acquire);
    if (!chunk) {
        CacheChunk* fresh = new (std::nothrow) CacheChunk[1]();
        if (!fresh)
            return nullptr;
        CacheChunk* expected = nullptr;
        if (link.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel, std::memory_order_acquire)) {
            chunk = fresh;
        } else {
            delete[] fresh;
            chunk = expected;
        }
    }
    return &(*chunk)[id & (kCacheChunkSize - 1)];
}

TmxEntry* TmxFile::parseEntry(uint32_t id) const {
    try {
        const uint32_t offset = index_->entryOffset(id);
        const uint8_t* start = tmxView_->start();
        const size_t size = tmxView_->size();
        if (offset >= size)
            return nullptr;
        auto entry = std::make_unique<TmxEntry>();
        XmlMemoryStream stream(start + offset, static_cast<int32_t>(index_->encoding()), static_cast<int32_t>(size - offset));
        TmxEntryParser parser(*entry, index_->header().srcLang);
        if (!parser.parse(stream) || stream.hadError() || !parser.complete())
            return nullptr;
        return entry.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int TmxFile::search(const std::wstring& language, const std::vector<SegmentElement>& includeTokens,
                    const std::vector<SegmentElement>& excludeTokens, uint32_t budget, bool& strongMatch,
                    SearchResults& results) {
    if (!index_)
        return 0;
    return searchIndex(*index_, trimAndNormaliseLanguageCode(language), includeTokens, excludeTokens, budget,
                       strongMatch, results);
}
