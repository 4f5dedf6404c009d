#include "core/values/Rect.h"

#include <windows.h>

#include <gtest/gtest.h>

using winui::Rect;

static_assert(sizeof(Rect) == sizeof(RECT), "Rect must be layout-compatible with RECT");
static_assert(sizeof(winui::Point) == sizeof(POINT), "Point must be layout-compatible with POINT");

TEST(RectTest, EmptinessLooksOnlyAtEqualEdges) {
    EXPECT_TRUE(Rect(5, 5, 5, 20).isEmpty());
    EXPECT_TRUE(Rect(0, 7, 30, 7).isEmpty());
    EXPECT_FALSE(Rect(10, 0, 5, 5).isEmpty());
    EXPECT_FALSE(Rect(0, 0, 1, 1).isEmpty());
}

TEST(RectTest, CentringUsesOnlyTheInnerSize) {
    EXPECT_EQ(centerRect(Rect(0, 0, 11, 10), Rect(0, 0, 4, 3)), Rect(3, 3, 7, 6));
    EXPECT_EQ(centerRect(Rect(0, 0, 11, 10), Rect(100, 200, 104, 203)), Rect(3, 3, 7, 6));
    // Odd sums of different signs: each edge truncates toward zero on its own.
    EXPECT_EQ(centerRect(Rect(-5, 0, 0, 10), Rect(0, 0, 2, 2)), Rect(-3, 4, -1, 6));
}
