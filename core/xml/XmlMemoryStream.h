#pragma once

#include "core/xml/XmlStream.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// Decodes bytes held in memory, either one caller's block or blocks that a supplier delivers
// into the stream's own 16,384-byte buffer.
class XmlMemoryStream : public XmlStream {
public:
    // A source of bytes for a stream that does not hold its whole input in memory.
    class BlockSupplier {
    public:
        virtual ~BlockSupplier() = default;
        // Copies up to room bytes to dest; returns how many, 0 when no bytes remain.
        virtual int32_t read(uint8_t* dest, int32_t room) = 0;
    };

    static constexpr int32_t kBlockSize = 16384;

    // Reads length bytes at data, which stay the caller's and must outlive the stream.
    XmlMemoryStream(const void* data, int32_t encoding, int32_t length);
    // Reads what the supplier delivers; the supplier is not owned.
    XmlMemoryStream(int32_t encoding, BlockSupplier* supplier);
    ~XmlMemoryStream() override;

    uint16_t getChar() override;
    bool hadError() const override;
    int64_t position() const override;
    int32_t encoding() const override;
    int32_t getChars(wchar_t* dest, int32_t room) override;
    XmlMemoryStream* memorySource() override { return this; }

    // Where units and bytes of a batch part ways (UTF-8 only: characters of several bytes, and
    // the second half of a pair whose bytes came before the batch): from unit `unit` of the
    // batch on, the bytes before a unit are `extra` more than unitBytes() times its index.
    struct Shift {
        int32_t unit;
        int32_t extra;
    };

    // Decodes up to room units (room >= 2) into dest, the same units that as many getChar calls
    // would give, and records the shifts among them (room entries at most). A batch ends after a
    // 0, and where the bytes at hand end: the buffer is refilled only before a batch, so that a
    // batch can be gone back over. Returns the number of units, at least 1.
    int32_t decodeBatch(wchar_t* dest, int32_t room, Shift* shifts, int32_t& shiftCount);
    // Bytes per unit before shifts: 2 for UTF-16, else 1.
    int32_t unitBytes() const;
    // The position of the last batch's first byte.
    int64_t batchStart() const { return consumed_ + (batch_ - start_); }
    // Until showBatchEnd, position() reports the given number of bytes into the last batch, as
    // if only the units before it had been read.
    void showBatchOffset(int32_t bytes) { read_ = batch_ + bytes; }
    void showBatchEnd() { read_ = batchEnd_; }
    // Leaves the stream as getChar would after reading only the first units of the last batch.
    void rewindBatch(int32_t units);

private:
    using Decoder = int32_t (XmlMemoryStream::*)(wchar_t* dest, int32_t room);

    static Decoder decoderFor(int32_t encoding);
    int32_t decodeNothing(wchar_t* dest, int32_t room);
    int32_t decodeAnsi(wchar_t* dest, int32_t room);
    template <bool kBigEndian>
    int32_t decodeUtf16(wchar_t* dest, int32_t room);
    int32_t decodeUtf8(wchar_t* dest, int32_t room);
    // Makes at least need bytes available at the read pointer when the supplier can.
    bool refill(ptrdiff_t need);
    // The batch decoders: from read_ up to end_; allAtHand tells that no bytes follow end_.
    int32_t batchAnsi(wchar_t* dest, int32_t room);
    template <bool kBigEndian>
    int32_t batchUtf16(wchar_t* dest, int32_t room, bool allAtHand);
    int32_t batchUtf8(wchar_t* dest, int32_t room, Shift* shifts, int32_t& shiftCount, bool allAtHand);

    const uint8_t* start_;
    const uint8_t* read_;
    const uint8_t* end_;
    std::unique_ptr<uint8_t[]> buffer_;
    BlockSupplier* supplier_;
    int32_t encoding_;
    Decoder decoder_;
    bool error_ = false;
    // Bytes before start_: wide, so that sources of any size keep their true positions.
    int64_t consumed_ = 0;
    // Second half of a surrogate pair whose first half has been delivered.
    wchar_t pendingLow_ = 0;
    // The last batch: where its bytes begin and end, and the state it began with.
    const uint8_t* batch_ = nullptr;
    const uint8_t* batchEnd_ = nullptr;
    wchar_t batchPendingLow_ = 0;
    bool batchError_ = false;
};
