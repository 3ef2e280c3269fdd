// Points, lines and triangles drawn into a picture pixel for pixel as Mesa's llvmpipe draws them:
// vertices snapped to its grid of 1/256 pixel, edges as exact integer edge functions sampled at
// pixel centres with its fill rule (left and bottom edges in, top and right out), lines turned
// into quads by its diamond-exit rule, dashes cut as its draw module cuts them, shapes that reach
// past its guard band cut as its clipper cuts them; textures and antialiased lines shaded from
// plane equations set up as its setup code sets them up. Pure: renderer thread, no GL.
#pragma once

#include <cstdint>
#include <vector>

#include "renderer/software/Picture.h"
#include "renderer/software/VertexTransform.h"

namespace software {

// An edge of a convex polygon in fixed point: at pixel (x, y) its function is
// c + dy * y - dx * x, and the pixel's centre is inside the edge where that is above 0.
struct EdgePlane {
    std::int64_t c;
    std::int64_t dx, dy;
};

// A convex polygon as the edges of its fixed-point corners, which go round it with the inside
// on their left (in a window's y-down pixels), and the box of pixels that may be inside.
struct EdgeSet {
    EdgePlane planes[4];  // plane i runs from corner i to the next
    std::int32_t cornerX[4], cornerY[4];
    int count = 0;
    std::int64_t left, top, right, bottom;  // inclusive
    bool convex = true;  // the corners turn one way only, the inside on the edges' left
};

// The edges of the polygon through count corners (3 or 4, fixed point), with llvmpipe's fill rule.
EdgeSet edgesThrough(const std::int32_t* xs, const std::int32_t* ys, int count);
// The first and last column of row y inside every edge; first > last for none.
void spanOf(const EdgeSet& edges, std::int64_t y, std::int64_t& first, std::int64_t& last);

// The corners of the quad that llvmpipe draws for the line from a to b of a whole width in
// pixels, in fixed point; false when a and b coincide and nothing is drawn.
bool lineQuad(WindowPoint a, WindowPoint b, int width, std::int32_t xs[4], std::int32_t ys[4]);

// A picture uploaded as a texture, as GL holds it: power-of-two sides, rows bottom up, RGB or
// RGBA bytes; what was never uploaded reads as 0.
struct Texture {
    int width = 0, height = 0;
    int components = 4;
    std::vector<unsigned char> texels;
};

// A vertex with texture coordinates.
struct TexturedPoint {
    ClipPoint position;
    float s, t;
};

// How lines are drawn: a whole width (1 to 255 pixels), a dash pattern, antialiasing.
struct LineStyle {
    int width = 1;
    std::uint16_t pattern = 0xFFFF;
    bool smooth = false;
};

class Rasterizer {
public:
    Rasterizer(Picture& picture, const VertexTransform& transform) : picture(picture), transform(transform) {}

    // A point of size 1.
    void drawPoint(const ClipPoint& p, const Paint& paint);
    // The point at whole coordinates (x, y) under the renderer's matrix: pixel (x, y), if inside,
    // as drawPoint draws it, without the vertex path.
    void plotPixel(std::int64_t x, std::int64_t y, const Paint& paint) {
        if (!picture.contains(x, y)) return;
        Pixel& pixel = picture.row(int(y))[x];
        pixel = paintedPixel(paint, pixel);
    }
    // One line: dashed unless the pattern is 0xFFFF (glLineStipple with factor 1: a step of the
    // pattern a pixel along the line), and antialiased when smooth (then its alpha is blended in).
    // A dashed line takes the pattern on from where the last dashed line left it, or from its
    // start when startsPattern is set; the driver starts it only for a line that it does not
    // drop, so one after a dropped first line of a strip goes on from the line drawn before.
    void drawLine(const ClipPoint& a, const ClipPoint& b, const LineStyle& style, bool startsPattern, const Paint& paint);
    // GL_LINES (each pair a line that starts the pattern), GL_LINE_STRIP (closed false) and
    // GL_LINE_LOOP (closed true), whose first line starts the pattern and the others carry it on.
    void drawLines(const std::vector<ClipPoint>& points, const LineStyle& style, const Paint& paint);
    void drawLineStrip(const std::vector<ClipPoint>& points, bool closed, const LineStyle& style, const Paint& paint);
    // A filled triangle, clipped to the window as GL clips it.
    void fillTriangle(const ClipPoint& a, const ClipPoint& b, const ClipPoint& c, const Paint& paint);
    // GL_QUADS' quad a b c d: the triangles a b d and b c d.
    void fillQuad(const ClipPoint& a, const ClipPoint& b, const ClipPoint& c, const ClipPoint& d, const Paint& paint);
    // A triangle textured with GL_LINEAR filtering and GL_CLAMP_TO_EDGE in GL_MODULATE by white,
    // as the renderer draws transformed pictures: each texel blended by its own alpha when blend
    // is set. The texture coordinates are interpolated and filtered as llvmpipe's do it.
    void fillTexturedTriangle(const TexturedPoint& a, const TexturedPoint& b, const TexturedPoint& c,
                              const Texture& texture, bool blend);
    // GL_QUADS' textured quad a b c d: the triangles a b d and b c d.
    void fillTexturedQuad(const TexturedPoint& a, const TexturedPoint& b, const TexturedPoint& c,
                          const TexturedPoint& d, const Texture& texture, bool blend);
    // The pixels of columns left to right - 1 and rows top to bottom - 1, cut to the picture: what
    // GL_QUADS fills for corners on whole coordinates under the renderer's matrix.
    void fillRectangle(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                       const Paint& paint);

    // Fills what the edges enclose, within the picture.
    void fillEdges(const EdgeSet& edges, const Paint& paint);

private:
    Picture& picture;
    const VertexTransform& transform;
    int patternStep = 0;  // where the dash pattern stands, as the driver keeps it from line to line

    // Calls visit(y, first, last) for each row's run of pixels inside the edges and the picture.
    template <typename Visit>
    void forEachSpan(const EdgeSet& edges, Visit visit);
    // A triangle whose corners the window already holds, with two attributes each (texture
    // coordinates, or an antialiased line's distances): calls shade(pixel, first, second) for each
    // pixel inside it with the attributes interpolated there as llvmpipe interpolates them.
    struct ShadedCorner {
        WindowPoint window;
        float first, second;
    };
    template <typename Shade>
    void shadeWindowTriangle(ShadedCorner a, ShadedCorner b, ShadedCorner c, Shade shade);
    // A triangle whose corners the window already holds.
    void fillWindowTriangle(const WindowPoint& a, const WindowPoint& b, const WindowPoint& c, const Paint& paint);
    void drawWindowLine(WindowPoint a, WindowPoint b, const LineStyle& style, const Paint& paint);
    // The quad that the driver draws for an antialiased line, its alpha times each pixel's coverage.
    void drawSmoothLine(WindowPoint a, WindowPoint b, int width, const Paint& paint);
};

}  // namespace software
