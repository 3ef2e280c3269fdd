// Circles, ellipses and wedges in whole pixels: per row, where the ellipse's rim and the wedge's
// straight edges cross the row's line of pixel centres. Pure, thread-agnostic.
#include "geometry/EllipseRaster.h"

namespace {

// Columns first to last of a row, both included; none when first > last.
struct Columns {
    std::int64_t first, last;
};

Columns intersection(const Columns& a, const Columns& b) {
    return {std::max(a.first, b.first), std::min(a.last, b.last)};
}

// A row's columns on either side of the line through the wedge's centre at some angle: those
// whose centres lie past it (up to half a turn counterclockwise from it), and the others.
struct Sides {
    Columns past, notPast;
};

// The centre at offsets (u, v) from the ellipse's centre lies at the wedge angle p whose direction
// on the unsquashed circle, (sin p, cos p), is that of (u * ry, v * rx); it lies past the angle a
// when sin(p - a) > 0, that is when u * ry * cos a > v * rx * sin a.
Sides sidesOf(const AxisEllipse& e, double sine, double cosine, std::int64_t row, const Columns& run) {
    const double growth = e.ry * cosine;  // of the left-hand side, per column
    const double bar = (row + 0.5 - e.cy) * e.rx * sine;
    const Columns none{run.first, run.first - 1};
    if (growth == 0) return bar < 0 ? Sides{run, none} : Sides{none, run};
    // The column (as a real number) where the line crosses the row, kept near the run so that a
    // line almost along the row cannot overflow the conversion.
    const double crossing = std::min(std::max(bar / growth + e.cx - 0.5, run.first - 1.0), run.last + 1.0);
    if (growth > 0) {
        const std::int64_t firstPast = static_cast<std::int64_t>(std::floor(crossing)) + 1;
        return {{firstPast, run.last}, {run.first, firstPast - 1}};
    }
    const std::int64_t lastPast = static_cast<std::int64_t>(std::ceil(crossing)) - 1;
    return {{run.first, lastPast}, {lastPast + 1, run.last}};
}

double radians(double degrees) { return degrees * (M_PI / 180); }

}  // namespace

EllipseWedge::EllipseWedge(const AxisEllipse& ellipse, double startDegrees, double endDegrees)
    : ellipse(ellipse), start(startDegrees), sweep(endDegrees - startDegrees),
      startSin(std::sin(radians(startDegrees))), startCos(std::cos(radians(startDegrees))),
      endSin(std::sin(radians(endDegrees))), endCos(std::cos(radians(endDegrees))) {
    // Counterclockwise from the start: an end before it lies in the next turn.
    if (sweep < 0) sweep = std::fmod(sweep, 360.0);
    if (sweep < 0) sweep += 360;
}

RowSpan rowsOf(const AxisEllipse& ellipse, const PixelArea& area) {
    if (ellipse.rx <= 0 || ellipse.ry <= 0) return {0, 0};
    return {std::max(ellipse.cy - ellipse.ry, area.top), std::min(ellipse.cy + ellipse.ry, area.bottom)};
}

bool ellipseRun(const AxisEllipse& ellipse, std::int64_t row, const PixelArea& area, PixelRun& run) {
    if (ellipse.rx <= 0 || ellipse.ry <= 0) return false;
    // Doubled, the offsets of pixel centres from the centre are odd numbers: no centre lies on the rim.
    const double twiceOffset = 2.0 * (row - ellipse.cy) + 1;
    const double height = 2.0 * ellipse.ry;
    const double rest = (height - twiceOffset) * (height + twiceOffset);
    if (rest <= 0) return false;
    // The ellipse's width along the row's line of centres; the centres inside lie at odd halves
    // from the centre, out to the largest odd number of halves below half that width.
    const double width = ellipse.rx * std::sqrt(rest) / ellipse.ry;
    std::int64_t widestOdd = static_cast<std::int64_t>(std::ceil(width)) - 1;
    if (widestOdd % 2 == 0) --widestOdd;
    if (widestOdd < 1) return false;
    run = {row, std::max(ellipse.cx - (widestOdd + 1) / 2, area.left),
           std::min(ellipse.cx + (widestOdd - 1) / 2, area.right - 1)};
    return run.first <= run.last;
}

int wedgeRuns(const EllipseWedge& wedge, std::int64_t row, const PixelArea& area, PixelRun runs[2]) {
    PixelRun whole{};
    if (wedge.sweep <= 0 || !ellipseRun(wedge.ellipse, row, area, whole)) return 0;
    int count = 0;
    auto keep = [&](const Columns& columns) {
        if (columns.first <= columns.last) runs[count++] = {row, columns.first, columns.last};
    };
    const Columns run{whole.first, whole.last};
    if (wedge.sweep >= 360) {
        keep(run);
        return count;
    }
    const Sides start = sidesOf(wedge.ellipse, wedge.startSin, wedge.startCos, row, run);
    const Sides end = sidesOf(wedge.ellipse, wedge.endSin, wedge.endCos, row, run);
    if (wedge.sweep <= 180) {
        keep(intersection(intersection(run, start.past), end.notPast));
        return count;
    }
    // More than half a turn: everything but what lies both before the start and past the end.
    const Columns gap = intersection(intersection(run, start.notPast), end.past);
    if (gap.first > gap.last) {
        keep(run);
    } else {
        keep({run.first, gap.first - 1});
        keep({gap.last + 1, run.last});
    }
    return count;
}

int chordsPerTurn(std::int64_t largerRadius) {
    constexpr int FEWEST = 8;
    if (largerRadius <= 1) return FEWEST;
    // A chord spanning the angle 2a of a circle of radius r strays r (1 - cos a) = 2 r sin^2(a / 2)
    // from it; an ellipse, a squeezed circle, strays no further.
    const double largestHalfAngle = 2 * std::asin(std::sqrt(1.0 / (16.0 * largerRadius)));
    return std::max(FEWEST, static_cast<int>(std::ceil(M_PI / largestHalfAngle)));
}

OutlinePoint outlinePoint(const AxisEllipse& ellipse, double degrees) {
    const OutlinePoint centre = outlineCentre(ellipse);
    return {centre.x + ellipse.rx * std::sin(radians(degrees)), centre.y + ellipse.ry * std::cos(radians(degrees))};
}

OutlinePoint outlineCentre(const AxisEllipse& ellipse) { return {ellipse.cx + 0.5, ellipse.cy + 0.5}; }
