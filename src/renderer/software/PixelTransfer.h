// Whole pictures into and within a window's picture, as llvmpipe's glDrawPixels, glCopyPixels and
// glBitmap place them: GL's raster position (a point through the renderer's matrix, moved in
// window pixels) rounded to a pixel as Mesa rounds it for each, then one fragment per pixel of the
// source. Pure: renderer thread, no GL.
#pragma once

#include <cstdint>
#include <vector>

#include "renderer/software/Picture.h"
#include "renderer/software/VertexTransform.h"

namespace software {

// GL's current raster position: window coordinates with y up from the bottom, as GL keeps them,
// and whether it is valid (a raster position set outside the window draws nothing).
struct RasterPosition {
    float x = 0, y = 0;
    bool valid = false;
};

// glRasterPos2f(x, y) under transform.
RasterPosition rasterPositionAt(const VertexTransform& transform, float x, float y);
// The renderer's moveRasterTo(x, y): the raster position set at (0, 0) and moved by (x, -y).
RasterPosition rasterPositionMovedTo(const VertexTransform& transform, int x, int y);

// Pixels given as GL takes them: rows bottom up, rowLength pixels apart, components 3 (RGB) or 4
// (RGBA) bytes a pixel.
struct SourcePixels {
    const unsigned char* data;
    int width, height;
    int rowLength;
    int components;
};

// glDrawPixels at the raster position: each source pixel through paint's logic op, blended by its
// own alpha when blend is set, and left out when alphaTest is set and its alpha is 0.
void drawPixels(Picture& picture, const RasterPosition& at, const SourcePixels& source, bool blend, bool alphaTest);

// A picture drawn as the renderer draws plain pictures, as a quad with whole corners textured
// with GL_NEAREST and GL_REPLACE: its top-left pixel at (x, y) in the window's pixels (y down),
// each source pixel on one window pixel, blended by its own alpha when blend is set.
void drawPicture(Picture& picture, std::int64_t x, std::int64_t y, const SourcePixels& source, bool blend);

// glCopyPixels of the width x height pixels whose bottom-left pixel is (x, y) in GL's rows (from
// the bottom) to the raster position, as a plain copy (read whole before any is written).
void copyPixels(Picture& picture, const RasterPosition& at, int x, int y, int width, int height);

// glBitmap as Mesa draws it: consecutive bitmaps of one colour are gathered in a 512 x 32 pixel
// picture (anchored at the first, centred on its rows) and drawn together, a pixel once however
// many of them set it, when one does not fit, the colour changes, or anything else is drawn or
// read; in the logic op and blending of the last bitmap given.
class BitmapRun {
public:
    // The set bits of a bitmap (rows bottom up, each row whole bytes, the first bit the leftmost)
    // at the raster position less the origin; the raster position then moves by the advance.
    void add(Picture& picture, RasterPosition& at, int width, int height, float xOrigin, float yOrigin, float xAdvance,
             float yAdvance, const unsigned char* bits, const Paint& paint);
    // Draws what has been gathered: before anything else draws into the picture or reads it.
    void flush(Picture& picture);

private:
    static constexpr int WIDTH = 512, HEIGHT = 32;
    bool empty = true;
    std::int64_t left = 0, bottom = 0;  // GL's window coordinates of the gathered picture's corner
    Paint paint;
    std::vector<bool> set = std::vector<bool>(WIDTH * HEIGHT);
};

}  // namespace software
