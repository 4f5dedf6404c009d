#include "ui_toolkit/BlendColors.h"

namespace winui {

COLORREF blendColors(COLORREF a, COLORREF b, int32_t percent) {
    // Outside 0..100 a channel would leave its byte and spill into its neighbour.
    const uint32_t p = percent < 0 ? 0u : percent > 100 ? 100u : static_cast<uint32_t>(percent);
    COLORREF result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t channelA = (a >> shift) & 0xFF;
        const uint32_t channelB = (b >> shift) & 0xFF;
        result |= ((channelA * (100 - p) + channelB * p) / 100) << shift;
    }
    return result;
}

} // namespace winui
