#include "tmx_engine/ParallelTmxParser.h"

#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlPieces.h"
#include "tmx_engine/TmxEntrySink.h"
#include "tmx_engine/TmxIndexBuilder.h"
#include "tmx_engine/TmxParser.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace {

// A file without a unit in its first bytes gains nothing from threads.
constexpr uint32_t kMaxHeadBytes = 64u << 20;

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

// An internal subset could declare entities; such files are always read in one pass.
bool hasInternalSubset(const std::vector<uint8_t>& bytes, int32_t encoding) {
    XmlMemoryStream stream(bytes.data(), encoding, static_cast<int32_t>(bytes.size()));
    std::wstring text;
    for (uint16_t unit = stream.getChar(); unit != 0; unit = stream.getChar())
        text += static_cast<wchar_t>(unit >= 'A' && unit <= 'Z' ? unit - 'A' + 'a' : unit);
    const size_t doctype = text.find(L"<!doctype");
    return doctype != std::wstring::npos && text.find(L'[', doctype) != std::wstring::npos;
}

struct RecordedPiece : XmlPieceReader::Piece {
    PieceRecorder recorder;
    Segment spares; // the parser's spare elements, from one reading of the piece to the next
    bool usable = false;
};

} // namespace

uint32_t ParallelTmxParser::defaultThreads() {
    return XmlPieceReader::defaultThreads();
}

ParallelTmxParser::ParallelTmxParser(TmxIndexBuilder& builder, const Options& options)
    : builder_(builder), options_(options) {}

ParallelTmxParser::~ParallelTmxParser() = default;

ParallelTmxParser::Outcome ParallelTmxParser::parse(const std::wstring& path) {
    const uint32_t threads = options_.threads ? options_.threads : defaultThreads();
    if (threads < 2)
        return Outcome::Declined;
    XmlPieceReader reader(path, "tu");
    if (!reader.good() || reader.fileSize() < options_.minFileBytes)
        return Outcome::Declined;
    const int32_t encoding = reader.encoding();
    builder_.setEncoding(static_cast<uint32_t>(encoding));
    tuOffset_.store(0, std::memory_order_relaxed);

    // The declaration, tmx and header: read here, straight into the builder.
    {
        XmlPieceReader::Piece head;
        if (!reader.readHead(kMaxHeadBytes, head) || hasInternalSubset(head.bytes, encoding))
            return Outcome::Declined;
        XmlPieceStream stream(head.bytes, encoding, head.offset);
        TmxParser parser(builder_);
        parser.setStopFlag(stopFlag_);
        parser.requireTmxRoot();
        if (!parser.parse(stream))
            return parser.stopped() ? Outcome::Stopped : Outcome::Declined;
        // Whatever is no TMX document is the one pass's to refuse.
        if (stream.hadError() || !stream.readToEnd() || !parser.betweenUnits() || !parser.readTmxRoot())
            return Outcome::Declined;
    }

    const TmxHeader header = builder_.header();
    const uint16_t languageMode = builder_.languageMode();
    std::vector<wchar_t> prefixes;
    bool builderFailed = false;
    const XmlPieceReader::Outcome outcome = reader.run(
        threads, options_.pieceBytes, stopFlag_, [] { return std::make_unique<RecordedPiece>(); },
        [&](XmlPieceReader::Piece& base, const std::atomic<bool>& abandon) {
            RecordedPiece& piece = static_cast<RecordedPiece&>(base);
            piece.usable = false;
            try {
                piece.recorder.reset(header, languageMode);
                XmlPieceStream stream(piece.bytes, encoding, piece.offset);
                TmxParser parser(piece.recorder);
                parser.setStopFlag(&abandon);
                parser.swapSpares(piece.spares);
                const bool parsed = parser.parse(stream);
                parser.swapSpares(piece.spares);
                piece.usable = parsed && !stream.hadError() && stream.readToEnd() && !parser.needsEarlierText() &&
                               !piece.recorder.failed() && (piece.last || parser.betweenUnits());
            } catch (const std::exception&) {
                piece.usable = false;
            }
        },
        [&](XmlPieceReader::Piece& base) {
            RecordedPiece& piece = static_cast<RecordedPiece&>(base);
            if (!piece.usable)
                return false;
            piece.recorder.replay(builder_, prefixes);
            const uint64_t end = piece.offset + piece.bytes.size();
            tuOffset_.store(static_cast<uint32_t>(std::min<uint64_t>(end, 0xFFFFFFFFu)), std::memory_order_relaxed);
            // The builder takes nothing more once it failed: the one-pass build would fail too.
            builderFailed = builder_.failedSoFar();
            return !builderFailed;
        });
    switch (outcome) {
    case XmlPieceReader::Outcome::Done: return Outcome::Parsed;
    case XmlPieceReader::Outcome::Stopped: return Outcome::Stopped;
    case XmlPieceReader::Outcome::Declined: break;
    }
    return builderFailed ? Outcome::Parsed : Outcome::Declined;
}
