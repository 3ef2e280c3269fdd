// Bézier clipping: halve the curve (de Casteljau) until each stretch's control points show whether
// it keeps out of the box, lies in it, or is short enough to keep. Pure, thread-agnostic.
#include "geometry/BezierClip.h"

#include <algorithm>
#include <cmath>

namespace {

// A stretch of no more grid steps than this is kept whole rather than halved again.
constexpr double SHORTEST_STRETCH = 16;
// Halving further would split t finer than double precision can tell apart.
constexpr int DEEPEST_HALVING = 52;

ViewBox boundsOf(const std::vector<CurvePoint>& points) {
    ViewBox bounds{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const CurvePoint& p : points) {
        bounds.left = std::min(bounds.left, p.x);
        bounds.right = std::max(bounds.right, p.x);
        bounds.top = std::min(bounds.top, p.y);
        bounds.bottom = std::max(bounds.bottom, p.y);
    }
    return bounds;
}

bool meets(const ViewBox& a, const ViewBox& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

bool within(const ViewBox& inner, const ViewBox& outer) {
    return outer.left <= inner.left && inner.right <= outer.right && outer.top <= inner.top &&
           inner.bottom <= outer.bottom;
}

// De Casteljau's construction: the control points of the curve before and after t. Each point is
// (1 - t) a + t b, which is a itself at t = 0 and b itself at t = 1.
void splitAt(const std::vector<CurvePoint>& points, double t, std::vector<CurvePoint>& before,
             std::vector<CurvePoint>& after) {
    const std::size_t n = points.size();
    std::vector<CurvePoint> level = points;
    before.resize(n);
    after.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        before[i] = level[0];
        after[n - 1 - i] = level[n - 1 - i];
        for (std::size_t j = 0; j + 1 < n - i; ++j)
            level[j] = {(1 - t) * level[j].x + t * level[j + 1].x, (1 - t) * level[j].y + t * level[j + 1].y};
    }
}

class Search {
public:
    Search(const ViewBox& box, int steps) : box(box), steps(steps) {}

    // The curve lies in the convex hull of its control points, and so does every chord between
    // two of its points: a stretch whose control points keep out of the box draws nothing there.
    void look(const std::vector<CurvePoint>& controls, double from, double to, int depth) {
        const ViewBox bounds = boundsOf(controls);
        if (!meets(bounds, box)) return;
        if (within(bounds, box) || (to - from) * steps <= SHORTEST_STRETCH || depth == DEEPEST_HALVING) {
            keep(from, to);
            return;
        }
        std::vector<CurvePoint> before, after;
        splitAt(controls, 0.5, before, after);
        const double middle = (from + to) / 2;
        look(before, from, middle, depth + 1);
        look(after, middle, to, depth + 1);
    }

    std::vector<GridRange> ranges;

private:
    // The grid points around the stretch, one more on each side against rounding in t * steps.
    void keep(double from, double to) {
        const int first = std::max(0, static_cast<int>(std::floor(from * steps)) - 1);
        const int last = std::min(steps, static_cast<int>(std::ceil(to * steps)) + 1);
        if (!ranges.empty() && first <= ranges.back().last)
            ranges.back().last = std::max(ranges.back().last, last);
        else
            ranges.push_back({first, last});
    }

    const ViewBox box;
    const int steps;
};

}  // namespace

std::vector<GridRange> gridRangesNear(const std::vector<CurvePoint>& controls, int steps, const ViewBox& box) {
    if (controls.size() < 2 || steps <= 0) return {};
    // A segment of the polyline is a chord over 1 / steps of t, no longer than the curve's
    // speed, at most degree times the longest side of the control polygon, over steps. A segment
    // that joins two stretches each keeping that far out of the box cannot reach it.
    double longestSide = 0;
    for (std::size_t i = 1; i < controls.size(); ++i)
        longestSide =
            std::max(longestSide, std::hypot(controls[i].x - controls[i - 1].x, controls[i].y - controls[i - 1].y));
    const double reach = (controls.size() - 1) * longestSide / steps;
    Search search({box.left - reach, box.top - reach, box.right + reach, box.bottom + reach}, steps);
    search.look(controls, 0, 1, 0);
    return search.ranges;
}

std::vector<CurvePoint> stretchOf(const std::vector<CurvePoint>& controls, double from, double to) {
    std::vector<CurvePoint> untilTo, rest, stretch;
    splitAt(controls, to, untilTo, rest);
    splitAt(untilTo, from / to, rest, stretch);
    return stretch;
}
