// A window's picture in memory and how a drawn colour lands on its pixels: the X server's 24-bit
// visual (8 bits a colour, no alpha), with GL's blending and logic operations rounded as Mesa's
// llvmpipe rounds them. Pure: renderer thread, no GL, no platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace software {

// A pixel as the picture holds it: 0x00RRGGBB. Reads give alpha 255, as GL's back buffer does.
using Pixel = std::uint32_t;

constexpr Pixel pixelOf(int red, int green, int blue) {
    return (Pixel(red) << 16) | (Pixel(green) << 8) | Pixel(blue);
}
constexpr int redOf(Pixel p) { return (p >> 16) & 0xFF; }
constexpr int greenOf(Pixel p) { return (p >> 8) & 0xFF; }
constexpr int blueOf(Pixel p) { return p & 0xFF; }

// Rows top down, as the window shows them; pixel (x, y) is pixels[y * width + x].
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;

    Picture() = default;
    Picture(int width, int height, Pixel fill) : width(width), height(height), pixels(std::size_t(width) * height, fill) {}
    Pixel* row(int y) { return pixels.data() + std::size_t(y) * width; }
    const Pixel* row(int y) const { return pixels.data() + std::size_t(y) * width; }
    Pixel at(int x, int y) const { return row(y)[x]; }
    bool contains(std::int64_t x, std::int64_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// The logic operations the renderer uses; COPY writes the colour itself (blended or not).
enum class LogicOp { COPY, XOR, INVERT, AND, OR };

// What a fragment writes: its colour, and with COPY, blended by its alpha (GL_SRC_ALPHA,
// GL_ONE_MINUS_SRC_ALPHA) or not. A logic operation ignores alpha and blending, as GL does.
struct Paint {
    Pixel color = 0;
    int alpha = 255;
    bool blend = false;
    LogicOp op = LogicOp::COPY;
};

// a * b / 255 rounded as llvmpipe's 8-bit normalized multiply rounds it.
constexpr int multiplyNormalized(int a, int b) {
    const int product = a * b;
    return (product + (product >> 8) + 128) >> 8;
}

// One colour channel src blended over dst with alpha: each term rounded on its own, as the
// driver's 8-bit blending does, and the sum saturated.
constexpr int blendChannel(int src, int dst, int alpha) {
    const int sum = multiplyNormalized(src, alpha) + multiplyNormalized(dst, 255 - alpha);
    return sum < 255 ? sum : 255;
}

// The pixel that paint leaves where dst was.
inline Pixel paintedPixel(const Paint& paint, Pixel dst) {
    switch (paint.op) {
        case LogicOp::XOR: return dst ^ paint.color;
        case LogicOp::INVERT: return ~dst & 0xFFFFFF;
        case LogicOp::AND: return dst & paint.color;
        case LogicOp::OR: return dst | paint.color;
        case LogicOp::COPY: break;
    }
    if (!paint.blend) return paint.color;
    const Pixel src = paint.color;
    return pixelOf(blendChannel(redOf(src), redOf(dst), paint.alpha),
                   blendChannel(greenOf(src), greenOf(dst), paint.alpha),
                   blendChannel(blueOf(src), blueOf(dst), paint.alpha));
}

// Paints pixels first to last (inclusive) of row y, all inside the picture.
void paintSpan(Picture& picture, int y, int first, int last, const Paint& paint);

}  // namespace software
