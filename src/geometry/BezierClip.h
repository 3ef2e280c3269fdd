// Which stretches of a Bézier curve can show in a window, so that drawing a curve costs what its
// visible part costs however far its control points lie. Pure arithmetic with no GL, so it runs
// on any thread; the renderer evaluates only the stretches found.
#pragma once

#include <vector>

struct CurvePoint {
    double x, y;
};

// A box of the plane: x from left to right, y from top to bottom.
struct ViewBox {
    double left, top, right, bottom;
};

// Points first to last, both included, of the grid a curve is evaluated on.
struct GridRange {
    int first, last;
};

// The curve with these control points, one Bézier segment of degree n - 1, drawn as the polyline
// through its points at t = k / steps for k from 0 to steps. Returns, in order and apart, ranges
// of k that hold every segment of that polyline meeting the box. A stretch of curve that keeps out
// of the box is recognised from its control points after a few dozen halvings at most, however
// long it is; what the ranges hold beyond the segments meeting the box is a few dozen points.
std::vector<GridRange> gridRangesNear(const std::vector<CurvePoint>& controls, int steps, const ViewBox& box);

// The control points of the stretch of the curve from t = from to t = to (0 <= from < to <= 1):
// the curve of the same degree whose point at s is the whole curve's point at from + s (to - from).
std::vector<CurvePoint> stretchOf(const std::vector<CurvePoint>& controls, double from, double to);
