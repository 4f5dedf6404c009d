#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class TmxIndexBuilder;

// Reads a TMX file for the index builder on several threads, with the builder ending up exactly
// as a TmxParser over the whole file leaves it. The part before the first tu (declaration, tmx,
// header) is read first; the rest is cut into pieces at tu start tags, the pieces are read on
// their own by worker threads into recorders, and the caller's thread hands what they recorded to
// the builder strictly in file order: languages first met in a piece, then its entries. Entry
// numbers, offsets and the index file thus stay what a single pass gives.
//
// A cut is only trusted when the piece before it ended between translation units with the
// reader in plain content, and a piece only when it read cleanly to its end without needing the
// text before it. A tu start tag inside a comment, a CDATA section or damaged text fails one of
// these; the file is then declined, and the caller reads it in one pass with a fresh builder.
class ParallelTmxParser {
public:
    enum class Outcome {
        Parsed,   // the builder holds what a single pass would have given it
        Declined, // read the file in one pass, with a fresh builder: this one is spoilt
        Stopped,  // the stop flag was set
    };

    struct Options {
        // Nominal size of a piece: it ends at the first tu at or after this many bytes.
        uint32_t pieceBytes = 256u << 10;
        // Threads that read pieces; 0 is one per processor, at most 8. Fewer than 2 declines.
        uint32_t threads = 0;
        // Smaller files are declined: one pass is quick enough.
        uint64_t minFileBytes = 8u << 20;
    };

    ParallelTmxParser(TmxIndexBuilder& builder, const Options& options);
    ~ParallelTmxParser();
    ParallelTmxParser(const ParallelTmxParser&) = delete;
    ParallelTmxParser& operator=(const ParallelTmxParser&) = delete;

    // The flag must outlive parse(); once it is set, parse() returns within a few milliseconds.
    void setStopFlag(const std::atomic<bool>* flag) { stopFlag_ = flag; }
    // Sets the builder's encoding and fills it. Throws std::bad_alloc.
    Outcome parse(const std::wstring& path);
    // File offset up to which the builder has taken the file; polled from another thread.
    const std::atomic<uint32_t>& tuOffsetCounter() const { return tuOffset_; }

    // The number of reading threads that Options::threads = 0 gives.
    static uint32_t defaultThreads();

private:
    TmxIndexBuilder& builder_;
    Options options_;
    const std::atomic<bool>* stopFlag_ = nullptr;
    std::atomic<uint32_t> tuOffset_{0};
};
