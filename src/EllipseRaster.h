// Circles, ellipses and wedges in whole pixels: the runs of pixels a filled one covers, row by row,
// and the points of the polygon that stands for an outline. Pure arithmetic with no GL, so it runs
// on any thread; the renderer draws each run as a rectangle and each outline as a line loop.
//
// Pixel terms. Integer coordinates lie on pixel corners: pixel (i, j) is the square from (i, j) to
// (i + 1, j + 1). A filled shape covers exactly the pixels whose centres lie inside it; no centre
// lies on the rim of an ellipse with whole radii about a corner, so no rounding rule is needed. A
// circle of radius r about (x, y) is centred on the corner point (x, y): filled, it covers columns
// x - r to x + r - 1 across its middle, as the filled rectangle from (x - r, y - r) to (x + r, y + r)
// does. An outline runs through pixel centres, as a rectangle's outline does: the outline of
// radius r about (x, y) is the circle of radius r about the centre of pixel (x, y), and it lights
// columns x - r to x + r, as the rectangle outline from (x - r, y - r) to (x + r, y + r) does.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// An ellipse with its axes along x and y: its centre and its radii (none drawn if one is 0).
struct AxisEllipse {
    std::int64_t cx, cy, rx, ry;
};

// A slice of an ellipse from its centre, between two angles in degrees: 0 straight below the
// centre, growing counterclockwise on screen, measured on the circle the ellipse is squeezed from
// (so 45 degrees lies on the diagonal of its box). It runs counterclockwise from start to end;
// equal angles make an empty slice, and ends a full turn or more past the start a whole ellipse.
// Slices that meet at an angle neither share a pixel nor leave one out between them.
struct EllipseWedge {
    EllipseWedge(const AxisEllipse& ellipse, double startDegrees, double endDegrees);

    AxisEllipse ellipse;
    double start;
    double sweep;  // from start to end, in [0, 360) unless the end lies a full turn or more past it
    double startSin, startCos, endSin, endCos;
};

// Columns first to last, both included, of one row of pixels.
struct PixelRun {
    std::int64_t row, first, last;
};

// The pixels that can be seen: columns left to right - 1, rows top to bottom - 1. Runs are cut to
// them, so a shape far larger than the window costs no more than the window.
struct PixelArea {
    std::int64_t left, top, right, bottom;
};

// The rows of area that the ellipse may cover, as [first, last + 1).
struct RowSpan {
    std::int64_t first, end;
};
RowSpan rowsOf(const AxisEllipse& ellipse, const PixelArea& area);

// The run of a row of the filled ellipse, cut to the area; false if the row has none there.
bool ellipseRun(const AxisEllipse& ellipse, std::int64_t row, const PixelArea& area, PixelRun& run);

// The runs of a row of the filled wedge, cut to the area, left first: how many (0, 1 or 2).
int wedgeRuns(const EllipseWedge& wedge, std::int64_t row, const PixelArea& area, PixelRun runs[2]);

// Calls visit(run) for every run of the filled ellipse inside area, row by row from the top.
template <typename Visit>
void forEachRun(const AxisEllipse& ellipse, const PixelArea& area, Visit visit) {
    const RowSpan rows = rowsOf(ellipse, area);
    PixelRun run{};
    for (std::int64_t row = rows.first; row < rows.end; ++row)
        if (ellipseRun(ellipse, row, area, run)) visit(run);
}

// Calls visit(run) for every run of the filled wedge inside area, row by row from the top.
template <typename Visit>
void forEachRun(const EllipseWedge& wedge, const PixelArea& area, Visit visit) {
    const RowSpan rows = rowsOf(wedge.ellipse, area);
    PixelRun runs[2];
    for (std::int64_t row = rows.first; row < rows.end; ++row) {
        const int count = wedgeRuns(wedge, row, area, runs);
        for (int i = 0; i < count; ++i) visit(runs[i]);
    }
}

// How many chords stand for a whole turn of an ellipse with the larger radius given, so that none
// strays more than an eighth of a pixel from the curve.
int chordsPerTurn(std::int64_t largerRadius);

// A corner of an outline polygon, in corner coordinates.
struct OutlinePoint {
    double x, y;
};

// The point of the outline of the ellipse at a wedge angle, and the outline's centre: the centre
// of pixel (cx, cy).
OutlinePoint outlinePoint(const AxisEllipse& ellipse, double degrees);
OutlinePoint outlineCentre(const AxisEllipse& ellipse);

// Calls visit(point) for the corners of the closed polygon that stands for the outline of the
// ellipse, in order around it, starting straight below the centre.
template <typename Visit>
void forEachOutlinePoint(const AxisEllipse& ellipse, Visit visit) {
    const int chords = chordsPerTurn(std::max(ellipse.rx, ellipse.ry));
    for (int k = 0; k < chords; ++k) visit(outlinePoint(ellipse, 360.0 * k / chords));
}

// The same for a slice: its centre, then its arc from the start angle to the end angle; a slice
// of a full turn or more is the whole ellipse, with no edges to the centre.
template <typename Visit>
void forEachOutlinePoint(const EllipseWedge& wedge, Visit visit) {
    if (wedge.sweep >= 360) return forEachOutlinePoint(wedge.ellipse, visit);
    const AxisEllipse& ellipse = wedge.ellipse;
    const double turns = wedge.sweep / 360;
    const int chords =
        std::max(1, static_cast<int>(std::ceil(chordsPerTurn(std::max(ellipse.rx, ellipse.ry)) * turns)));
    visit(outlineCentre(ellipse));
    for (int k = 0; k <= chords; ++k) visit(outlinePoint(ellipse, wedge.start + wedge.sweep * k / chords));
}
