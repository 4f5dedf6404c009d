#include "ui_toolkit/BlendColors.h"

#include <gtest/gtest.h>

namespace {

struct BlendCase {
    COLORREF a;
    COLORREF b;
    int32_t percent;
    COLORREF expected;
};

TEST(BlendColorsTest, MixesEachChannelAndTruncates) {
    const BlendCase cases[] = {
        {0x000000, 0xFFFFFF, 50, 0x7F7F7F},
        {0x123456, 0xABCDEF, 0, 0x123456},
        {0x123456, 0xABCDEF, 100, 0xABCDEF},
        // Channels mix apart: blue 0xFF toward 0, green 0 toward 0xFF, red unchanged.
        {0x10FF00, 0x1000FF, 25, 0x10BF3F},
        // 0x03 * 67 / 100 = 2.01 -> 2, never rounded up.
        {0x000003, 0x000000, 33, 0x000002},
        // The top byte of either input never reaches the result.
        {0xEEEEEEEE, 0xFF000000, 50, 0x00777777},
        // Out of range percents are held to 0..100 instead of spilling between channels.
        {0x204060, 0xFFFFFF, -20, 0x204060},
        {0x204060, 0x010203, 250, 0x010203},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, winui::blendColors(c.a, c.b, c.percent))
            << std::hex << c.a << " " << c.b << " " << std::dec << c.percent;
    }
}

} // namespace
