#include "core/resources/Scrambling.h"

namespace {

constexpr uint8_t kFirstPrevious = 0x1F;

inline uint8_t rotateLeft(uint8_t value, unsigned bits) {
    return static_cast<uint8_t>((value << bits) | (value >> (8 - bits)));
}

inline uint8_t rotateRight(uint8_t value, unsigned bits) {
    return static_cast<uint8_t>((value >> bits) | (value << (8 - bits)));
}

} // namespace

void scrambleBytes(uint8_t* bytes, size_t length) {
    uint8_t previous = kFirstPrevious;
    for (size_t i = 0; i < length; ++i) {
        const uint8_t plain = bytes[i];
        const uint8_t mixed = static_cast<uint8_t>(~previous ^ plain);
        switch ((length - 1 - i) % 4) {
        case 0: bytes[i] = rotateRight(mixed, 2); break;
        case 1: bytes[i] = rotateLeft(mixed, 4); break;
        case 2: bytes[i] = rotateRight(mixed, 3); break;
        default: bytes[i] = rotateLeft(mixed, 1); break;
        }
        previous = plain;
    }
}

void unscrambleBytes(uint8_t* bytes, size_t length) {
    uint8_t previous = kFirstPrevious;
    for (size_t i = 0; i < length; ++i) {
        uint8_t mixed;
        switch ((length - 1 - i) % 4) {
        case 0: mixed = rotateLeft(bytes[i], 2); break;
        case 1: mixed = rotateLeft(bytes[i], 4); break;
        case 2: mixed = rotateLeft(bytes[i], 3); break;
        default: mixed = rotateRight(bytes[i], 1); break;
        }
        bytes[i] = static_cast<uint8_t>(mixed ^ ~previous);
        previous = bytes[i];
    }
}
