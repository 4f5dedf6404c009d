#include "tmx_engine/ParallelTmxParser.h"

#include "core/util/Win32Handle.h"
#include "core/xml/XmlFileStream.h"
#include "core/xml/XmlMemoryStream.h"
#include "tmx_engine/IndexWorkerThread.h"
#include "tmx_engine/TmxEntrySink.h"
#include "tmx_engine/TmxIndexBuilder.h"
#include "tmx_engine/TmxParser.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

constexpr uint32_t kMaxThreads = 8;
// A piece (or the part before the first tu) that grows beyond this is declined: a unit that
// large, or a file without units, gains nothing from threads.
constexpr uint32_t kMaxPieceBytes = 64u << 20;
// Read beyond what a cut needs, so that few bytes are carried over from piece to piece.
constexpr uint32_t kReadAhead = 64u << 10;

bool isUtf16(int32_t encoding) {
    return encoding == kXmlEncodingUtf16Le || encoding == kXmlEncodingUtf16Be;
}

// One piece of the file as an XML stream that reports file offsets.
class PieceStream : public XmlStream {
public:
    PieceStream(const std::vector<uint8_t>& bytes, int32_t encoding, uint64_t fileOffset)
        : inner_(bytes.data(), encoding, static_cast<int32_t>(bytes.size())),
          base_(static_cast<int64_t>(fileOffset)),
          length_(static_cast<int64_t>(bytes.size())),
          unitBytes_(isUtf16(encoding) ? 2 : 1) {}

    uint16_t getChar() override { return inner_.getChar(); }
    bool hadError() const override { return inner_.hadError(); }
    int64_t position() const override { return base_ + inner_.position(); }
    int32_t encoding() const override { return inner_.encoding(); }
    int32_t getChars(wchar_t* dest, int32_t room) override { return inner_.XmlMemoryStream::getChars(dest, room); }

    // True when every byte was read (but an odd last byte of UTF-16, which no reading takes): a
    // parse that ended before (at a NUL) has ended the whole document there.
    bool readToEnd() const { return length_ - inner_.position() < unitBytes_; }

private:
    XmlMemoryStream inner_;
    int64_t base_;
    int64_t length_;
    int64_t unitBytes_;
};

// What the parser hands on while it reads one piece, kept for the builder. Languages get a
// number of their own piece, in the order they are first met; an entry refers to its target
// language by that number plus one (the shared prefix of language mode 2 is kept as it is).
class PieceRecorder : public TmxEntrySink {
public:
    struct Entry {
        uint32_t tuOffset;
        TmxIndexBuilder::SegmentSummary summary;
        uint32_t firstWord;
        uint32_t wordCount;
        wchar_t prefix;
    };
    // Numbers from 1 up to this stand for languages of the piece; no prefix of the builder is
    // that low.
    static constexpr uint32_t kMaxLanguages = 0xFF00;

    void reset(const TmxHeader& header, uint16_t languageMode) {
        header_ = header;
        languageMode_ = languageMode;
        failed_ = false;
        lastTaken_ = false;
        languages_.clear();
        numbers_.clear();
        entries_.clear();
        words_.clear();
        text_.clear();
    }

    TmxHeader& header() override { return header_; }
    uint16_t languageMode() const override { return languageMode_; }

    void enterLanguage(const std::wstring& code) override {
        try {
            if (numbers_.count(code))
                return;
            if (languages_.size() >= kMaxLanguages) {
                failed_ = true;
                return;
            }
            numbers_.emplace(code, static_cast<uint32_t>(languages_.size()));
            languages_.push_back(code);
        } catch (const std::exception&) {
            failed_ = true;
        }
    }

    wchar_t prefixOf(const std::wstring& code) override {
        const auto it = numbers_.find(code);
        if (it == numbers_.end()) {
            // Entered before this piece only: the builder would know it, the piece does not.
            failed_ = true;
            return 0;
        }
        return static_cast<wchar_t>(it->second + 1);
    }

    void addEntry(const std::wstring& language, const std::vector<SegmentElement>& segment,
                  wchar_t prefix, uint32_t tuOffset) override {
        // The builder's own checks, made here so that nothing is kept of what it would ignore.
        lastTaken_ = false;
        if (failed_ || segment.empty() || language != header_.srcLang)
            return;
        try {
            const uint32_t firstWord = static_cast<uint32_t>(words_.size());
            const TmxIndexBuilder::SegmentSummary summary = TmxIndexBuilder::summarise(segment, words_, text_);
            entries_.push_back(Entry{tuOffset, summary, firstWord,
                                     static_cast<uint32_t>(words_.size()) - firstWord, prefix});
            lastTaken_ = true;
        } catch (const std::exception&) {
            failed_ = true;
        }
    }

    // The words of the last entry serve again: they are kept once per source segment.
    void repeatEntry(const std::wstring&, const std::vector<SegmentElement>&, wchar_t prefix,
                     uint32_t tuOffset) override {
        if (failed_ || !lastTaken_)
            return;
        try {
            Entry entry = entries_.back();
            entry.tuOffset = tuOffset;
            entry.prefix = prefix;
            entries_.push_back(entry);
        } catch (const std::exception&) {
            failed_ = true;
        }
    }

    bool failed() const { return failed_; }

    // Hands everything over to the builder, in the order it was met.
    void replay(TmxIndexBuilder& builder, std::vector<wchar_t>& prefixes) const {
        prefixes.clear();
        for (const std::wstring& code : languages_) {
            builder.addLanguage(code, 0);
            prefixes.push_back(builder.languagePrefix(code));
        }
        for (const Entry& e : entries_) {
            const uint32_t number = static_cast<uint16_t>(e.prefix);
            const wchar_t prefix = number >= 1 && number <= prefixes.size() ? prefixes[number - 1] : e.prefix;
            builder.addSummarisedEntry(e.tuOffset, e.summary, words_.data() + e.firstWord, e.wordCount,
                                       text_.data(), prefix);
        }
    }

private:
    TmxHeader header_;
    uint16_t languageMode_ = 1;
    bool failed_ = false;
    bool lastTaken_ = false; // the last addEntry made an entry
    std::vector<std::wstring> languages_;
    std::unordered_map<std::wstring, uint32_t> numbers_;
    std::vector<Entry> entries_;
    std::vector<IndexChunk::Word> words_;
    std::vector<wchar_t> text_;
};

// Reads the file from front to back and cuts it at tu start tags: "<tu" followed by a blank, ">"
// or "/", in whole units of the encoding.
class PieceCutter {
public:
    PieceCutter(HANDLE file, int32_t encoding, uint32_t bomLength)
        : file_(file), encoding_(encoding), unitBytes_(isUtf16(encoding) ? 2 : 1), offset_(bomLength) {}

    // Moves into out the bytes from the current offset up to the first tu at or after nominal
    // bytes on, or up to the end of the file (last is then set). False when the file cannot be
    // read or the piece would grow beyond maxBytes.
    bool next(uint32_t nominal, uint32_t maxBytes, std::vector<uint8_t>& out, uint64_t& offset, bool& last) {
        size_t from = (nominal + unitBytes_ - 1) / unitBytes_ * unitBytes_;
        for (;;) {
            const size_t need = from + 4 * unitBytes_;
            if (pending_.size() < need && !ended_ && !read(need - pending_.size() + kReadAhead))
                return false;
            const size_t cut = find(from);
            if (cut != kNone || (ended_ && pending_.size() < need)) {
                last = cut == kNone;
                const size_t length = last ? pending_.size() : cut;
                // The piece keeps the buffer it was read into; only the bytes after the cut move.
                carry_.assign(pending_.begin() + static_cast<ptrdiff_t>(length), pending_.end());
                pending_.resize(length);
                out.swap(pending_);
                pending_.swap(carry_);
                offset = offset_;
                offset_ += length;
                return true;
            }
            if (pending_.size() > maxBytes)
                return false;
            // Look again from where the last look could not see a whole tag.
            from = std::max(from, pending_.size() - 3 * unitBytes_);
        }
    }

private:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    bool read(size_t bytes) {
        const size_t old = pending_.size();
        pending_.resize(old + bytes);
        DWORD got = 0;
        const bool ok = ReadFile(file_, pending_.data() + old, static_cast<DWORD>(bytes), &got, nullptr) != 0;
        pending_.resize(old + got);
        if (ok && got < bytes)
            ended_ = true;
        return ok;
    }

    uint32_t unitAt(size_t i) const {
        if (unitBytes_ == 1)
            return pending_[i];
        return encoding_ == kXmlEncodingUtf16Le ? pending_[i] | (pending_[i + 1] << 8)
                                                : (pending_[i] << 8) | pending_[i + 1];
    }

    // The first tu start tag whose four units lie wholly in what was read, at or after from.
    size_t find(size_t from) const {
        const size_t u = unitBytes_;
        for (size_t i = from; i + 4 * u <= pending_.size(); i += u) {
            if (unitAt(i) != '<' || unitAt(i + u) != 't' || unitAt(i + 2 * u) != 'u')
                continue;
            const uint32_t after = unitAt(i + 3 * u);
            if (after == ' ' || after == '\t' || after == '\r' || after == '\n' || after == '>' || after == '/')
                return i;
        }
        return kNone;
    }

    HANDLE file_;
    int32_t encoding_;
    size_t unitBytes_;
    uint64_t offset_;
    bool ended_ = false;
    std::vector<uint8_t> pending_;
    std::vector<uint8_t> carry_;
};

// An internal subset could declare entities; such files are always read in one pass.
bool hasInternalSubset(const std::vector<uint8_t>& bytes, int32_t encoding) {
    XmlMemoryStream stream(bytes.data(), encoding, static_cast<int32_t>(bytes.size()));
    std::wstring text;
    for (uint16_t unit = stream.getChar(); unit != 0; unit = stream.getChar())
        text += static_cast<wchar_t>(unit >= 'A' && unit <= 'Z' ? unit - 'A' + 'a' : unit);
    const size_t doctype = text.find(L"<!doctype");
    return doctype != std::wstring::npos && text.find(L'[', doctype) != std::wstring::npos;
}

} // namespace

// One parse: the pieces in flight and the threads that read them.
struct ParallelTmxParser::Run {
    struct Piece {
        std::vector<uint8_t> bytes;
        uint64_t offset = 0;
        bool last = false;
        bool done = false;
        bool usable = false;
        PieceRecorder recorder;
    };

    int32_t encoding = 0;
    TmxHeader header;
    uint16_t languageMode = 1;
    // Set when the parse ends early: the readers stop at their next piece of markup.
    std::atomic<bool> abandon{false};

    std::mutex lock;
    std::condition_variable workAvailable;
    std::condition_variable pieceDone;
    std::deque<Piece*> queue;
    bool quit = false;
    std::vector<IndexWorkerThread> threads;

    void readPiece(Piece& piece) {
        piece.recorder.reset(header, languageMode);
        PieceStream stream(piece.bytes, encoding, piece.offset);
        TmxParser parser(piece.recorder);
        parser.setStopFlag(&abandon);
        const bool parsed = parser.parse(stream);
        piece.usable = parsed && !stream.hadError() && stream.readToEnd() && !parser.needsEarlierText() &&
                       !piece.recorder.failed() && (piece.last || parser.betweenUnits());
    }

    void work() {
        for (;;) {
            Piece* piece = nullptr;
            {
                std::unique_lock<std::mutex> guard(lock);
                workAvailable.wait(guard, [&] { return quit || !queue.empty(); });
                if (quit)
                    return;
                piece = queue.front();
                queue.pop_front();
            }
            try {
                readPiece(*piece);
            } catch (const std::exception&) {
                piece->usable = false;
            }
            {
                std::lock_guard<std::mutex> guard(lock);
                piece->done = true;
            }
            pieceDone.notify_one();
        }
    }

    ~Run() { end(); }

    // Ends and joins the threads; pieces not yet read are dropped.
    void end() {
        abandon.store(true, std::memory_order_relaxed);
        {
            std::lock_guard<std::mutex> guard(lock);
            quit = true;
            queue.clear();
        }
        workAvailable.notify_all();
        for (IndexWorkerThread& thread : threads)
            thread.join();
    }
};

uint32_t ParallelTmxParser::defaultThreads() {
    const unsigned processors = std::thread::hardware_concurrency();
    return processors > kMaxThreads ? kMaxThreads : processors;
}

ParallelTmxParser::ParallelTmxParser(TmxIndexBuilder& builder, const Options& options)
    : builder_(builder), options_(options) {
    if (options_.pieceBytes == 0)
        options_.pieceBytes = 1;
}

ParallelTmxParser::~ParallelTmxParser() = default;

ParallelTmxParser::Outcome ParallelTmxParser::parse(const std::wstring& path) {
    const auto stopped = [&] { return stopFlag_ && stopFlag_->load(std::memory_order_relaxed); };
    const uint32_t threadCount = std::min(options_.threads ? options_.threads : defaultThreads(), kMaxThreads);
    if (threadCount < 2)
        return Outcome::Declined;

    int32_t encoding = 0;
    int32_t bomLength = 0;
    if (!XmlFileStream::detectEncoding(path, encoding, bomLength))
        return Outcome::Declined;
    Win32Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size;
    LARGE_INTEGER start;
    start.QuadPart = bomLength;
    if (!file || !GetFileSizeEx(file.get(), &size) || static_cast<uint64_t>(size.QuadPart) < options_.minFileBytes ||
        !SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN))
        return Outcome::Declined;
    builder_.setEncoding(static_cast<uint32_t>(encoding));
    tuOffset_.store(0, std::memory_order_relaxed);

    // The declaration, tmx and header: read here, straight into the builder.
    PieceCutter cutter(file.get(), encoding, static_cast<uint32_t>(bomLength));
    {
        std::vector<uint8_t> bytes;
        uint64_t offset = 0;
        bool last = false;
        if (!cutter.next(0, kMaxPieceBytes, bytes, offset, last) || last || hasInternalSubset(bytes, encoding))
            return Outcome::Declined;
        PieceStream stream(bytes, encoding, offset);
        TmxParser parser(builder_);
        parser.setStopFlag(stopFlag_);
        if (!parser.parse(stream))
            return parser.stopped() ? Outcome::Stopped : Outcome::Declined;
        if (stream.hadError() || !stream.readToEnd() || !parser.betweenUnits())
            return Outcome::Declined;
    }

    // Enough pieces that every thread has one to read while those before it are handed over;
    // few enough that they cost the builder little memory. Declared before the run, whose end
    // joins the threads that may still be reading them.
    const size_t ringSize = threadCount + 4;
    std::vector<std::unique_ptr<Run::Piece>> ring;
    for (size_t i = 0; i < ringSize; ++i)
        ring.push_back(std::make_unique<Run::Piece>());
    Run run;
    run.encoding = encoding;
    run.header = builder_.header();
    run.languageMode = builder_.languageMode();
    run.threads.reserve(threadCount);
    for (uint32_t i = 0; i < threadCount; ++i) {
        run.threads.emplace_back();
        if (!run.threads.back().start([&run] { run.work(); })) {
            run.threads.pop_back();
            break;
        }
    }
    if (run.threads.size() < 2) {
        run.end();
        return Outcome::Declined;
    }

    std::vector<wchar_t> prefixes;
    uint64_t cut = 0;
    uint64_t taken = 0;
    bool ended = false;
    Outcome outcome = Outcome::Parsed;
    for (;;) {
        if (stopped()) {
            outcome = Outcome::Stopped;
            break;
        }
        while (!ended && cut - taken < ringSize) {
            Run::Piece& piece = *ring[cut % ringSize];
            piece.done = false;
            if (!cutter.next(options_.pieceBytes, kMaxPieceBytes, piece.bytes, piece.offset, piece.last)) {
                outcome = Outcome::Declined;
                break;
            }
            ended = piece.last;
            {
                std::lock_guard<std::mutex> guard(run.lock);
                run.queue.push_back(&piece);
            }
            run.workAvailable.notify_one();
            ++cut;
        }
        if (outcome != Outcome::Parsed || taken == cut)
            break;
        Run::Piece& piece = *ring[taken % ringSize];
        {
            std::unique_lock<std::mutex> guard(run.lock);
            // Woken by each piece done; the stop flag is looked at every 20 ms meanwhile.
            if (!run.pieceDone.wait_for(guard, std::chrono::milliseconds(20), [&] { return piece.done; }))
                continue;
        }
        if (!piece.usable) {
            outcome = stopped() ? Outcome::Stopped : Outcome::Declined;
            break;
        }
        piece.recorder.replay(builder_, prefixes);
        ++taken;
        const uint64_t end = piece.offset + piece.bytes.size();
        tuOffset_.store(static_cast<uint32_t>(std::min<uint64_t>(end, 0xFFFFFFFFu)), std::memory_order_relaxed);
        // The builder takes nothing more once it failed: the one-pass build would fail too.
        if (builder_.failedSoFar())
            break;
    }
    return outcome;
}
