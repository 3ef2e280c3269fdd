// The path of a vertex from the coordinates the renderer gives to the window, as Mesa's llvmpipe
// computes it: the model-view matrix kept in single precision as Mesa builds it, the transform and
// the viewport as llvmpipe's vertex code rounds them, and the snap to its fixed subpixel grid.
// Pure: renderer thread, no GL.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace software {

// A vertex in window coordinates: x right, y down from the top-left corner, in pixels.
struct WindowPoint {
    float x, y;
};

// A vertex after the model-view matrix and before the viewport: GL's clip coordinates (w is 1
// for the matrices the renderer makes).
struct ClipPoint {
    float x, y;
};

// llvmpipe's subpixel grid: 1/256 of a pixel.
constexpr int SUBPIXEL_BITS = 8;
constexpr int SUBPIXEL_ONE = 1 << SUBPIXEL_BITS;

// value * 256 rounded to the nearest whole number, ties to even, as the driver's vector
// conversion rounds; a value out of int's range gives INT32_MIN, as that conversion does.
std::int32_t snapToSubpixel(float value);

class VertexTransform {
public:
    // The window's coordinate system as the renderer sets it up: pixels from the top-left
    // corner, y down, every vertex nudged by 3/8 of a pixel right and down.
    void reshape(int width, int height);

    // Multiply the model-view matrix on the right, as glTranslatef, glScalef and glRotatef do.
    void translate(float x, float y);
    void scale(float x, float y);
    void rotate(float degrees);  // about the z axis
    void push() { saved.push_back(matrix); }
    void pop();

    ClipPoint toClip(float x, float y) const;
    WindowPoint toWindow(const ClipPoint& clip) const;
    WindowPoint toWindow(float x, float y) const { return toWindow(toClip(x, y)); }
    // A point of the clip polygon that the clipper made, which the clipper maps itself.
    WindowPoint clippedToWindow(const ClipPoint& clip) const;

    int width() const { return windowWidth; }
    int height() const { return windowHeight; }

private:
    std::array<float, 16> matrix{};  // column major, as GL keeps it
    std::vector<std::array<float, 16>> saved;
    int windowWidth = 0;
    int windowHeight = 0;
    // The viewport: window = ndc * scale + translate, y flipped for a window's picture.
    float scaleX = 0, scaleY = 0, translateX = 0, translateY = 0;

    void multiply(const std::array<float, 16>& right);
};

}  // namespace software
