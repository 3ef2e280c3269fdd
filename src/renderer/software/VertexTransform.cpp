// The vertex path in single precision, each operation in the order and with the rounding that
// Mesa uses: its matrix code in C, llvmpipe's vertex code with fused multiply-adds where it asks
// for them. Built with contraction off, so that the compiler adds no fusing of its own.
#include "renderer/software/VertexTransform.h"

#include <cmath>

namespace software {

namespace {

using Matrix = std::array<float, 16>;

constexpr Matrix IDENTITY = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Element (row, column) of a column-major matrix.
constexpr int at(int row, int column) { return column * 4 + row; }

}  // namespace

std::int32_t snapToSubpixel(float value) {
    const float scaled = value * SUBPIXEL_ONE;
    if (!(scaled >= -2147483648.0f && scaled < 2147483648.0f)) return INT32_MIN;
    return static_cast<std::int32_t>(std::nearbyint(scaled));
}

void VertexTransform::multiply(const Matrix& b) {
    const Matrix a = matrix;
    for (int i = 0; i < 4; ++i) {
        const float ai0 = a[at(i, 0)], ai1 = a[at(i, 1)], ai2 = a[at(i, 2)], ai3 = a[at(i, 3)];
        for (int j = 0; j < 4; ++j)
            matrix[at(i, j)] = ai0 * b[at(0, j)] + ai1 * b[at(1, j)] + ai2 * b[at(2, j)] + ai3 * b[at(3, j)];
    }
}

void VertexTransform::reshape(int width, int height) {
    windowWidth = width;
    windowHeight = height;
    matrix = IDENTITY;
    saved.clear();
    // gluOrtho2D(0, width, 0, height): near -1, far 1.
    const float right = static_cast<float>(width), top = static_cast<float>(height);
    Matrix ortho = IDENTITY;
    ortho[at(0, 0)] = 2.0f / right;
    ortho[at(0, 3)] = -right / right;
    ortho[at(1, 1)] = 2.0f / top;
    ortho[at(1, 3)] = -top / top;
    ortho[at(2, 2)] = -2.0f / 2.0f;
    ortho[at(2, 3)] = -0.0f / 2.0f;
    multiply(ortho);
    translate(0, top);
    scale(1, -1);
    translate(0.375f, 0.375f);
    // The viewport, flipped: a window's picture has its first row at the top.
    const float halfWidth = right / 2.0f, halfHeight = top / 2.0f;
    scaleX = halfWidth;
    translateX = halfWidth;
    scaleY = -halfHeight;
    translateY = top - halfHeight;
}

void VertexTransform::translate(float x, float y) {
    Matrix m = IDENTITY;
    m[at(0, 3)] = x;
    m[at(1, 3)] = y;
    multiply(m);
}

void VertexTransform::scale(float x, float y) {
    Matrix m = IDENTITY;
    m[at(0, 0)] = x;
    m[at(1, 1)] = y;
    multiply(m);
}

void VertexTransform::rotate(float degrees) {
    const float s = std::sin(static_cast<float>(degrees * M_PI / 180.0));
    const float c = std::cos(static_cast<float>(degrees * M_PI / 180.0));
    Matrix m = IDENTITY;
    m[at(0, 0)] = c;
    m[at(1, 1)] = c;
    m[at(0, 1)] = -s;
    m[at(1, 0)] = s;
    multiply(m);
}

void VertexTransform::pop() {
    if (saved.empty()) return;
    matrix = saved.back();
    saved.pop_back();
}

ClipPoint VertexTransform::toClip(float x, float y) const {
    // A multiply, then multiply-adds for y, z (0) and w (1), as Mesa's fixed-function vertex
    // program computes the position.
    const float clipX = std::fma(y, matrix[at(0, 1)], x * matrix[at(0, 0)]) + matrix[at(0, 3)];
    const float clipY = std::fma(y, matrix[at(1, 1)], x * matrix[at(1, 0)]) + matrix[at(1, 3)];
    return {clipX, clipY};
}

WindowPoint VertexTransform::toWindow(const ClipPoint& clip) const {
    return {std::fma(clip.x, scaleX, translateX), std::fma(clip.y, scaleY, translateY)};
}

WindowPoint VertexTransform::clippedToWindow(const ClipPoint& clip) const {
    return {clip.x * scaleX + translateX, clip.y * scaleY + translateY};
}

}  // namespace software
