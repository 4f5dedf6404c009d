#pragma once

#include <cstddef>
#include <cstdint>

// The UTF-8 forms that the reader accepts, shared by the decoder and the encoding detection so
// that a file the detection takes for UTF-8 is one the decoder can read.
namespace utf8sequence {

inline bool isContinuation(uint8_t b) {
    return (b & 0xC0) == 0x80;
}

// The bytes of the sequence that a byte of 0x80 or more leads; 0 when it cannot lead one.
inline ptrdiff_t length(uint8_t lead) {
    return lead < 0xC0 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
}

// Decodes the sequence of length bytes (2 to 4) at p; false when it is damaged. Overlong forms
// are taken as they stand.
inline bool decode(const uint8_t* p, ptrdiff_t length, uint32_t& codePoint) {
    if (length == 2) {
        codePoint = ((p[0] & 0x1Fu) << 6) | (p[1] & 0x3Fu);
        return isContinuation(p[1]);
    }
    if (length == 3) {
        codePoint = ((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
        return isContinuation(p[1]) && isContinuation(p[2]);
    }
    codePoint = ((p[0] & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
    return isContinuation(p[1]) && isContinuation(p[2]) && isContinuation(p[3]) && codePoint <= 0x10FFFF;
}

// A sequence as UTF-8 writers produce it: decodable and in its shortest form. Three-byte forms
// of single surrogates count, since the programs write a lone surrogate that way.
inline bool isWellFormed(const uint8_t* p, ptrdiff_t length, uint32_t& codePoint) {
    static const uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    return length >= 2 && length <= 4 && decode(p, length, codePoint) && codePoint >= kSmallest[length];
}

} // namespace utf8sequence
