// Cutting the rectangles that the renderer reads and copies to the window, without a display:
// coordinates and sizes anywhere in int's range give the part inside the window, or nothing.
#include <gtest/gtest.h>

#include <limits>

#include "geometry/PixelRect.h"

namespace {

constexpr int MOST = std::numeric_limits<int>::max();
constexpr int LEAST = std::numeric_limits<int>::min();

bool same(const PixelRect& a, const PixelRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

}  // namespace

// In a window of 100 by 50; nothing left is the empty rectangle at (0, 0).
TEST(PixelRect, ARectangleIsCutToTheWindowOrEmpty) {
    struct Case {
        int x, y, width, height;
        PixelRect inside;
    };
    for (const Case& c :
         {Case{10, 20, 30, 20, {10, 20, 30, 20}}, Case{-5, -5, 10, 10, {0, 0, 5, 5}},
          Case{95, 45, 10, 10, {95, 45, 5, 5}}, Case{MOST - 5, 0, 10, 10, {}}, Case{0, LEAST, 10, 10, {}},
          Case{LEAST, LEAST, MOST, MOST, {}}, Case{-10, -10, MOST, MOST, {0, 0, 100, 50}}, Case{100, 0, 1, 1, {}}}) {
        SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
        EXPECT_TRUE(same(clipToWindow(c.x, c.y, c.width, c.height, 100, 50), c.inside));
    }
}

TEST(PixelRect, ACopyKeepsOnlyPixelsWhoseSourceAndDestinationAreBothInside) {
    // From (90, 0) to (-5, 10), 20 by 5: columns 95 on and -5 to -1 fall outside; 5 columns are left.
    const PixelCopy copy = clipCopyToWindow(90, 0, -5, 10, 20, 5, 100, 50);
    EXPECT_TRUE(same(copy.source, PixelRect{95, 0, 5, 5}));
    EXPECT_EQ(copy.destX, 0);
    EXPECT_EQ(copy.destY, 10);
    EXPECT_TRUE(clipCopyToWindow(0, 0, MOST - 5, 0, 10, 10, 100, 50).source.isEmpty());
    EXPECT_TRUE(clipCopyToWindow(LEAST, 0, 0, 0, 10, 10, 100, 50).source.isEmpty());
}
