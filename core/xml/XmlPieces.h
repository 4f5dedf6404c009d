#pragma once

#include "core/xml/XmlMemoryStream.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Reading a large document in pieces on several threads. The document is cut just before start
// tags of one element (say "<tu"), pieces are read by worker threads, and the caller's thread
// takes what they made in document order. Whether a piece read on its own reads as it would in
// one pass is for the caller to check: the piece before must end between elements, in plain
// content.

// One piece as an XML stream that reports offsets in the file.
class XmlPieceStream : public XmlStream {
public:
    XmlPieceStream(const std::vector<uint8_t>& bytes, int32_t encoding, uint64_t fileOffset);

    uint16_t getChar() override { return inner_.getChar(); }
    bool hadError() const override { return inner_.hadError(); }
    int64_t position() const override { return base_ + inner_.position(); }
    int32_t encoding() const override { return inner_.encoding(); }
    int32_t getChars(wchar_t* dest, int32_t room) override { return inner_.XmlMemoryStream::getChars(dest, room); }
    XmlMemoryStream* memorySource() override { return &inner_; }

    // True when every byte was read (but an odd last byte of UTF-16, which no reading takes): a
    // parse that ended before (at a NUL) has ended the whole document there.
    bool readToEnd() const { return length_ - inner_.position() < unitBytes_; }

private:
    XmlMemoryStream inner_;
    int64_t base_;
    int64_t length_;
    int64_t unitBytes_;
};

class XmlPieceReader {
public:
    struct Piece {
        virtual ~Piece() = default;
        std::vector<uint8_t> bytes;
        uint64_t offset = 0; // in the file
        bool last = false;   // ends at the end of the file
    };
    enum class Outcome {
        Done,     // every piece was taken
        Declined, // a piece could not be cut, or take() refused one: the pieces before it were taken
        Stopped,  // the stop flag was set
    };

    // Opens the file (encoding and byte-order mark detected); cuts before "<" + tag followed by a
    // blank, ">" or "/".
    XmlPieceReader(const std::wstring& path, const char* tag);
    ~XmlPieceReader();
    XmlPieceReader(const XmlPieceReader&) = delete;
    XmlPieceReader& operator=(const XmlPieceReader&) = delete;

    bool good() const;
    uint64_t fileSize() const { return fileSize_; }
    int32_t encoding() const { return encoding_; }

    // The bytes before the first cut (after the byte-order mark). False when there is no cut
    // within the first maxBytes, or the file cannot be read.
    bool readHead(uint32_t maxBytes, Piece& head);

    // The rest, in pieces of about pieceBytes: read(piece, abandon) on one of up to `threads`
    // threads (abandon is set once the run ends early: a parse may stop at it), then take(piece)
    // on this thread in file order. Neither may throw. With fewer than two threads the result is
    // Declined before anything is read.
    using MakePiece = std::function<std::unique_ptr<Piece>()>;
    using Read = std::function<void(Piece&, const std::atomic<bool>& abandon)>;
    using Take = std::function<bool(Piece&)>;
    Outcome run(uint32_t threads, uint32_t pieceBytes, const std::atomic<bool>* stopFlag,
                const MakePiece& makePiece, const Read& read, const Take& take);

    // The number of reading threads to use by default: one per processor, at most 8.
    static uint32_t defaultThreads();

private:
    class Cutter;
    struct Run;

    std::unique_ptr<Cutter> cutter_;
    int32_t encoding_ = 0;
    uint64_t fileSize_ = 0;
};
