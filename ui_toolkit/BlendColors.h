#pragma once

#include <windows.h>

#include <cstdint>

namespace winui {

// Mixes two colours: each of red, green and blue is (a * (100 - percent) + b * percent) / 100,
// truncated; the top byte of the result is 0. 0 gives a, 100 gives b; percents outside 0..100
// are held to that range.
COLORREF blendColors(COLORREF a, COLORREF b, int32_t percent);

} // namespace winui
