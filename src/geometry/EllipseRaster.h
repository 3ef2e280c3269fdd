// Circles, ellipses and wedges in whole pixels: the runs of pixels a filled one covers, row by row,
// the polygon that stands for an outline, and the chain of pixels that polygon passes through. Pure
// arithmetic with no GL, so it runs on any thread; the renderer draws each run as a rectangle and
// each outline as its chain of pixels (or, antialiased, as the polygon).
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

// Calls visit(point) for the corners of the polygon that stands for the arc of the outline from
// the start angle through sweep degrees: the arc's two ends (the second only if withEnd) and,
// between them, the ellipse's four ends wherever the arc passes them, so that its extreme pixels
// are corners, with chords spread evenly between those.
template <typename Visit>
void forEachArcPoint(const AxisEllipse& ellipse, double start, double sweep, bool withEnd, Visit visit) {
    const int chordsPerWholeTurn = chordsPerTurn(std::max(ellipse.rx, ellipse.ry));
    const double end = start + sweep;
    visit(outlinePoint(ellipse, start));
    double from = start;
    do {
        const double to = std::min(end, (std::floor(from / 90) + 1) * 90);  // the next end of the ellipse
        const int chords = std::max(1, static_cast<int>(std::ceil(chordsPerWholeTurn * (to - from) / 360)));
        for (int k = 1; k <= chords; ++k)
            if (withEnd || to < end || k < chords) visit(outlinePoint(ellipse, from + (to - from) * k / chords));
        from = to;
    } while (from < end);
}

// Calls visit(point) for the corners of the closed polygon that stands for the outline of the
// ellipse, in order around it, starting straight below the centre.
template <typename Visit>
void forEachOutlinePoint(const AxisEllipse& ellipse, Visit visit) {
    forEachArcPoint(ellipse, 0, 360, false, visit);
}

// The same for a slice: its centre, then its arc from the start angle to the end angle; a slice
// of a full turn or more is the whole ellipse, with no edges to the centre.
template <typename Visit>
void forEachOutlinePoint(const EllipseWedge& wedge, Visit visit) {
    if (wedge.sweep >= 360) return forEachOutlinePoint(wedge.ellipse, visit);
    visit(outlineCentre(wedge.ellipse));
    forEachArcPoint(wedge.ellipse, wedge.start, wedge.sweep, true, visit);
}

// Calls visit(column, row) for each pixel that a chord from a to b passes through at the middle of
// a column (or row, for a steep chord) it spans, or at an end within its end columns: one pixel
// per column, each touching the chord, each next to the one before. Only the columns (or rows)
// of area, and two more on either side, are walked.
template <typename Visit>
void forEachChordPixel(const OutlinePoint& a, const OutlinePoint& b, const PixelArea& area, Visit visit) {
    const bool byColumn = std::abs(b.x - a.x) >= std::abs(b.y - a.y);
    const double alongA = byColumn ? a.x : a.y, acrossA = byColumn ? a.y : a.x;
    const double alongB = byColumn ? b.x : b.y, acrossB = byColumn ? b.y : b.x;
    const std::int64_t low = (byColumn ? area.left : area.top) - 2, high = (byColumn ? area.right : area.bottom) + 2;
    const auto from = std::clamp(static_cast<std::int64_t>(std::floor(std::min(alongA, alongB))), low, high);
    const auto to = std::clamp(static_cast<std::int64_t>(std::floor(std::max(alongA, alongB))), low, high);
    const bool forward = alongA <= alongB;
    for (std::int64_t i = 0; i <= to - from; ++i) {
        const std::int64_t k = forward ? from + i : to - i;
        const double along = std::clamp(k + 0.5, std::min(alongA, alongB), std::max(alongA, alongB));
        const double across =
            alongA == alongB ? acrossA : acrossA + (along - alongA) * (acrossB - acrossA) / (alongB - alongA);
        const auto other = static_cast<std::int64_t>(std::floor(across));
        if (byColumn)
            visit(k, other);
        else
            visit(other, k);
    }
}

// Calls visit(column, row) for the pixels of the closed chain that the outline's polygon passes
// through, in order round it, ending on the first again: each touches the polygon, and so comes
// within an eighth of a pixel of the curve, each is next to the one before, and none repeats the
// one before. Away from the area the chain only passes through the pixels of the polygon's
// corners, so an outline far larger than the window costs little more than its part in the window.
template <typename Shape, typename Visit>
void forEachOutlinePixel(const Shape& shape, const PixelArea& area, Visit visit) {
    bool any = false;
    std::int64_t lastColumn = 0, lastRow = 0;
    auto pass = [&](std::int64_t column, std::int64_t row) {
        if (any && column == lastColumn && row == lastRow) return;
        any = true;
        lastColumn = column;
        lastRow = row;
        visit(column, row);
    };
    auto passCorner = [&](const OutlinePoint& p) {
        pass(static_cast<std::int64_t>(std::floor(p.x)), static_cast<std::int64_t>(std::floor(p.y)));
    };
    auto walk = [&](const OutlinePoint& a, const OutlinePoint& b) {
        const bool near = std::max(a.x, b.x) >= area.left - 2 && std::min(a.x, b.x) <= area.right + 2 &&
                          std::max(a.y, b.y) >= area.top - 2 && std::min(a.y, b.y) <= area.bottom + 2;
        if (near) forEachChordPixel(a, b, area, pass);
        passCorner(b);
    };
    OutlinePoint first{}, previous{};
    bool started = false;
    forEachOutlinePoint(shape, [&](const OutlinePoint& p) {
        if (started) {
            walk(previous, p);
        } else {
            first = p;
            passCorner(p);
        }
        started = true;
        previous = p;
    });
    if (started) walk(previous, first);
}
