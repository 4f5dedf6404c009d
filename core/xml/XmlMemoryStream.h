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

private:
    using Decoder = int32_t (XmlMemoryStream::*)(wchar_t* dest, int32_t room);

    static Decoder decoderFor(int32_t encoding);
    int32_t decodeNothing(wchar_t* dest, int32_t room);
    int32_t decodeAnsi(wchar_t* dest, int32_t room);
    int32_t decodeUtf16Le(wchar_t* dest, int32_t room);
    int32_t decodeUtf16Be(wchar_t* dest, int32_t room);
    int32_t decodeUtf8(wchar_t* dest, int32_t room);
    // Makes at least need bytes available at the read pointer when the supplier can.
    bool refill(ptrdiff_t need);

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
};
