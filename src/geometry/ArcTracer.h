// Arc tracing for arcs and chords: the integer points of an axis-aligned ellipse, walked
// counterclockwise on screen from a start angle to an end angle. Pure arithmetic with no GL, so
// it runs on any thread; the renderer turns the points into vertices.
#pragma once

#include <vector>

struct ArcPoint {
    int x;
    int y;
    bool operator==(const ArcPoint& other) const { return x == other.x && y == other.y; }
    bool operator!=(const ArcPoint& other) const { return !(*this == other); }
};

// Radii above this (a million pixels, far beyond any screen) are not traced: their points
// would not fit in memory nor their decision values in 64 bits.
constexpr int LARGEST_ARC_RADIUS = 1 << 20;

// One quarter of the ellipse with radii rx and ry, as offsets (x, y >= 0) from its centre,
// running from (0, ry) to (rx, 0). Traced by the midpoint algorithm in two regions, steep and
// flat; the point where they meet may appear twice.
std::vector<ArcPoint> traceQuarter(int rx, int ry);

// The vertices of the arc of the ellipse inside the box with corners (x1, y1) and (x2, y2), from
// angle a to angle b (degrees times 1024; 0 is right of the centre, 90 above it), counterclockwise
// on screen, in drawing order. The first vertex is the first point beyond the start angle and the
// last the first point beyond the end angle; when the end lies before the start in the same
// quarter the arc is that single point. Starts and ends within one degree of the leftmost or
// rightmost point snap to it; points where two quarters meet appear twice. The walk stops after
// two full turns at the latest, which only a degenerate box (no width or no height) can reach:
// the vertices met by then are returned. Empty for radii above LARGEST_ARC_RADIUS.
std::vector<ArcPoint> traceArc(int x1, int y1, int x2, int y2, int a, int b);
