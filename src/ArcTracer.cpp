// Arc tracing: the midpoint points of one quarter of an ellipse, mirrored into four passes around
// the centre and filtered by the start and end angles. Pure, thread-agnostic.
#include "ArcTracer.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

// An arc starts within the first turn and ends within the next, so two turns always suffice.
constexpr int MAXIMUM_PASSES = 8;

// The angle in [0, 360) measured from the top of the ellipse, counterclockwise on screen, of an
// angle that arrives as degrees times 1024 measured from the right.
double angleFromTop(int encoded) {
    double angle = std::fmod(encoded * (1.0 / 1024) - 90, 360);
    if (angle < 0) angle += 360;
    return angle;
}

// Single precision and a short pi on purpose: where points sit exactly on a boundary, this
// rounding decides which of them the arc includes.
float tangentOf(double angle) {
    return static_cast<float>(std::tan(static_cast<float>(angle) * 3.1415926 / 180));
}

int quarterOf(double angle, int otherwise) {
    for (int quarter = 0; quarter < 4; ++quarter) {
        if (quarter * 90 <= angle && angle < (quarter + 1) * 90) return quarter;
    }
    return otherwise;
}

// Whether the point's direction, measured like angleFromTop, lies beyond the angle whose tangent
// is given. Passes 0 and 2 compare with the horizontal offset, 1 and 3 with the vertical one.
bool isBeyond(int pass, const ArcPoint& p, float tangent) {
    const float x = static_cast<float>(p.x);
    const float y = static_cast<float>(p.y);
    switch (pass) {
    case 1: return -y * tangent > x;
    case 3: return -x > y * tangent;
    default: return x > y * tangent;
    }
}

// Angles where the tangent test cannot work: the top and bottom exactly, and a one-degree band
// around the left and right, checked on entering a pass.
bool isOnBoundaryBefore(int pass, double angle) {
    switch (pass) {
    case 0: return angle == 0;
    case 1: return 89 < angle && angle < 91;
    case 2: return angle == 180;
    default: return 269 < angle && angle < 271;
    }
}

// The screen point of an offset in the quarter that a pass covers: top-left, bottom-left,
// bottom-right, top-right.
ArcPoint placeInPass(int pass, const ArcPoint& offset, int cx, int cy) {
    const int x = pass < 2 ? cx - offset.x : cx + offset.x;
    const int y = pass == 0 || pass == 3 ? cy - offset.y : cy + offset.y;
    return {x, y};
}

}  // namespace

std::vector<ArcPoint> traceQuarter(int rx, int ry) {
    const std::int64_t a = std::int64_t{rx} * rx;
    const std::int64_t b = std::int64_t{ry} * ry;
    std::vector<ArcPoint> points;

    // The steep region from the top, one column per step, until the slope passes -1.
    int x = 0;
    int y = ry;
    std::int64_t px = 0;
    std::int64_t py = 2 * a * ry;
    std::int64_t p = a / 4 - a * ry;
    points.push_back({x, y});
    do {
        p += px + b;
        if (p >= 0) {
            py -= 2 * a;
            --y;
            p -= py;
        }
        px += 2 * b;
        ++x;
        points.push_back({x, y});
    } while (px < py);

    // The flat region from the right end, one row per step, appended in reverse.
    std::vector<ArcPoint> fromRight;
    x = rx;
    y = 0;
    std::int64_t qy = 0;
    std::int64_t qx = 2 * b * rx;
    p = b / 4 - b * rx;
    fromRight.push_back({x, y});
    do {
        p += a + qy;
        if (p >= 0) {
            qx -= 2 * b;
            --x;
            p -= qx;
        }
        qy += 2 * a;
        ++y;
        fromRight.push_back({x, y});
    } while (qx > qy);

    points.insert(points.end(), fromRight.rbegin(), fromRight.rend());
    return points;
}

std::vector<ArcPoint> traceArc(int x1, int y1, int x2, int y2, int a, int b) {
    const std::int64_t cx = (std::int64_t{x1} + x2) / 2;
    const std::int64_t cy = (std::int64_t{y1} + y2) / 2;
    const std::int64_t rx = std::llabs(cx - x1);
    const std::int64_t ry = std::llabs(cy - y1);
    std::vector<ArcPoint> vertices;
    if (rx > LARGEST_ARC_RADIUS || ry > LARGEST_ARC_RADIUS) return vertices;

    const std::vector<ArcPoint> quarter = traceQuarter(static_cast<int>(rx), static_cast<int>(ry));
    const double start = angleFromTop(a);
    const double end = angleFromTop(b);
    const float startTangent = tangentOf(start);
    const float endTangent = tangentOf(end);
    const int startQuarter = quarterOf(start, 0);
    const int endQuarter = quarterOf(end, 3);

    bool drawing = false;
    bool done = false;
    auto checkBoundaryBefore = [&](int pass) {
        if (!done && isOnBoundaryBefore(pass, start)) drawing = true;
        if (drawing && isOnBoundaryBefore(pass, end)) {
            drawing = false;
            done = true;
        }
    };

    checkBoundaryBefore(0);
    for (int passCount = 0; passCount < MAXIMUM_PASSES && !done; ++passCount) {
        const int pass = passCount % 4;
        const bool forward = pass % 2 == 0;
        for (std::size_t i = 0; i < quarter.size(); ++i) {
            const ArcPoint& offset = quarter[forward ? i : quarter.size() - 1 - i];
            if (pass == startQuarter && !done && isBeyond(pass, offset, startTangent)) drawing = true;
            if (drawing) vertices.push_back(placeInPass(pass, offset, static_cast<int>(cx), static_cast<int>(cy)));
            if (pass == endQuarter && drawing && isBeyond(pass, offset, endTangent)) {
                drawing = false;
                done = true;
            }
        }
        checkBoundaryBefore((pass + 1) % 4);
    }
    return vertices;
}
