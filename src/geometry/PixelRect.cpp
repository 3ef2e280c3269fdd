// Cutting pixel rectangles to the window, in 64-bit arithmetic. Pure: runs on any thread.
#include "geometry/PixelRect.h"

#include <algorithm>

namespace {

// One axis of a copy: the start on the source side and the destination side, and the length, cut
// so that both sides lie within 0 to limit - 1. The length is 0 or less when nothing is left.
void clipAxis(std::int64_t& source, std::int64_t& dest, std::int64_t& length, std::int64_t limit) {
    const std::int64_t before = std::max({std::int64_t(0), -source, -dest});
    source += before;
    dest += before;
    length = std::min({length - before, limit - source, limit - dest});
}

}  // namespace

PixelRect clipToWindow(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height, int windowWidth,
                       int windowHeight) {
    return clipCopyToWindow(x, y, x, y, width, height, windowWidth, windowHeight).source;
}

PixelCopy clipCopyToWindow(std::int64_t x, std::int64_t y, std::int64_t destX, std::int64_t destY, std::int64_t width,
                           std::int64_t height, int windowWidth, int windowHeight) {
    clipAxis(x, destX, width, windowWidth);
    clipAxis(y, destY, height, windowHeight);
    if (width <= 0 || height <= 0) return PixelCopy{};
    // Every value now lies within the window, so each fits an int.
    return PixelCopy{PixelRect{int(x), int(y), int(width), int(height)}, int(destX), int(destY)};
}
