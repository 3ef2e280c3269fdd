// Rectangles of window pixels that the renderer reads back or copies, cut to the window in 64-bit
// arithmetic: coordinates and sizes anywhere in int's range never overflow a sum, and the GL driver
// is only ever asked for pixels inside the window. Pure arithmetic with no GL; runs on any thread.
#pragma once

#include <cstdint>

// Columns x to x + width - 1 and rows y to y + height - 1, y downward from the window's top.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool isEmpty() const { return width <= 0 || height <= 0; }
};

// The part of the rectangle at (x, y) of width by height inside a window of windowWidth by
// windowHeight pixels; empty when no pixel of it is inside.
PixelRect clipToWindow(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height, int windowWidth,
                       int windowHeight);

// A copy of source's pixels so that source's top-left corner lands on (destX, destY).
struct PixelCopy {
    PixelRect source;
    int destX = 0;
    int destY = 0;
};

// The part of the copy whose source and destination pixels both lie inside the window (the rest
// copies nothing that can be seen); its source is empty when no pixel is left.
PixelCopy clipCopyToWindow(std::int64_t x, std::int64_t y, std::int64_t destX, std::int64_t destY, std::int64_t width,
                           std::int64_t height, int windowWidth, int windowHeight);
