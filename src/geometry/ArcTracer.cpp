// Arc tracing: the midpoint points of one quarter of an ellipse, mirrored into four passes around
// the centre and filtered by the start and end angles. Pure, thread-agnostic.
#include "geometry/ArcTracer.h"

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

// The midpoint trace of the ellipse with radii ru across and rv along the axis it starts on,
// from (0, rv) while the curve falls less steeply than 45 degrees: one step across per point.
std::vector<ArcPoint> traceRegionFromAxis(int ru, int rv) {
    const std::int64_t a = std::int64_t{ru} * ru;
    const std::int64_t b = std::int64_t{rv} * rv;
    int u = 0;
    int v = rv;
    std::int64_t pu = 0;
    std::int64_t pv = 2 * a * rv;
    std::int64_t p = a / 4 - a * rv;
    std::vector<ArcPoint> points{{u, v}};
    do {
        p += pu + b;
        if (p >= 0) {
            pv -= 2 * a;
            --v;
            p -= pv;
        }
        pu += 2 * b;
        ++u;
        points.push_back({u, v});
    } while (pu < pv);
    return points;
}

}  // namespace

std::vector<ArcPoint> traceQuarter(int rx, int ry) {
    std::vector<ArcPoint> points = traceRegionFromAxis(rx, ry);
    // The flat region is the steep one of the ellipse with its axes swapped, traced from the right
    // end: swap its points back and append them from the meeting point on.
    const std::vector<ArcPoint> flat = traceRegionFromAxis(ry, rx);
    for (auto p = flat.rbegin(); p != flat.rend(); ++p) points.push_back({p->y, p->x});
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
