#pragma once

#include "core/xml/XmlStream.h"

#include <cstdint>

// Passes another stream through and keeps its byte position in 64 bits. The streams report
// positions in 32 bits, which wrap in files beyond 4 GiB; the steps between two reads are far
// smaller than that, so adding them up gives the true offset.
class PositionCountingStream : public XmlStream {
public:
    explicit PositionCountingStream(XmlStream& inner);

    uint16_t getChar() override;
    int32_t getChars(wchar_t* dest, int32_t room) override;
    bool hadError() const override { return inner_.hadError(); }
    bool decodingFailed() const override { return inner_.decodingFailed(); }
    int32_t position() const override { return inner_.position(); }
    int32_t encoding() const override { return inner_.encoding(); }

    // The byte offset of the next byte not yet decoded, in full.
    uint64_t position64() const { return position_; }

    // The full offset of a byte that lies before position64() by less than 4 GiB, given by its
    // low 32 bits (as XmlParser::markupByteOffset reports it).
    uint64_t widen(uint32_t lowBits) const {
        return position_ - static_cast<uint32_t>(static_cast<uint32_t>(position_) - lowBits);
    }

private:
    void advance();

    XmlStream& inner_;
    uint64_t position_;
    uint32_t lastLow_;
};
