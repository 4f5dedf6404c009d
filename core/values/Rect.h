#pragma once

#include <cstdint>

namespace winui {

// Laid out exactly like the platform's RECT so that it can be handed to USER32/GDI32 as is.
// Right and bottom are exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr Rect() = default;
    constexpr Rect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

    constexpr int32_t width() const { return right - left; }
    constexpr int32_t height() const { return bottom - top; }
    // A rectangle with a negative extent is deliberately not empty by this test.
    constexpr bool isEmpty() const { return right == left || bottom == top; }

    friend constexpr bool operator==(const Rect& a, const Rect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
    friend constexpr bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }
};

// Laid out like the platform's POINT.
struct Point {
    int32_t x = 0;
    int32_t y = 0;

    constexpr Point() = default;
    constexpr Point(int32_t px, int32_t py) : x(px), y(py) {}

    friend constexpr bool operator==(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }
    friend constexpr bool operator!=(const Point& a, const Point& b) { return !(a == b); }
};

// Each edge is halved on its own (signed division truncating toward zero), so the result's
// width can differ from the inner width by one where the sums are odd and of different signs.
constexpr Rect centerRect(const Rect& outer, const Rect& inner) {
    const int32_t w = inner.right - inner.left;
    const int32_t h = inner.bottom - inner.top;
    return Rect((outer.left + outer.right - w) / 2, (outer.top + outer.bottom - h) / 2,
                (outer.left + outer.right + w) / 2, (outer.top + outer.bottom + h) / 2);
}

} // namespace winui
