#pragma once

#include <cstddef>
#include <cstdint>

namespace winui {

// Inflates the zlib stream that a PNG's consecutive IDAT chunks carry, reading it in place
// across the chunk boundaries, into a buffer of exactly the image's filtered size. Every
// code, length and distance is checked, so damaged or hostile data fails instead of reading
// or writing outside either buffer; a stream that ends before the buffer is full fails too,
// since the rows it leaves would be undefined.
class PngInflater {
public:
    // A canonical Huffman decoding table: codes of up to kFastBits bits are looked up in
    // one step, longer ones are walked length by length.
    struct HuffmanTable {
        static constexpr int kFastBits = 9;
        uint16_t count[16];  // codes of each length
        uint16_t symbol[320]; // symbols ordered by code
        // symbol << 4 | code length, or 0 where a longer code (or none) starts
        uint16_t fast[1 << kFastBits];
    };

    // firstChunk points at the length field of the first IDAT chunk; sourceEnd is the end of
    // the PNG data. The chunk must be readable (whole inside the data).
    PngInflater(const uint8_t* firstChunk, const uint8_t* sourceEnd);

    // True when the stream's final block was reached with the buffer exactly full.
    bool inflate(uint8_t* out, size_t size);

    // Builds the table for code lengths[0..count-1] (0 = unused symbol). Returns a negative
    // value for an over-subscribed set (an error), 0 for a complete one and a positive value
    // for an incomplete one (usable, but some bit patterns then decode to nothing).
    static int buildHuffmanTable(HuffmanTable& table, const uint8_t* lengths, int count);

private:
    // The next byte of the compressed stream, moving on into the next IDAT chunk when one
    // runs out. False at the end of the run of IDAT chunks.
    bool nextDataByte(uint32_t& byte);
    bool needBits(unsigned count);
    void fillBits(unsigned count);
    bool getBits(unsigned count, uint32_t& value);
    bool decodeSymbol(const HuffmanTable& table, int& symbol);
    bool storedBlock();
    bool codesBlock(const HuffmanTable& lengths, const HuffmanTable& distances);
    bool dynamicBlock();

    const uint8_t* pos_;
    const uint8_t* chunkEnd_;
    const uint8_t* sourceEnd_;
    uint32_t bitBuffer_ = 0;
    unsigned bitCount_ = 0;
    uint8_t* out_ = nullptr;
    size_t written_ = 0;
    size_t size_ = 0;
};

} // namespace winui
