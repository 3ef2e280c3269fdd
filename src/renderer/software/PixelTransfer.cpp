// Pixel transfers as Mesa places them: the raster position is a point mapped by the driver's
// vertex path and kept with y up; glDrawPixels and glCopyPixels round it to the nearest pixel,
// glBitmap truncates it less the bitmap's origin, with a small allowance.
#include "renderer/software/PixelTransfer.h"

#include <cmath>
#include <vector>

namespace software {

namespace {

// The picture's row of GL's row y (counted from the bottom).
int pictureRow(const Picture& picture, std::int64_t y) { return int(picture.height - 1 - y); }

std::int64_t nearestPixel(float coordinate) { return std::int64_t(std::floor(coordinate + 0.5f)); }

}  // namespace

RasterPosition rasterPositionAt(const VertexTransform& transform, float x, float y) {
    const ClipPoint clip = transform.toClip(x, y);
    // A raster position outside the window is invalid: what it would place draws nothing.
    if (!(clip.x >= -1.0f && clip.x <= 1.0f && clip.y >= -1.0f && clip.y <= 1.0f)) return {};
    const WindowPoint window = transform.toWindow(clip);
    return {window.x, float(transform.height()) - window.y, true};
}

RasterPosition rasterPositionMovedTo(const VertexTransform& transform, int x, int y) {
    RasterPosition at = rasterPositionAt(transform, 0, 0);
    if (at.valid) {
        at.x += float(x);
        at.y += -float(y);
    }
    return at;
}

void drawPixels(Picture& picture, const RasterPosition& at, const SourcePixels& source, bool blend, bool alphaTest) {
    if (!at.valid) return;
    const std::int64_t left = nearestPixel(at.x), bottom = nearestPixel(at.y);
    for (int j = 0; j < source.height; ++j) {
        const std::int64_t y = bottom + j;
        if (y < 0 || y >= picture.height) continue;
        Pixel* const row = picture.row(pictureRow(picture, y));
        const unsigned char* texel = source.data + std::size_t(j) * source.rowLength * source.components;
        for (int i = 0; i < source.width; ++i, texel += source.components) {
            const std::int64_t x = left + i;
            if (x < 0 || x >= picture.width) continue;
            const int alpha = source.components == 4 ? texel[3] : 255;
            if (alphaTest && alpha == 0) continue;
            const Paint paint{pixelOf(texel[0], texel[1], texel[2]), alpha, blend, LogicOp::COPY};
            row[x] = paintedPixel(paint, row[x]);
        }
    }
}

void drawPicture(Picture& picture, std::int64_t x, std::int64_t y, const SourcePixels& source, bool blend) {
    // Each pixel's centre samples the texel it covers, 1/8 of a texel in from its corner.
    for (int j = 0; j < source.height; ++j) {
        const std::int64_t row = y + j;
        if (row < 0 || row >= picture.height) continue;
        Pixel* const pixels = picture.row(int(row));
        const unsigned char* texel =
            source.data + std::size_t(source.height - 1 - j) * source.rowLength * source.components;
        for (int i = 0; i < source.width; ++i, texel += source.components) {
            const std::int64_t column = x + i;
            if (column < 0 || column >= picture.width) continue;
            const int alpha = source.components == 4 ? texel[3] : 255;
            pixels[column] = paintedPixel({pixelOf(texel[0], texel[1], texel[2]), alpha, blend, LogicOp::COPY}, pixels[column]);
        }
    }
}

void copyPixels(Picture& picture, const RasterPosition& at, int x, int y, int width, int height) {
    if (!at.valid || width <= 0 || height <= 0) return;
    const std::int64_t left = nearestPixel(at.x), bottom = nearestPixel(at.y);
    // Read whole first: the source and the destination may overlap.
    std::vector<Pixel> copied(std::size_t(width) * height);
    std::vector<bool> readable(copied.size());
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            const std::int64_t sx = std::int64_t(x) + i, sy = std::int64_t(y) + j;
            if (!picture.contains(sx, pictureRow(picture, sy))) continue;
            copied[std::size_t(j) * width + i] = picture.at(int(sx), pictureRow(picture, sy));
            readable[std::size_t(j) * width + i] = true;
        }
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            const std::int64_t dx = left + i, dy = bottom + j;
            if (!readable[std::size_t(j) * width + i] || !picture.contains(dx, pictureRow(picture, dy))) continue;
            picture.row(pictureRow(picture, dy))[dx] = copied[std::size_t(j) * width + i];
        }
}

void BitmapRun::add(Picture& picture, RasterPosition& at, int width, int height, float xOrigin, float yOrigin,
                    float xAdvance, float yAdvance, const unsigned char* bits, const Paint& given) {
    if (!at.valid) return;
    if (width > 0 && height > 0) {
        const float allowance = 0.0001f;
        const std::int64_t x = std::int64_t(std::floor(at.x + allowance - xOrigin));
        const std::int64_t y = std::int64_t(std::floor(at.y + allowance - yOrigin));
        // The driver puts the new bitmap's state into effect before it draws what it gathered:
        // that is drawn in its own colour but with the new logic op and blending.
        paint.op = given.op;
        paint.blend = given.blend;
        const bool sameColor = paint.color == given.color && paint.alpha == given.alpha;
        if (!empty && (x < left || x + width > left + WIDTH || y < bottom || y + height > bottom + HEIGHT || !sameColor))
            flush(picture);
        if (empty) {
            empty = false;
            left = x;
            bottom = y - (HEIGHT - height) / 2;
            paint = given;
        }
        const int rowBytes = (width + 7) / 8;
        for (int j = 0; j < height; ++j)
            for (int i = 0; i < width; ++i)
                if (bits[j * rowBytes + i / 8] & (0x80 >> (i % 8))) set[(y - bottom + j) * WIDTH + (x - left + i)] = true;
    }
    at.x += xAdvance;
    at.y += yAdvance;
}

void BitmapRun::flush(Picture& picture) {
    if (empty) return;
    for (int j = 0; j < HEIGHT; ++j) {
        const std::int64_t y = bottom + j;
        for (int i = 0; i < WIDTH; ++i) {
            if (!set[j * WIDTH + i]) continue;
            set[j * WIDTH + i] = false;
            const std::int64_t x = left + i;
            if (y < 0 || y >= picture.height || x < 0 || x >= picture.width) continue;
            Pixel& pixel = picture.row(pictureRow(picture, y))[x];
            pixel = paintedPixel(paint, pixel);
        }
    }
    empty = true;
}

}  // namespace software
