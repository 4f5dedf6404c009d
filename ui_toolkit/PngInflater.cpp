#include "ui_toolkit/PngInflater.h"

#include <cstring>

namespace winui {

namespace {

constexpr int kMaxBits = 15;
constexpr int kMaxLengthCodes = 286;
constexpr int kMaxDistanceCodes = 30;
constexpr int kFixedLengthCodes = 288;
constexpr int kFixedDistanceCodes = 32;

const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                    33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

inline uint32_t readBigEndian32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

inline uint32_t reverseBits(uint32_t code, int length) {
    uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) {
        reversed = (reversed << 1) | (code & 1);
        code >>= 1;
    }
    return reversed;
}

struct FixedTables {
    PngInflater::HuffmanTable lengths;
    PngInflater::HuffmanTable distances;
    FixedTables() {
        uint8_t codeLengths[kFixedLengthCodes];
        int symbol = 0;
        for (; symbol < 144; ++symbol) codeLengths[symbol] = 8;
        for (; symbol < 256; ++symbol) codeLengths[symbol] = 9;
        for (; symbol < 280; ++symbol) codeLengths[symbol] = 7;
        for (; symbol < kFixedLengthCodes; ++symbol) codeLengths[symbol] = 8;
        PngInflater::buildHuffmanTable(lengths, codeLengths, kFixedLengthCodes);
        std::memset(codeLengths, 5, kFixedDistanceCodes);
        PngInflater::buildHuffmanTable(distances, codeLengths, kFixedDistanceCodes);
    }
};

const FixedTables& fixedTables() {
    static const FixedTables tables;
    return tables;
}

} // namespace

PngInflater::PngInflater(const uint8_t* firstChunk, const uint8_t* sourceEnd)
    : pos_(firstChunk + 8), chunkEnd_(firstChunk + 8 + readBigEndian32(firstChunk)),
      sourceEnd_(sourceEnd) {}

int PngInflater::buildHuffmanTable(HuffmanTable& table, const uint8_t* lengths, int count) {
    std::memset(table.count, 0, sizeof table.count);
    std::memset(table.fast, 0, sizeof table.fast);
    for (int symbol = 0; symbol < count; ++symbol) table.count[lengths[symbol] & 15]++;

    int left = 1;
    for (int length = 1; length <= kMaxBits; ++length) {
        left <<= 1;
        left -= table.count[length];
        if (left < 0) return left;
    }

    uint16_t offsets[kMaxBits + 2];
    offsets[1] = 0;
    for (int length = 1; length <= kMaxBits; ++length) {
        offsets[length + 1] = static_cast<uint16_t>(offsets[length] + table.count[length]);
    }
    for (int symbol = 0; symbol < count; ++symbol) {
        const int length = lengths[symbol] & 15;
        if (length) table.symbol[offsets[length]++] = static_cast<uint16_t>(symbol);
    }

    // Canonical codes in order of length, then of symbol; the stream sends them starting
    // with their top bit, so the lookup index is the code reversed.
    uint32_t code = 0;
    int index = 0;
    for (int length = 1; length <= HuffmanTable::kFastBits; ++length) {
        for (int k = 0; k < table.count[length]; ++k) {
            const uint16_t entry = static_cast<uint16_t>((table.symbol[index++] << 4) | length);
            for (uint32_t slot = reverseBits(code, length); slot < (1u << HuffmanTable::kFastBits);
                 slot += 1u << length) {
                table.fast[slot] = entry;
            }
            ++code;
        }
        code <<= 1;
    }
    return left;
}

bool PngInflater::nextDataByte(uint32_t& byte) {
    while (pos_ == chunkEnd_) {
        // The chunk's CRC, then the next chunk's length and type; the stream goes on only
        // into a whole IDAT chunk.
        const size_t remaining = static_cast<size_t>(sourceEnd_ - chunkEnd_);
        if (remaining < 4 + 12) return false;
        const uint8_t* next = chunkEnd_ + 4;
        const uint32_t length = readBigEndian32(next);
        if (length > remaining - 4 - 12) return false;
        const uint8_t* type = next + 4;
        if (type[0] != 'I' || type[1] != 'D' || type[2] != 'A' || (type[3] & 0xDF) != 'T') return false;
        pos_ = next + 8;
        chunkEnd_ = pos_ + length;
    }
    byte = *pos_++;
    return true;
}

void PngInflater::fillBits(unsigned count) {
    uint32_t byte;
    while (bitCount_ < count && nextDataByte(byte)) {
        bitBuffer_ |= byte << bitCount_;
        bitCount_ += 8;
    }
}

bool PngInflater::needBits(unsigned count) {
    fillBits(count);
    return bitCount_ >= count;
}

bool PngInflater::getBits(unsigned count, uint32_t& value) {
    if (!needBits(count)) return false;
    value = bitBuffer_ & ((1u << count) - 1);
    bitBuffer_ >>= count;
    bitCount_ -= count;
    return true;
}

bool PngInflater::decodeSymbol(const HuffmanTable& table, int& symbol) {
    fillBits(HuffmanTable::kFastBits);
    const uint16_t entry = table.fast[bitBuffer_ & ((1u << HuffmanTable::kFastBits) - 1)];
    if (entry && (entry & 15u) <= bitCount_) {
        const unsigned length = entry & 15u;
        bitBuffer_ >>= length;
        bitCount_ -= length;
        symbol = entry >> 4;
        return true;
    }
    // Longer codes, or the last bits of the stream: walk the lengths one bit at a time.
    int code = 0, first = 0, index = 0;
    for (unsigned length = 1; length <= kMaxBits; ++length) {
        if (!needBits(length)) return false;
        code |= (bitBuffer_ >> (length - 1)) & 1;
        const int count = table.count[length];
        if (code - first < count) {
            bitBuffer_ >>= length;
            bitCount_ -= length;
            symbol = table.symbol[index + code - first];
            return true;
        }
        index += count;
        first = (first + count) << 1;
        code <<= 1;
    }
    return false; // a bit pattern that an incomplete code leaves unused
}

bool PngInflater::storedBlock() {
    bitBuffer_ >>= bitCount_ & 7;
    bitCount_ -= bitCount_ & 7;
    uint32_t length, complement;
    if (!getBits(16, length) || !getBits(16, complement)) return false;
    if (length != (~complement & 0xFFFFu)) return false;
    if (length > size_ - written_) return false;
    for (; length && bitCount_ >= 8; --length) {
        out_[written_++] = static_cast<uint8_t>(bitBuffer_);
        bitBuffer_ >>= 8;
        bitCount_ -= 8;
    }
    uint32_t byte;
    for (; length; --length) {
        if (!nextDataByte(byte)) return false;
        out_[written_++] = static_cast<uint8_t>(byte);
    }
    return true;
}

bool PngInflater::codesBlock(const HuffmanTable& lengths, const HuffmanTable& distances) {
    uint8_t* const out = out_;
    const size_t size = size_;
    size_t written = written_;
    bool ok = false;
    for (;;) {
        int symbol;
        if (!decodeSymbol(lengths, symbol)) break;
        if (symbol < 256) {
            if (written == size) break;
            out[written++] = static_cast<uint8_t>(symbol);
            continue;
        }
        if (symbol == 256) {
            ok = true;
            break;
        }
        symbol -= 257;
        if (symbol >= 29) break; // 286 and 287 have no meaning
        uint32_t extra;
        if (!getBits(kLengthExtra[symbol], extra)) break;
        const size_t length = kLengthBase[symbol] + extra;
        int distanceSymbol;
        if (!decodeSymbol(distances, distanceSymbol) || distanceSymbol >= kMaxDistanceCodes) break;
        if (!getBits(kDistanceExtra[distanceSymbol], extra)) break;
        const size_t distance = kDistanceBase[distanceSymbol] + extra;
        if (distance > written || length > size - written) break;
        // Byte by byte: source and destination overlap whenever the distance is short.
        uint8_t* to = out + written;
        const uint8_t* from = to - distance;
        for (size_t i = 0; i < length; ++i) to[i] = from[i];
        written += length;
    }
    written_ = written;
    return ok;
}

bool PngInflater::dynamicBlock() {
    uint32_t lengthCodes, distanceCodes, codeLengthCodes;
    if (!getBits(5, lengthCodes) || !getBits(5, distanceCodes) || !getBits(4, codeLengthCodes)) {
        return false;
    }
    lengthCodes += 257;
    distanceCodes += 1;
    codeLengthCodes += 4;
    if (lengthCodes > kMaxLengthCodes || distanceCodes > kMaxDistanceCodes) return false;

    uint8_t lengths[kMaxLengthCodes + kMaxDistanceCodes];
    std::memset(lengths, 0, sizeof lengths);
    for (uint32_t i = 0; i < codeLengthCodes; ++i) {
        uint32_t value;
        if (!getBits(3, value)) return false;
        lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(value);
    }
    HuffmanTable codeLengthTable;
    if (buildHuffmanTable(codeLengthTable, lengths, 19) != 0) return false; // must be complete

    const uint32_t total = lengthCodes + distanceCodes;
    uint32_t index = 0;
    while (index < total) {
        int symbol;
        if (!decodeSymbol(codeLengthTable, symbol)) return false;
        if (symbol < 16) {
            lengths[index++] = static_cast<uint8_t>(symbol);
            continue;
        }
        uint8_t repeated = 0;
        uint32_t repeat;
        if (symbol == 16) {
            if (index == 0) return false; // nothing to repeat
            repeated = lengths[index - 1];
            if (!getBits(2, repeat)) return false;
            repeat += 3;
        } else if (symbol == 17) {
            if (!getBits(3, repeat)) return false;
            repeat += 3;
        } else {
            if (!getBits(7, repeat)) return false;
            repeat += 11;
        }
        if (repeat > total - index) return false;
        std::memset(lengths + index, repeated, repeat);
        index += repeat;
    }
    if (lengths[256] == 0) return false; // no end-of-block code

    // A code may be incomplete only when it is a single one-bit code.
    HuffmanTable lengthTable, distanceTable;
    int left = buildHuffmanTable(lengthTable, lengths, static_cast<int>(lengthCodes));
    if (left < 0 || (left > 0 && lengthTable.count[0] + lengthTable.count[1] != lengthCodes)) {
        return false;
    }
    left = buildHuffmanTable(distanceTable, lengths + lengthCodes, static_cast<int>(distanceCodes));
    if (left < 0 || (left > 0 && distanceTable.count[0] + distanceTable.count[1] != distanceCodes)) {
        return false;
    }
    return codesBlock(lengthTable, distanceTable);
}

bool PngInflater::inflate(uint8_t* out, size_t size) {
    out_ = out;
    size_ = size;
    written_ = 0;
    bitBuffer_ = 0;
    bitCount_ = 0;

    uint32_t method, flags;
    if (!getBits(8, method) || !getBits(8, flags)) return false;
    if ((method & 15) != 8 || (method >> 4) > 7 || (flags & 0x20)) return false;

    uint32_t last = 0;
    while (!last) {
        uint32_t type;
        if (!getBits(1, last) || !getBits(2, type)) return false;
        bool ok = false;
        switch (type) {
        case 0: ok = storedBlock(); break;
        case 1: ok = codesBlock(fixedTables().lengths, fixedTables().distances); break;
        case 2: ok = dynamicBlock(); break;
        default: break;
        }
        if (!ok) return false;
    }
    // The Adler-32 sum that follows is not checked. Fewer bytes than the image needs would
    // leave rows undefined, so that is a damaged stream too.
    return written_ == size_;
}

} // namespace winui
