#include "core/resources/Scrambling.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

std::vector<uint8_t> scrambled(std::vector<uint8_t> bytes) {
    scrambleBytes(bytes.data(), bytes.size());
    return bytes;
}

std::vector<uint8_t> unscrambled(std::vector<uint8_t> bytes) {
    unscrambleBytes(bytes.data(), bytes.size());
    return bytes;
}

} // namespace

TEST(ScramblingTest, PinnedVectors) {
    // The empty settings tree.
    EXPECT_EQ(scrambled({0x00, 0x00}), (std::vector<uint8_t>{0x0E, 0xFF}));
    EXPECT_EQ(unscrambled({0x0E, 0xFF}), (std::vector<uint8_t>{0x00, 0x00}));
    // Every rotation, twice over.
    EXPECT_EQ(scrambled({0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}),
              (std::vector<uint8_t>{0xC3, 0x9F, 0xEF, 0x3E, 0xFD, 0x9F, 0xEF, 0x3C}));
    EXPECT_EQ(scrambled({0x41}), (std::vector<uint8_t>{0x68}));
}

TEST(ScramblingTest, ZeroBytesAreLeftAlone) {
    uint8_t untouched = 0xAB;
    scrambleBytes(&untouched, 0);
    unscrambleBytes(&untouched, 0);
    EXPECT_EQ(untouched, 0xAB);
    scrambleBytes(nullptr, 0);
    unscrambleBytes(nullptr, 0);
}

TEST(ScramblingTest, UnscramblingUndoesScramblingAtEveryLength) {
    uint32_t seed = 12345;
    for (size_t length = 0; length <= 67; ++length) {
        std::vector<uint8_t> block(length);
        for (uint8_t& b : block) {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<uint8_t>(seed >> 16);
        }
        EXPECT_EQ(unscrambled(scrambled(block)), block) << "length " << length;
    }
}

TEST(ScramblingTest, TheSameBytesScrambleDifferentlyInALongerBlock) {
    // The rotation depends on the distance from the end, so a block must be unscrambled at
    // exactly its own length.
    const std::vector<uint8_t> shortBlock = scrambled({0x41, 0x42});
    const std::vector<uint8_t> longBlock = scrambled({0x41, 0x42, 0x43});
    EXPECT_NE(shortBlock[0], longBlock[0]);
    EXPECT_NE(unscrambled({longBlock[0], longBlock[1]}), (std::vector<uint8_t>{0x41, 0x42}));
}
