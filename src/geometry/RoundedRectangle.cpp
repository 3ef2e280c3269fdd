// Tracing rounded rectangles: a quarter circle's steps are halved until each half is wholly clear
// of what is seen, where its ends stand for it, or one step long. Pure: runs on any thread.
#include "geometry/RoundedRectangle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// A quarter circle of the rounded rectangle, traced in steps of 90 / radius degrees.
struct Quarter {
    std::int64_t cx, cy;  // its centre
    double fromDegrees;   // where it starts, clockwise on screen
    int radius;

    PolygonPoint step(int n) const {
        const double angle = (fromDegrees + 90.0 * n / std::max(radius, 1)) * M_PI / 180.0;
        return {cx + std::lround(radius * std::cos(angle)), cy + std::lround(radius * std::sin(angle))};
    }
};

void append(std::vector<PolygonPoint>& points, const PolygonPoint& p) {
    if (points.empty() || p.x != points.back().x || p.y != points.back().y) points.push_back(p);
}

// Whether the box with corners a and b meets reach: a quarter circle runs one way in x and in y,
// so its points between two steps lie in the box of those steps' points.
bool reaches(const PolygonPoint& a, const PolygonPoint& b, const PixelArea& reach) {
    return std::max(a.x, b.x) >= reach.left && std::min(a.x, b.x) <= reach.right && std::max(a.y, b.y) >= reach.top &&
           std::min(a.y, b.y) <= reach.bottom;
}

// Appends the points of steps first + 1 to last; the caller has appended first's.
void traceSteps(const Quarter& quarter, int first, int last, const PixelArea& reach,
                std::vector<PolygonPoint>& points) {
    if (last - first > 1 && reaches(quarter.step(first), quarter.step(last), reach)) {
        const int middle = first + (last - first) / 2;
        traceSteps(quarter, first, middle, reach, points);
        traceSteps(quarter, middle, last, reach, points);
    } else {
        append(points, quarter.step(last));
    }
}

}  // namespace

std::vector<PolygonPoint> roundedRectangleCorners(int x1, int y1, int x2, int y2, int radius, const PixelArea& reach) {
    const std::int64_t left = std::min(x1, x2), right = std::max(x1, x2), top = std::min(y1, y2),
                       bottom = std::max(y1, y2);
    const int r = static_cast<int>(std::min<std::int64_t>(radius, std::min(right - left, bottom - top) / 2));
    const Quarter quarters[] = {{left + r, top + r, 180, r},
                                {right - r, top + r, 270, r},
                                {right - r, bottom - r, 0, r},
                                {left + r, bottom - r, 90, r}};
    std::vector<PolygonPoint> points;
    for (const Quarter& quarter : quarters) {
        append(points, quarter.step(0));
        if (r > 0) traceSteps(quarter, 0, r, reach, points);
    }
    if (points.front().x == points.back().x && points.front().y == points.back().y) points.pop_back();
    return points;
}
