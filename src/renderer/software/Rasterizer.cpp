// llvmpipe's rasterization rules, reproduced: its setup's fixed-point edges, line quads and plane
// equations, its draw module's stipple, antialiased-line and clipping stages, its texture filter,
// each in the driver's own arithmetic (single precision where it uses floats, 32-bit wrapping
// where its integers wrap). Built with contraction off, so that the compiler fuses no
// multiply-add the driver does not.
#include "renderer/software/Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace software {

namespace {

// The driver subtracts and scales its 32-bit integers without widening: they wrap.
std::int32_t wrappingDifference(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
std::int32_t wrappingScale(std::int32_t a) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) << SUBPIXEL_BITS);
}

// Floor of n / d for d > 0.
std::int64_t floorDivide(std::int64_t n, std::int64_t d) {
    const std::int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

// A window coordinate snapped with the pixel centre at the origin of the grid.
std::int32_t snapCentred(float value) { return snapToSubpixel(value - 0.5f); }

}  // namespace

EdgeSet edgesThrough(const std::int32_t* xs, const std::int32_t* ys, int count) {
    EdgeSet edges;
    edges.count = count;
    std::int32_t minX = xs[0], maxX = xs[0], minY = ys[0], maxY = ys[0];
    for (int i = 0; i < count; ++i) {
        const int j = (i + 1) % count;
        const std::int32_t dcdx = wrappingDifference(ys[i], ys[j]);
        const std::int32_t dcdy = wrappingDifference(xs[i], xs[j]);
        std::int64_t c = std::int64_t(dcdx) * xs[i] - std::int64_t(dcdy) * ys[i];
        // Samples exactly on an edge belong to the polygon on its left and bottom edges.
        if (dcdx < 0 || (dcdx == 0 && dcdy < 0)) ++c;
        edges.planes[i] = {c, wrappingScale(dcdx), wrappingScale(dcdy)};
        edges.cornerX[i] = xs[i];
        edges.cornerY[i] = ys[i];
        const int k = (j + 1) % count;
        const std::int64_t turn = std::int64_t(xs[j] - xs[i]) * (ys[k] - ys[j]) - std::int64_t(ys[j] - ys[i]) * (xs[k] - xs[j]);
        if (turn > 0) edges.convex = false;
        minX = std::min(minX, xs[i]);
        maxX = std::max(maxX, xs[i]);
        minY = std::min(minY, ys[i]);
        maxY = std::max(maxY, ys[i]);
    }
    edges.left = minX >> SUBPIXEL_BITS;
    edges.right = maxX >> SUBPIXEL_BITS;
    edges.top = minY >> SUBPIXEL_BITS;
    edges.bottom = maxY >> SUBPIXEL_BITS;
    return edges;
}

void spanOf(const EdgeSet& edges, std::int64_t y, std::int64_t& first, std::int64_t& last) {
    first = edges.left;
    last = edges.right;
    for (int i = 0; i < edges.count; ++i) {
        const EdgePlane& plane = edges.planes[i];
        const std::int64_t k = plane.c + plane.dy * y;  // the function at column 0
        if (plane.dx < 0) {
            first = std::max(first, floorDivide(-k, -plane.dx) + 1);
        } else if (plane.dx > 0) {
            last = std::min(last, floorDivide(k - 1, plane.dx));
        } else if (k <= 0) {
            last = first - 1;
            return;
        }
    }
}

namespace {

// Whether a line end's offsets lie inside the diamond of its pixel.
bool inDiamond(float xDiff, float yDiff) { return std::fabs(xDiff) + std::fabs(yDiff) < 0.5f; }

// The diamond-exit rule at one end of a line: an end inside its pixel's diamond is drawn at the
// start and not at the end; outside it, the line misses the diamond on one side, reaches it on
// another, or else where it crosses the pixel's middle decides.
bool endIsDrawn(bool inDiamond, bool drawnInDiamond, bool misses, bool reaches, float crossing, bool zeroCrosses) {
    if (inDiamond) return drawnInDiamond;
    if (misses) return false;
    if (reaches) return true;
    return crossing < 1.0f && (zeroCrosses ? crossing >= 0.0f : crossing > 0.0f);
}

}  // namespace

bool lineQuad(WindowPoint v1, WindowPoint v2, int width, std::int32_t xs[4], std::int32_t ys[4]) {
    const float dx = v1.x - v2.x;
    const float dy = v1.y - v2.y;
    if (dx * dx + dy * dy == 0) return false;
    auto sign = [](float f) { return f >= 0; };
    auto fraction = [](float f) { return f - std::floor(f); };
    float x1diff = v1.x - std::floor(v1.x) - 0.5f;
    float y1diff = v1.y - std::floor(v1.y) - 0.5f;
    float x2diff = v2.x - std::floor(v2.x) - 0.5f;
    float y2diff = v2.y - std::floor(v2.y) - 0.5f;
    const std::int32_t halfWidth = (width << SUBPIXEL_BITS) / 2;
    float xOffset = 0, yOffset = 0, xOffsetEnd = 0, yOffsetEnd = 0;
    bool drawStart, drawEnd;
    if (std::fabs(dx) >= std::fabs(dy)) {
        // Mostly horizontal: the ends are decided by the diamond around each end's pixel.
        const float dydx = dy / dx;
        if (y2diff == -0.5f && dy < 0.0f) y2diff = 0.5f;
        drawStart = endIsDrawn(inDiamond(x1diff, y1diff), true, sign(x1diff) == sign(-dx), sign(-y1diff) != sign(dy),
                               fraction(v1.y) + x1diff * dydx, false);
        drawEnd = endIsDrawn(inDiamond(x2diff, y2diff), false, sign(x2diff) != sign(-dx), sign(-y2diff) == sign(dy),
                             fraction(v2.y) + x2diff * dydx, false);
        // The quad's ends are moved by half a pixel where its plain ends would decide otherwise.
        if (dx < 0.0f) {
            std::swap(v1, v2);
            if ((x1diff <= 0.f) != drawStart) {
                xOffsetEnd = -x1diff - 0.5f;
                yOffsetEnd = xOffsetEnd * dydx;
            }
            if ((x2diff > 0.f) != drawEnd) {
                xOffset = -x2diff - 0.5f;
                yOffset = xOffset * dydx;
            }
        } else {
            if ((x1diff > 0.f) != drawStart) {
                xOffset = -x1diff + 0.5f;
                yOffset = xOffset * dydx;
            }
            if ((x2diff <= 0.f) != drawEnd) {
                xOffsetEnd = -x2diff + 0.5f;
                yOffsetEnd = xOffsetEnd * dydx;
            }
        }
        xs[0] = xs[3] = snapCentred(v1.x + xOffset);
        xs[1] = xs[2] = snapCentred(v2.x + xOffsetEnd);
        const std::int32_t y1 = snapCentred(v1.y + yOffset), y2 = snapCentred(v2.y + yOffsetEnd);
        ys[0] = y1 - halfWidth;
        ys[1] = y2 - halfWidth;
        ys[2] = y2 + halfWidth;
        ys[3] = y1 + halfWidth;
        return true;
    }
    // Mostly vertical.
    const float dxdy = dx / dy;
    if (x2diff == -0.5f && dx < 0.0f) x2diff = 0.5f;
    drawStart = endIsDrawn(inDiamond(x1diff, y1diff), true, sign(-y1diff) == sign(dy), sign(x1diff) != sign(-dx),
                           fraction(v1.x) + y1diff * dxdy, false);
    drawEnd = endIsDrawn(inDiamond(x2diff, y2diff), false, sign(-y2diff) != sign(dy), sign(x2diff) == sign(-dx),
                         fraction(v2.x) + y2diff * dxdy, true);
    if (dy > 0.0f) {
        std::swap(v1, v2);
        if ((y1diff >= 0.f) != drawStart) {
            yOffsetEnd = -y1diff + 0.5f;
            xOffsetEnd = yOffsetEnd * dxdy;
        }
        if ((y2diff < 0.f) != drawEnd) {
            yOffset = -y2diff + 0.5f;
            xOffset = yOffset * dxdy;
        }
    } else {
        if ((y1diff < 0.f) != drawStart) {
            yOffset = -y1diff - 0.5f;
            xOffset = yOffset * dxdy;
        }
        if ((y2diff >= 0.f) != drawEnd) {
            yOffsetEnd = -y2diff - 0.5f;
            xOffsetEnd = yOffsetEnd * dxdy;
        }
    }
    const std::int32_t x1 = snapCentred(v1.x + xOffset), x2 = snapCentred(v2.x + xOffsetEnd);
    xs[0] = x1 - halfWidth;
    xs[1] = x2 - halfWidth;
    xs[2] = x2 + halfWidth;
    xs[3] = x1 + halfWidth;
    ys[0] = ys[3] = snapCentred(v1.y + yOffset);
    ys[1] = ys[2] = snapCentred(v2.y + yOffsetEnd);
    return true;
}

namespace {

// floor(n / d) for d > 0 kept from row to row as n moves by a fixed step: a quotient and a
// remainder in [0, d), so that each row costs an addition or two instead of a division.
struct SteppedQuotient {
    std::int64_t quotient, remainder, divisor, stepQuotient, stepRemainder;

    SteppedQuotient(std::int64_t n, std::int64_t d, std::int64_t step)
        : quotient(floorDivide(n, d)), remainder(n - quotient * d), divisor(d), stepQuotient(floorDivide(step, d)),
          stepRemainder(step - stepQuotient * d) {}
    void next() {
        quotient += stepQuotient;
        remainder += stepRemainder;
        if (remainder >= divisor) {
            remainder -= divisor;
            ++quotient;
        }
    }
};

}  // namespace

void Rasterizer::fillEdges(const EdgeSet& edges, const Paint& paint) {
    forEachSpan(edges, [&](std::int64_t y, std::int64_t first, std::int64_t last) {
        paintSpan(picture, int(y), int(first), int(last), paint);
    });
}

template <typename Visit>
void Rasterizer::forEachSpan(const EdgeSet& edges, Visit visit) {
    std::int64_t top = std::max<std::int64_t>(edges.top, 0);
    std::int64_t bottom = std::min<std::int64_t>(edges.bottom, picture.height - 1);
    const std::int64_t left = std::max<std::int64_t>(edges.left, 0);
    const std::int64_t right = std::min<std::int64_t>(edges.right, picture.width - 1);
    for (int i = 0; i < edges.count; ++i) {
        const EdgePlane& plane = edges.planes[i];
        if (plane.dx != 0) continue;
        // An edge along a row bounds the rows: inside where c + dy * y > 0.
        if (plane.dy > 0)
            top = std::max(top, floorDivide(-plane.c, plane.dy) + 1);
        else if (plane.dy < 0)
            bottom = std::min(bottom, floorDivide(plane.c - 1, -plane.dy));
        else if (plane.c <= 0)
            return;
    }
    if (top > bottom || left > right) return;
    auto paintRow = [&](std::int64_t y, std::int64_t first, std::int64_t last) {
        first = std::max(first, left);
        last = std::min(last, right);
        if (first <= last) visit(y, first, last);
    };
    // Rows next to a corner meet every edge; between them, in a convex polygon, only the edge
    // crossing the rows on each side can bound them: a left one (its function grows to the right),
    // whose first column is floor(-k / -dx) + 1, and a right one, whose last is floor((k - 1) / dx).
    std::int64_t cornerRows[8];
    int corners = 0;
    for (int i = 0; i < edges.count; ++i) {
        const std::int64_t row = edges.cornerY[i] >> SUBPIXEL_BITS;
        cornerRows[corners++] = row;
        cornerRows[corners++] = row + 1;
    }
    std::sort(cornerRows, cornerRows + corners);
    std::int64_t y = top;
    int nextCorner = 0;
    while (y <= bottom) {
        while (nextCorner < corners && cornerRows[nextCorner] < y) ++nextCorner;
        if (!edges.convex || (nextCorner < corners && cornerRows[nextCorner] == y)) {
            std::int64_t first, last;
            spanOf(edges, y, first, last);
            paintRow(y, first, last);
            ++y;
            continue;
        }
        const std::int64_t end = nextCorner < corners ? std::min(cornerRows[nextCorner] - 1, bottom) : bottom;
        const std::int64_t sample = std::int64_t(y) << SUBPIXEL_BITS;
        const EdgePlane* leftEdge = nullptr;
        const EdgePlane* rightEdge = nullptr;
        for (int i = 0; i < edges.count; ++i) {
            const int j = (i + 1) % edges.count;
            const std::int64_t y0 = std::min(edges.cornerY[i], edges.cornerY[j]);
            const std::int64_t y1 = std::max(edges.cornerY[i], edges.cornerY[j]);
            if (edges.planes[i].dx == 0 || sample <= y0 || sample >= y1) continue;
            (edges.planes[i].dx < 0 ? leftEdge : rightEdge) = &edges.planes[i];
        }
        if (!leftEdge || !rightEdge) {
            y = end + 1;  // no edge crosses these rows on a side: nothing inside them
            continue;
        }
        const std::int64_t k0 = leftEdge->c + leftEdge->dy * y, k1 = rightEdge->c + rightEdge->dy * y;
        SteppedQuotient from(-k0, -leftEdge->dx, -leftEdge->dy), to(k1 - 1, rightEdge->dx, rightEdge->dy);
        for (; y <= end; ++y) {
            paintRow(y, from.quotient + 1, to.quotient);
            from.next();
            to.next();
        }
    }
}

void Rasterizer::drawPoint(const ClipPoint& p, const Paint& paint) {
    const WindowPoint w = transform.toWindow(p);
    // GL's legacy points: the pixel whose square holds the point, bottom and left sides in.
    const std::int64_t x = snapToSubpixel(w.x) >> SUBPIXEL_BITS;
    const std::int64_t y = (std::int64_t(snapToSubpixel(w.y)) - 1) >> SUBPIXEL_BITS;
    if (!picture.contains(x, y)) return;
    Pixel& pixel = picture.row(int(y))[x];
    pixel = paintedPixel(paint, pixel);
}

namespace {

// A vertex in the clipper: where the vertex code put it, in clip and in window coordinates, and
// its texture coordinates.
struct ClipperVertex {
    ClipPoint clip;
    WindowPoint window;
    float s = 0, t = 0;
};

// Which of the window's sides (right, left, bottom, top in clip terms) a vertex lies beyond by
// more than the window's own width or height: the clipper's guard band, within which the fixed
// point grid holds a triangle whole and clipping is left out.
unsigned outsideMask(const ClipPoint& p, float reach = 2.0f) {
    return unsigned(p.x > reach) | unsigned(p.x < -reach) << 1 | unsigned(p.y > reach) << 2 |
           unsigned(p.y < -reach) << 3;
}

// How far inside a side of the guard band a point lies, as the clipper's dot product with the
// side's plane gives it.
float distanceInside(const ClipPoint& p, int side) {
    switch (side) {
        case 0: return p.x * -0.5f + 1.0f;
        case 1: return p.x * 0.5f + 1.0f;
        case 2: return p.y * -0.5f + 1.0f;
        default: return p.y * 0.5f + 1.0f;
    }
}

}  // namespace

void Rasterizer::drawWindowLine(WindowPoint a, WindowPoint b, const LineStyle& style, const Paint& paint) {
    if (style.smooth) {
        drawSmoothLine(a, b, style.width, paint);
        return;
    }
    std::int32_t xs[4], ys[4];
    if (!lineQuad(a, b, style.width, xs, ys)) return;
    fillEdges(edgesThrough(xs, ys, 4), paint);
}

void Rasterizer::drawLine(const ClipPoint& a, const ClipPoint& b, const LineStyle& style, bool startsPattern,
                          const Paint& paint) {
    WindowPoint from = transform.toWindow(a), to = transform.toWindow(b);
    // A line with both ends beyond one side of the window is dropped, however wide. One with an
    // end beyond a side goes through the clipper, which cuts it where it leaves the guard band
    // and maps each such end to the window again, in its own arithmetic.
    const unsigned outsideA = outsideMask(a, 1.0f), outsideB = outsideMask(b, 1.0f);
    if (outsideA & outsideB) return;
    if (outsideA | outsideB) {
        float t0 = 0, t1 = 0;
        for (int side = 0; side < 4; ++side) {
            if (!((outsideA | outsideB) & (1u << side))) continue;
            const float d0 = distanceInside(a, side), d1 = distanceInside(b, side);
            if (std::isnan(d0) || std::isinf(d0) || std::isnan(d1) || std::isinf(d1)) return;
            if (d1 < 0.0f) t1 = std::max(t1, d1 / (d1 - d0));
            if (d0 < 0.0f) t0 = std::max(t0, d0 / (d0 - d1));
            if (t0 + t1 >= 1.0f) return;
        }
        auto between = [&](float t, const ClipPoint& out, const ClipPoint& in) {
            return transform.clippedToWindow({out.x + t * (in.x - out.x), out.y + t * (in.y - out.y)});
        };
        if (outsideA) from = between(t0, a, b);
        if (outsideB) to = between(t1, b, a);
    }
    const std::uint16_t pattern = style.pattern;
    if (pattern == 0xFFFF) {
        drawWindowLine(from, to, style, paint);
        return;
    }
    if (startsPattern) patternStep = 0;
    // The dashes, each drawn as a line of its own between points of this one: a step of the
    // pattern per pixel along the longer axis, or along the line itself when it is smooth.
    float length;
    if (style.smooth) {
        const float dx = to.x - from.x, dy = to.y - from.y;
        length = std::sqrt(dx * dx + dy * dy);
    } else {
        const float dx = from.x > to.x ? from.x - to.x : to.x - from.x;
        const float dy = from.y > to.y ? from.y - to.y : to.y - from.y;
        length = dx > dy ? dx : dy;
    }
    const float steps = std::ceil(length);
    const std::int32_t count = std::isfinite(length) && steps < 2147483648.0f ? std::int32_t(steps) : INT32_MIN;
    auto pointAt = [&](float t) {
        return WindowPoint{from.x + t * (to.x - from.x), from.y + t * (to.y - from.y)};
    };
    auto dash = [&](float t0, float t1) {
        drawWindowLine(t0 > 0.0f ? pointAt(t0) : from, t1 < 1.0f ? pointAt(t1) : to, style, paint);
    };
    float start = 0;
    bool on = false;
    for (std::int32_t i = 0; i < count; ++i) {
        const bool bit = (pattern >> ((patternStep + i) & 15)) & 1;
        if (bit == on) continue;
        if (on) {
            if (start != float(i)) dash(start / length, float(i) / length);
        } else {
            start = float(i);
        }
        on = bit;
    }
    if (on && start < length) dash(start / length, 1.0f);
    patternStep = int(std::uint32_t(patternStep) + std::uint32_t(count));
}

void Rasterizer::drawLines(const std::vector<ClipPoint>& points, const LineStyle& style, const Paint& paint) {
    for (std::size_t i = 0; i + 1 < points.size(); i += 2) drawLine(points[i], points[i + 1], style, true, paint);
}

void Rasterizer::drawLineStrip(const std::vector<ClipPoint>& points, bool closed, const LineStyle& style,
                               const Paint& paint) {
    if (points.size() < 2) return;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) drawLine(points[i], points[i + 1], style, i == 0, paint);
    if (closed) drawLine(points.back(), points.front(), style, false, paint);
}

namespace {

// Snaps a triangle's corners to the grid in the order the setup takes them: the first two
// swapped (swapped set) where they go round the wrong way. False for a triangle of no area,
// which draws nothing.
bool snapTriangle(const WindowPoint corners[3], std::int32_t xs[3], std::int32_t ys[3], bool& swapped) {
    for (int k = 0; k < 3; ++k) {
        xs[k] = snapCentred(corners[k].x);
        ys[k] = snapCentred(corners[k].y);
    }
    const std::int64_t area = std::int64_t(wrappingDifference(xs[0], xs[1])) * wrappingDifference(ys[2], ys[0]) -
                              std::int64_t(wrappingDifference(xs[2], xs[0])) * wrappingDifference(ys[0], ys[1]);
    swapped = area < 0;
    if (swapped) {
        std::swap(xs[0], xs[1]);
        std::swap(ys[0], ys[1]);
    }
    return area != 0;
}

}  // namespace

void Rasterizer::fillWindowTriangle(const WindowPoint& a, const WindowPoint& b, const WindowPoint& c,
                                    const Paint& paint) {
    const WindowPoint corners[3] = {a, b, c};
    std::int32_t xs[3], ys[3];
    bool swapped;
    if (snapTriangle(corners, xs, ys, swapped)) fillEdges(edgesThrough(xs, ys, 3), paint);
}

namespace {

// The polygon left of triangle a b c once cut by each side of the guard band that a corner lies
// beyond, in turn, as the draw module's clipper cuts it; empty when all of it lies beyond one.
std::vector<ClipperVertex> clipped(const VertexTransform& transform, const ClipperVertex& a, const ClipperVertex& b,
                                   const ClipperVertex& c) {
    const unsigned outside[3] = {outsideMask(a.clip), outsideMask(b.clip), outsideMask(c.clip)};
    const unsigned anyOutside = outside[0] | outside[1] | outside[2];
    if (outside[0] & outside[1] & outside[2]) return {};
    std::vector<ClipperVertex> polygon = {a, b, c};
    std::vector<ClipperVertex> cut;
    auto between = [&](float t, const ClipperVertex& out, const ClipperVertex& in) {
        const ClipPoint p{out.clip.x + t * (in.clip.x - out.clip.x), out.clip.y + t * (in.clip.y - out.clip.y)};
        return ClipperVertex{p, transform.clippedToWindow(p), out.s + t * (in.s - out.s), out.t + t * (in.t - out.t)};
    };
    for (int side = 0; side < 4 && polygon.size() >= 3; ++side) {
        if (!(anyOutside & (1u << side))) continue;
        cut.clear();
        const ClipperVertex* previous = &polygon[0];
        float previousDistance = distanceInside(previous->clip, side);
        if (std::isnan(previousDistance) || std::isinf(previousDistance)) return {};
        for (std::size_t i = 1; i <= polygon.size(); ++i) {
            const ClipperVertex& vertex = polygon[i % polygon.size()];
            const float distance = distanceInside(vertex.clip, side);
            if (std::isnan(distance) || std::isinf(distance)) return {};
            bool crosses;
            if (previousDistance >= 0.0f) {
                cut.push_back(*previous);
                crosses = distance < 0.0f;
            } else {
                crosses = !(distance < 0.0f);
            }
            if (crosses) {
                if (distance < 0.0f)
                    cut.push_back(between(distance / (distance - previousDistance), vertex, *previous));
                else
                    cut.push_back(between(previousDistance / (previousDistance - distance), *previous, vertex));
            }
            previous = &vertex;
            previousDistance = distance;
        }
        polygon.swap(cut);
    }
    return polygon;
}

}  // namespace

void Rasterizer::fillTriangle(const ClipPoint& a, const ClipPoint& b, const ClipPoint& c, const Paint& paint) {
    if ((outsideMask(a) | outsideMask(b) | outsideMask(c)) == 0) {
        fillWindowTriangle(transform.toWindow(a), transform.toWindow(b), transform.toWindow(c), paint);
        return;
    }
    const std::vector<ClipperVertex> polygon =
        clipped(transform, {a, transform.toWindow(a)}, {b, transform.toWindow(b)}, {c, transform.toWindow(c)});
    for (std::size_t i = 2; i < polygon.size(); ++i)
        fillWindowTriangle(polygon[i - 1].window, polygon[i].window, polygon[0].window, paint);
}

namespace {

// A texture coordinate's plane over the window, as llvmpipe's setup computes it: its value at
// the centre of pixel (0, 0) and its steps a pixel right and down.
struct AttributePlane {
    float a0, dadx, dady;
};

// The texel at (x, y) of the texture, clamped to its edges.
const unsigned char* texelAt(const Texture& texture, std::int32_t x, std::int32_t y) {
    x = std::clamp(x, 0, texture.width - 1);
    y = std::clamp(y, 0, texture.height - 1);
    return texture.texels.data() + (std::size_t(y) * texture.width + x) * texture.components;
}

// v0 + (v1 - v0) * weight / 256, the weight in 0..255, as the driver's 8-bit lerp rounds it.
int lerp8(int weight, int v0, int v1) { return v0 + ((weight * (v1 - v0) + 128) >> 8); }

// A coordinate in texels with 8 bits of fraction, rounded, half a texel back: its whole part and
// its weight.
void splitCoordinate(float coordinate, int size, std::int32_t& whole, int& weight) {
    const float scaled = coordinate * float(size << 8);
    const std::int32_t fixed =
        (scaled >= -2147483648.0f && scaled < 2147483648.0f) ? std::int32_t(std::nearbyint(scaled)) - 128 : INT32_MIN;
    whole = fixed >> 8;
    weight = fixed & 255;
}

}  // namespace

void Rasterizer::fillTexturedTriangle(const TexturedPoint& a, const TexturedPoint& b, const TexturedPoint& c,
                                      const Texture& texture, bool blend) {
    auto vertex = [&](const TexturedPoint& p) {
        return ClipperVertex{p.position, transform.toWindow(p.position), p.s, p.t};
    };
    std::vector<ClipperVertex> polygon;
    if ((outsideMask(a.position) | outsideMask(b.position) | outsideMask(c.position)) == 0)
        polygon = {vertex(a), vertex(b), vertex(c)};
    else
        polygon = clipped(transform, vertex(a), vertex(b), vertex(c));
    for (std::size_t i = 2; i < polygon.size(); ++i) {
        auto corner = [](const ClipperVertex& v) { return ShadedCorner{v.window, v.s, v.t}; };
        shadeWindowTriangle(corner(polygon[i - 1]), corner(polygon[i]), corner(polygon[0]),
                            [&](Pixel& pixel, float s, float t) {
                                std::int32_t x0, y0;
                                int sWeight, tWeight;
                                splitCoordinate(s, texture.width, x0, sWeight);
                                splitCoordinate(t, texture.height, y0, tWeight);
                                const unsigned char* c00 = texelAt(texture, x0, y0);
                                const unsigned char* c10 = texelAt(texture, x0 + 1, y0);
                                const unsigned char* c01 = texelAt(texture, x0, y0 + 1);
                                const unsigned char* c11 = texelAt(texture, x0 + 1, y0 + 1);
                                int channel[4] = {0, 0, 0, 255};
                                for (int k = 0; k < texture.components; ++k)
                                    channel[k] = lerp8(tWeight, lerp8(sWeight, c00[k], c10[k]),
                                                       lerp8(sWeight, c01[k], c11[k]));
                                pixel = paintedPixel(
                                    {pixelOf(channel[0], channel[1], channel[2]), channel[3], blend, LogicOp::COPY}, pixel);
                            });
    }
}

template <typename Shade>
void Rasterizer::shadeWindowTriangle(ShadedCorner a, ShadedCorner b, ShadedCorner c, Shade shade) {
    ShadedCorner v[3] = {a, b, c};
    const WindowPoint corners[3] = {a.window, b.window, c.window};
    std::int32_t xs[3], ys[3];
    bool swapped;
    if (!snapTriangle(corners, xs, ys, swapped)) return;
    if (swapped) std::swap(v[0], v[1]);
    // The setup's plane equations, from the first corner, in single precision.
    const float x0 = v[0].window.x - 0.5f, y0 = v[0].window.y - 0.5f;
    const float dx01 = v[0].window.x - v[1].window.x, dy01 = v[0].window.y - v[1].window.y;
    const float dx20 = v[2].window.x - v[0].window.x, dy20 = v[2].window.y - v[0].window.y;
    const float ooa = 1.0f / (dx01 * dy20 - dy01 * dx20);
    const float dx20o = dx20 * ooa, dy20o = dy20 * ooa, dx01o = dx01 * ooa, dy01o = dy01 * ooa;
    auto planeOf = [&](float a0, float a1, float a2) {
        const float da01 = a0 - a1, da20 = a2 - a0;
        const float dadx = da01 * dy20o - da20 * dy01o;
        const float dady = da20 * dx01o - da01 * dx20o;
        return AttributePlane{a0 - (dadx * x0 + dady * y0), dadx, dady};
    };
    const AttributePlane first = planeOf(v[0].first, v[1].first, v[2].first);
    const AttributePlane second = planeOf(v[0].second, v[1].second, v[2].second);
    forEachSpan(edgesThrough(xs, ys, 3), [&](std::int64_t y, std::int64_t left, std::int64_t right) {
        Pixel* const row = picture.row(int(y));
        for (std::int64_t x = left; x <= right; ++x) {
            // Each attribute from its plane at the pixel, by the fragment code's multiply-adds.
            shade(row[x], std::fma(first.dady, float(y), std::fma(first.dadx, float(x), first.a0)),
                  std::fma(second.dady, float(y), std::fma(second.dadx, float(x), second.a0)));
        }
    });
}

void Rasterizer::drawSmoothLine(WindowPoint a, WindowPoint b, int width, const Paint& paint) {
    // The draw module's quad: half a pixel longer at each end, and a pixel wider than the line
    // (two for a line one pixel wide), with the distances from the line's middle as attributes.
    const float halfWidth = width <= 1 ? 1.0f : 0.5f * float(width) + 0.5f;
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float length = std::sqrt(dx * dx + dy * dy);
    const float cosine = dx / length, sine = dy / length;
    const float halfLength = 0.5f * length + 0.5f;
    const float along = 0.5f, across = halfWidth;
    auto moved = [](WindowPoint p, float x, float y) { return WindowPoint{p.x + x, p.y + y}; };
    const ShadedCorner corners[4] = {
        {moved(a, -along * cosine - across * sine, -along * sine + across * cosine), -halfWidth, -halfLength},
        {moved(a, -along * cosine - -across * sine, -along * sine + -across * cosine), halfWidth, -halfLength},
        {moved(b, along * cosine - across * sine, along * sine + across * cosine), -halfWidth, halfLength},
        {moved(b, along * cosine - -across * sine, along * sine + -across * cosine), halfWidth, halfLength}};
    const float alpha = float(paint.alpha) / 255.0f;
    auto shade = [&](Pixel& pixel, float acrossDistance, float alongDistance) {
        const float coverage = std::clamp(halfWidth - std::fabs(acrossDistance), 0.0f, 1.0f) *
                               std::clamp(halfLength - std::fabs(alongDistance), 0.0f, 1.0f);
        const int covered = int(std::nearbyint(alpha * coverage * 255.0f));
        pixel = paintedPixel({paint.color, covered, true, LogicOp::COPY}, pixel);
    };
    shadeWindowTriangle(corners[2], corners[1], corners[0], shade);
    shadeWindowTriangle(corners[3], corners[1], corners[2], shade);
}

void Rasterizer::fillTexturedQuad(const TexturedPoint& a, const TexturedPoint& b, const TexturedPoint& c,
                                  const TexturedPoint& d, const Texture& texture, bool blend) {
    fillTexturedTriangle(a, b, d, texture, blend);
    fillTexturedTriangle(b, c, d, texture, blend);
}

void Rasterizer::fillQuad(const ClipPoint& a, const ClipPoint& b, const ClipPoint& c, const ClipPoint& d,
                          const Paint& paint) {
    fillTriangle(a, b, d, paint);
    fillTriangle(b, c, d, paint);
}

void Rasterizer::fillRectangle(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                               const Paint& paint) {
    const std::int64_t first = std::max<std::int64_t>(std::min(left, right), 0);
    const std::int64_t last = std::min<std::int64_t>(std::max(left, right), picture.width) - 1;
    const std::int64_t firstRow = std::max<std::int64_t>(std::min(top, bottom), 0);
    const std::int64_t endRow = std::min<std::int64_t>(std::max(top, bottom), picture.height);
    if (first > last) return;
    for (std::int64_t y = firstRow; y < endRow; ++y) paintSpan(picture, int(y), int(first), int(last), paint);
}

}  // namespace software
