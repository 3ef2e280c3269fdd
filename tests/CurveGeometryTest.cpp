// The geometry behind the curved primitives and polygons, without a display: which pixels filled
// ellipses, wedges and polygons cover, the polygons that stand for outlines, which polygons are
// convex or cross themselves, which stretches of a Bézier curve can reach the window, and which
// corners of a rounded rectangle are traced.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "geometry/BezierClip.h"
#include "geometry/EllipseRaster.h"
#include "geometry/PolygonRaster.h"
#include "geometry/RoundedRectangle.h"

namespace {

using Pixel = std::pair<std::int64_t, std::int64_t>;
using Pixels = std::set<Pixel>;

const PixelArea SCREEN{0, 0, 1920, 1080};

// Whether the centre of pixel (i, j) lies inside the ellipse: exact, in whole numbers.
bool centreInside(const AxisEllipse& e, std::int64_t i, std::int64_t j) {
    const __int128 u = 2 * (i - e.cx) + 1, v = 2 * (j - e.cy) + 1;  // twice the centre's offsets
    const __int128 a = e.rx, b = e.ry;
    return u * u * b * b + v * v * a * a < 4 * a * a * b * b;
}

// The wedge angle of the centre of pixel (i, j): 0 straight below the centre, counterclockwise on
// screen, on the circle the ellipse is squeezed from.
double wedgeAngleOf(const AxisEllipse& e, std::int64_t i, std::int64_t j) {
    const double degrees = std::atan2((i + 0.5 - e.cx) / e.rx, (j + 0.5 - e.cy) / e.ry) * 180 / M_PI;
    return degrees < 0 ? degrees + 360 : degrees;
}

Pixels idealFill(const AxisEllipse& e, const PixelArea& area = SCREEN) {
    Pixels inside;
    for (std::int64_t j = std::max(area.top, e.cy - e.ry); j < std::min(area.bottom, e.cy + e.ry); ++j)
        for (std::int64_t i = std::max(area.left, e.cx - e.rx); i < std::min(area.right, e.cx + e.rx); ++i)
            if (centreInside(e, i, j)) inside.insert({i, j});
    return inside;
}

// The pixels of the runs, checking on the way that no pixel comes twice.
template <typename Shape>
Pixels covered(const Shape& shape, const PixelArea& area = SCREEN) {
    Pixels pixels;
    forEachRun(shape, area, [&](const PixelRun& run) {
        for (std::int64_t i = run.first; i <= run.last; ++i)
            EXPECT_TRUE(pixels.insert({i, run.row}).second) << "(" << i << ", " << run.row << ") twice";
    });
    return pixels;
}

}  // namespace

TEST(EllipseRuns, CircleOfRadiusOneIsTheFourPixelsAroundItsCentre) {
    const Pixels expected{{9, 19}, {10, 19}, {9, 20}, {10, 20}};
    EXPECT_EQ(covered(AxisEllipse{10, 20, 1, 1}), expected);
}

TEST(EllipseRuns, CirclesCoverExactlyThePixelsWhoseCentresLieInside) {
    for (int r = 1; r <= 64; ++r) EXPECT_EQ(covered(AxisEllipse{500, 400, r, r}), idealFill({500, 400, r, r})) << r;
}

TEST(EllipseRuns, EllipsesCoverExactlyThePixelsWhoseCentresLieInside) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> radius(1, 120);
    for (int n = 0; n < 80; ++n) {
        const AxisEllipse e{400, 300, radius(random), radius(random)};
        EXPECT_EQ(covered(e), idealFill(e)) << "radii " << e.rx << ", " << e.ry;
    }
}

TEST(EllipseRuns, EllipseWithAZeroRadiusCoversNothing) {
    EXPECT_TRUE(covered(AxisEllipse{50, 50, 0, 30}).empty());
    EXPECT_TRUE(covered(AxisEllipse{50, 50, 30, 0}).empty());
}

TEST(EllipseRuns, RunsAreCutToTheArea) {
    const PixelArea area{10, 20, 60, 50};
    const AxisEllipse e{15, 25, 40, 30};
    EXPECT_EQ(covered(e, area), idealFill(e, area));
}

TEST(EllipseRuns, HugeCircleCostsOnlyTheRowsOfTheArea) {
    // A circle of the largest radius a command carries, centred far off: the area lies inside it.
    const AxisEllipse e{-5, -7, 2147483647, 2147483647};
    const PixelArea area{0, 0, 300, 200};
    int visits = 0;
    forEachRun(e, area, [&](const PixelRun& run) {
        ++visits;
        EXPECT_EQ(run.first, 0);
        EXPECT_EQ(run.last, 299);
    });
    EXPECT_EQ(visits, 200);
}

TEST(EllipseRuns, RimOfAHugeCircleStaysExact) {
    const AxisEllipse e{150, 1000000 + 60, 1000000, 1000000};
    const PixelArea area{0, 0, 300, 200};
    EXPECT_EQ(covered(e, area), idealFill(e, area));
}

TEST(WedgeRuns, WedgesCoverThePixelsBetweenTheirEdges) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> radius(1, 60);
    std::uniform_real_distribution<double> angle(-400, 400);
    for (int n = 0; n < 400; ++n) {
        const AxisEllipse e{200, 200, radius(random), radius(random)};
        const double start = angle(random), end = angle(random);
        const EllipseWedge wedge(e, start, end);
        double sweep = end - start;
        while (sweep < 0) sweep += 360;
        Pixels expected;
        for (const Pixel& p : idealFill(e)) {
            const double offset = std::fmod(wedgeAngleOf(e, p.first, p.second) - start + 3600, 360);
            if (sweep >= 360 || offset < sweep) expected.insert(p);
        }
        EXPECT_EQ(covered(wedge), expected) << "radii " << e.rx << ", " << e.ry << " from " << start << " to " << end;
    }
}

TEST(WedgeRuns, SlicesMeetingAtTheSameAnglesCoverTheEllipseOnce) {
    // Pixel centres on the diagonals of a circle lie exactly on the edges at 45, 135, ... degrees.
    std::mt19937 random(13);
    std::uniform_real_distribution<double> cut(0, 360);
    for (int n = 0; n < 40; ++n) {
        const AxisEllipse e{100, 100, 1 + n, n % 2 ? 1 + n : 40 - n / 2};
        std::vector<double> cuts{0, 45, 90, 135, 180, 225, 270, 315};
        if (n >= 20) cuts = {cut(random), cut(random), cut(random)};
        std::sort(cuts.begin(), cuts.end());
        std::map<Pixel, int> coverings;
        for (std::size_t k = 0; k < cuts.size(); ++k)
            for (const Pixel& p : covered(EllipseWedge(e, cuts[k], cuts[(k + 1) % cuts.size()]))) ++coverings[p];
        for (const Pixel& p : idealFill(e)) EXPECT_EQ(coverings[p], 1) << "(" << p.first << ", " << p.second << ")";
        EXPECT_EQ(coverings.size(), idealFill(e).size());
    }
}

TEST(WedgeRuns, SweepFollowsTheCounterclockwiseTurn) {
    const AxisEllipse e{0, 0, 10, 10};
    EXPECT_DOUBLE_EQ(EllipseWedge(e, 350, 10).sweep, 20);
    EXPECT_DOUBLE_EQ(EllipseWedge(e, 90, 0).sweep, 270);
    EXPECT_DOUBLE_EQ(EllipseWedge(e, 30, 30).sweep, 0);
    EXPECT_TRUE(covered(EllipseWedge(e, 30, 30)).empty());
    EXPECT_EQ(covered(EllipseWedge(e, 10, 370)), idealFill(e));
}

TEST(OutlinePolygon, ChordsKeepWithinAnEighthOfAPixelOfTheCurve) {
    // A chord over the angle 2a of a circle of radius r strays r (1 - cos a) = 2 r sin^2(a / 2).
    auto stray = [](std::int64_t r, int chords) { return 2 * r * std::pow(std::sin(M_PI / chords / 2), 2); };
    EXPECT_LE(stray(1, chordsPerTurn(1)), 0.125);
    for (std::int64_t r : {2, 3, 5, 8, 40, 1000, 123456, 2147483647}) {
        const int chords = chordsPerTurn(r);
        EXPECT_LE(stray(r, chords), 0.125) << r;
        EXPECT_GT(stray(r, chords - 1), 0.125) << r << ": one chord fewer would do";
    }
}

namespace {

template <typename Shape>
std::vector<OutlinePoint> outlineOf(const Shape& shape) {
    std::vector<OutlinePoint> points;
    forEachOutlinePoint(shape, [&](const OutlinePoint& p) { points.push_back(p); });
    return points;
}

bool hasCorner(const std::vector<OutlinePoint>& points, double x, double y) {
    for (const OutlinePoint& p : points)
        if (std::abs(p.x - x) < 1e-9 && std::abs(p.y - y) < 1e-9) return true;
    return false;
}

}  // namespace

TEST(OutlinePolygon, EllipseOutlineRunsRoundTheCentreOfItsCentrePixelThroughItsFourEnds) {
    const std::vector<OutlinePoint> points = outlineOf(AxisEllipse{50, 60, 20, 8});
    ASSERT_GE(points.size(), static_cast<std::size_t>(chordsPerTurn(20)));
    EXPECT_DOUBLE_EQ(points.front().x, 50.5);  // straight below the centre
    EXPECT_DOUBLE_EQ(points.front().y, 68.5);
    EXPECT_TRUE(hasCorner(points, 70.5, 60.5));
    EXPECT_TRUE(hasCorner(points, 50.5, 52.5));
    EXPECT_TRUE(hasCorner(points, 30.5, 60.5));
    for (const OutlinePoint& p : points)
        EXPECT_NEAR(std::pow((p.x - 50.5) / 20, 2) + std::pow((p.y - 60.5) / 8, 2), 1.0, 1e-12);
    EXPECT_GT(std::hypot(points.back().x - 50.5, points.back().y - 68.5), 0.1);  // closed, not repeated
}

TEST(OutlinePolygon, WedgeOutlineGoesFromTheCentreAlongItsArcThroughTheEndsItPasses) {
    const std::vector<OutlinePoint> quarter = outlineOf(EllipseWedge({50, 60, 20, 20}, 0, 90));
    ASSERT_GE(quarter.size(), 3u);
    EXPECT_DOUBLE_EQ(quarter[0].x, 50.5);
    EXPECT_DOUBLE_EQ(quarter[0].y, 60.5);
    EXPECT_NEAR(quarter[1].x, 50.5, 1e-12);  // the bottom
    EXPECT_NEAR(quarter[1].y, 80.5, 1e-12);
    EXPECT_NEAR(quarter.back().x, 70.5, 1e-12);  // the right
    EXPECT_NEAR(quarter.back().y, 60.5, 1e-12);
    const std::vector<OutlinePoint> half = outlineOf(EllipseWedge({50, 60, 20, 20}, 45, 225));
    EXPECT_TRUE(hasCorner(half, 70.5, 60.5));
    EXPECT_TRUE(hasCorner(half, 50.5, 40.5));
    EXPECT_FALSE(hasCorner(half, 30.5, 60.5));
}

TEST(OutlinePolygon, EmptySliceIsItsOneEdgeAndAFullTurnHasNoEdges) {
    const AxisEllipse e{0, 0, 10, 10};
    const std::vector<OutlinePoint> empty = outlineOf(EllipseWedge(e, 90, 90));
    for (std::size_t k = 1; k < empty.size(); ++k) {
        EXPECT_NEAR(empty[k].x, 10.5, 1e-12);
        EXPECT_NEAR(empty[k].y, 0.5, 1e-12);
    }
    const std::vector<OutlinePoint> full = outlineOf(EllipseWedge(e, 0, 360));
    EXPECT_EQ(full.size(), outlineOf(e).size());
    for (const OutlinePoint& p : full) EXPECT_NEAR(std::hypot(p.x - 0.5, p.y - 0.5), 10, 1e-12);
}

namespace {

// The chain of pixels of an outline, in order.
template <typename Shape>
std::vector<Pixel> chainOf(const Shape& shape, const PixelArea& area = SCREEN) {
    std::vector<Pixel> chain;
    forEachOutlinePixel(shape, area, [&](std::int64_t column, std::int64_t row) { chain.push_back({column, row}); });
    return chain;
}

// How far the square of a pixel lies from the ellipse's outline curve (about its centre pixel's
// centre), measured at many points along the curve.
double strayOf(const Pixel& pixel, const AxisEllipse& e) {
    double nearest = 1e9;
    for (int k = 0; k < 20000; ++k) {
        const double x = e.cx + 0.5 + e.rx * std::sin(k * M_PI / 10000), y = e.cy + 0.5 + e.ry * std::cos(k * M_PI / 10000);
        const double dx = std::max(std::abs(pixel.first + 0.5 - x) - 0.5, 0.0);
        const double dy = std::max(std::abs(pixel.second + 0.5 - y) - 0.5, 0.0);
        nearest = std::min(nearest, std::hypot(dx, dy));
    }
    return nearest;
}

}  // namespace

TEST(OutlinePixels, ChainOfAnEllipseTouchesItsCurveStepByStepAndCloses) {
    for (const AxisEllipse& e : {AxisEllipse{50, 50, 1, 1}, AxisEllipse{50, 50, 2, 2}, AxisEllipse{50, 50, 7, 7},
                                 AxisEllipse{80, 60, 40, 9}, AxisEllipse{80, 60, 3, 30}, AxisEllipse{80, 60, 61, 60}}) {
        const std::vector<Pixel> chain = chainOf(e);
        ASSERT_GE(chain.size(), 5u);
        EXPECT_EQ(chain.front(), chain.back());
        for (std::size_t i = 1; i < chain.size(); ++i) {
            EXPECT_NE(chain[i], chain[i - 1]);
            EXPECT_LE(std::abs(chain[i].first - chain[i - 1].first), 1);
            EXPECT_LE(std::abs(chain[i].second - chain[i - 1].second), 1);
        }
        for (const Pixel& p : chain) EXPECT_LE(strayOf(p, e), 0.125 + 1e-3) << "(" << p.first << ", " << p.second << ")";
    }
}

TEST(OutlinePixels, ChainCutToTheAreaKeepsThePixelsInIt) {
    const AxisEllipse e{100, 100, 150, 120};
    const PixelArea area{0, 0, 200, 150};
    Pixels inside, cut;
    for (const Pixel& p : chainOf(e))
        if (p.first >= 0 && p.first < 200 && p.second >= 0 && p.second < 150) inside.insert(p);
    for (const Pixel& p : chainOf(e, area))
        if (p.first >= 0 && p.first < 200 && p.second >= 0 && p.second < 150) cut.insert(p);
    EXPECT_EQ(cut, inside);
}

TEST(OutlinePixels, HugeCircleCostsItsPartInTheArea) {
    // The top of a circle of the largest radius runs across the middle of the area.
    const std::int64_t r = 2147483647;
    const std::vector<Pixel> chain = chainOf(AxisEllipse{200, 150 + r, r, r}, PixelArea{0, 0, 400, 300});
    int inArea = 0;
    for (const Pixel& p : chain) inArea += p.first >= 0 && p.first < 400 && p.second >= 0 && p.second < 300;
    EXPECT_EQ(inArea, 400);  // one pixel in each column of the flat top
    EXPECT_LT(chain.size(), static_cast<std::size_t>(chordsPerTurn(r)) + 1000);
}

namespace {

const ViewBox WINDOW{0, 0, 400, 300};

// The curve's point at t, by de Casteljau's construction.
CurvePoint pointAt(std::vector<CurvePoint> points, double t) {
    for (std::size_t n = points.size(); n > 1; --n)
        for (std::size_t i = 0; i + 1 < n; ++i)
            points[i] = {points[i].x + (points[i + 1].x - points[i].x) * t,
                         points[i].y + (points[i + 1].y - points[i].y) * t};
    return points[0];
}

// Whether the segment from a to b meets the box, edges included.
bool segmentMeets(const CurvePoint& a, const CurvePoint& b, const ViewBox& box) {
    double from = 0, to = 1;
    const double along[2] = {b.x - a.x, b.y - a.y};
    const double low[2] = {box.left - a.x, box.top - a.y}, high[2] = {box.right - a.x, box.bottom - a.y};
    for (int axis = 0; axis < 2; ++axis) {
        if (along[axis] == 0) {
            if (low[axis] > 0 || high[axis] < 0) return false;
            continue;
        }
        const double atLow = low[axis] / along[axis], atHigh = high[axis] / along[axis];
        from = std::max(from, std::min(atLow, atHigh));
        to = std::min(to, std::max(atLow, atHigh));
    }
    return from <= to;
}

bool holds(const std::vector<GridRange>& ranges, int k) {
    for (const GridRange& range : ranges)
        if (range.first <= k && k <= range.last) return true;
    return false;
}

int pointsIn(const std::vector<GridRange>& ranges) {
    int count = 0;
    for (const GridRange& range : ranges) count += range.last - range.first + 1;
    return count;
}

}  // namespace

TEST(BezierRanges, CurveInsideTheWindowIsEvaluatedWhole) {
    const std::vector<GridRange> ranges = gridRangesNear({{20, 100}, {70, 20}, {120, 100}}, 188, WINDOW);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].first, 0);
    EXPECT_EQ(ranges[0].last, 188);
}

TEST(BezierRanges, CurveOutsideTheWindowIsNotEvaluated) {
    EXPECT_TRUE(gridRangesNear({{500, 10}, {900, 400}, {1200, -50}}, 1400, WINDOW).empty());
    EXPECT_TRUE(gridRangesNear({{-10, -10}, {-500, 200}}, 538, WINDOW).empty());
}

TEST(BezierRanges, LineToAFarPointIsEvaluatedOnlyNearTheWindow) {
    const std::vector<GridRange> ranges = gridRangesNear({{0, 10}, {1e9, 10}}, 1000000000, WINDOW);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].first, 0);
    EXPECT_GE(ranges[0].last, 401);  // the grid points are a pixel apart: x = k
    EXPECT_LE(ranges[0].last, 450);
}

TEST(BezierRanges, CurveThatLeavesAndComesBackIsEvaluatedOnlyWhereItIsNear) {
    // Out to fifty million pixels to the right and back: two short stretches of 200 million.
    const std::vector<CurvePoint> controls{{50, 50}, {1e8, 150}, {60, 250}};
    const std::vector<GridRange> ranges = gridRangesNear(controls, 200000000, WINDOW);
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[0].first, 0);
    EXPECT_EQ(ranges[1].last, 200000000);
    EXPECT_LT(pointsIn(ranges), 100000);
}

TEST(BezierRanges, EverySegmentMeetingTheWindowLiesInARange) {
    std::mt19937 random(17);
    std::uniform_real_distribution<double> coordinate(-1500, 1900);
    std::uniform_int_distribution<int> degree(1, 6);
    for (int n = 0; n < 100; ++n) {
        std::vector<CurvePoint> controls(degree(random) + 1);
        for (CurvePoint& p : controls) p = {std::round(coordinate(random)), std::round(coordinate(random))};
        int steps = 0;
        for (std::size_t i = 1; i < controls.size(); ++i)
            steps += static_cast<int>(std::hypot(controls[i].x - controls[i - 1].x, controls[i].y - controls[i - 1].y));
        const std::vector<GridRange> ranges = gridRangesNear(controls, steps, WINDOW);
        for (std::size_t i = 1; i < ranges.size(); ++i) EXPECT_LT(ranges[i - 1].last, ranges[i].first);
        int meeting = 0;
        CurvePoint previous = pointAt(controls, 0);
        for (int k = 1; k <= steps; ++k) {
            const CurvePoint next = pointAt(controls, static_cast<double>(k) / steps);
            if (segmentMeets(previous, next, WINDOW)) {
                ++meeting;
                EXPECT_TRUE(holds(ranges, k - 1) && holds(ranges, k)) << "curve " << n << ", segment " << k;
            }
            previous = next;
        }
        // Beyond those, the stretch kept at each end of a range: a few dozen points.
        EXPECT_LE(pointsIn(ranges), meeting + 80 * static_cast<int>(ranges.size())) << "curve " << n;
    }
}

TEST(BezierRanges, StretchIsTheSameCurveOverPartOfItsParameter) {
    const std::vector<CurvePoint> controls{{-1e9, 20}, {3e5, -7e8}, {1e9, 20}, {400, 300}};
    const double from = 0.4999, to = 0.5003;
    const std::vector<CurvePoint> stretch = stretchOf(controls, from, to);
    ASSERT_EQ(stretch.size(), controls.size());
    for (double s : {0.0, 0.25, 0.5, 0.9, 1.0}) {
        const CurvePoint expected = pointAt(controls, from + s * (to - from)), got = pointAt(stretch, s);
        EXPECT_NEAR(got.x, expected.x, 1e-4) << s;
        EXPECT_NEAR(got.y, expected.y, 1e-4) << s;
    }
}

// ---- Polygons. ----

namespace {

using Polygon = std::vector<PolygonPoint>;

// Every pixel from (x1, y1) to (x2, y2), both included.
Pixels block(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
    Pixels pixels;
    for (std::int64_t j = y1; j <= y2; ++j)
        for (std::int64_t i = x1; i <= x2; ++i) pixels.insert({i, j});
    return pixels;
}

Pixels joined(std::initializer_list<Pixels> parts) {
    Pixels all;
    for (const Pixels& part : parts) all.insert(part.begin(), part.end());
    return all;
}

Pixels without(Pixels pixels, const Pixels& taken) {
    for (const Pixel& p : taken) pixels.erase(p);
    return pixels;
}

// Whether the sample point (i + 1/8, j + 1/8) of pixel (i, j) lies inside by the odd rule, counting
// the edges that cross the row's sample line on or left of it: one ray test per pixel.
bool sampleInside(const Polygon& polygon, std::int64_t i, std::int64_t j) {
    const __int128 sx = 8 * i + 1, sy = 8 * j + 1;  // in eighths of a pixel
    bool inside = false;
    for (std::size_t k = 0; k < polygon.size(); ++k) {
        const PolygonPoint& a = polygon[k];
        const PolygonPoint& b = polygon[(k + 1) % polygon.size()];
        const __int128 ax = 8 * a.x, ay = 8 * a.y, bx = 8 * b.x, by = 8 * b.y;
        if ((ay < sy) == (by < sy)) continue;
        // The crossing lies on or left of the sample when (crossing - sx) * (by - ay) has the sign of by - ay, or is 0.
        const __int128 offset = (ax - sx) * (by - ay) + (sy - ay) * (bx - ax);
        if (offset == 0 || (offset < 0) == (by - ay > 0)) inside = !inside;
    }
    return inside;
}

Pixels samplesInside(const Polygon& polygon, const PixelArea& area) {
    Pixels inside;
    for (std::int64_t j = area.top; j < area.bottom; ++j)
        for (std::int64_t i = area.left; i < area.right; ++i)
            if (sampleInside(polygon, i, j)) inside.insert({i, j});
    return inside;
}

// Whether two edges cross at a point inside both, trying every pair.
bool anyPairCrosses(const Polygon& polygon) {
    auto side = [](const PolygonPoint& a, const PolygonPoint& b, const PolygonPoint& p) {
        const __int128 turn = __int128(b.x - a.x) * (p.y - a.y) - __int128(b.y - a.y) * (p.x - a.x);
        return (turn > 0) - (turn < 0);
    };
    const std::size_t n = polygon.size();
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t m = k + 1; m < n; ++m) {
            const PolygonPoint &a = polygon[k], &b = polygon[(k + 1) % n], &c = polygon[m], &d = polygon[(m + 1) % n];
            if (side(a, b, c) * side(a, b, d) < 0 && side(c, d, a) * side(c, d, b) < 0) return true;
        }
    return false;
}

// Small random polygons on a small grid: full of corners on edges, edges along edges, repeats.
Polygon randomPolygon(std::mt19937& random, int low, int high) {
    std::uniform_int_distribution<int> count(1, 12), coordinate(low, high);
    Polygon polygon(static_cast<std::size_t>(count(random)));
    for (PolygonPoint& p : polygon) p = {coordinate(random), coordinate(random)};
    return polygon;
}

struct NamedPolygon {
    const char* name;
    Polygon points;
};

const Polygon SQUARE{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
const Polygon BOWTIE{{10, 10}, {90, 90}, {90, 10}, {10, 90}};
const Polygon PENTAGRAM{{50, 0}, {79, 90}, {2, 35}, {97, 35}, {21, 90}};
// A plus sign drawn in one line that crosses itself four times round its middle square.
const Polygon PLUS{{3, 0}, {6, 0}, {6, 9}, {3, 9}, {3, 6}, {0, 6}, {0, 3}, {9, 3}, {9, 6}, {3, 6}};
// A square round a square, joined by a slit, both gone round the same way.
const Polygon SQUARE_ROUND_SQUARE{{0, 0}, {9, 0}, {9, 9}, {0, 9}, {0, 3}, {3, 3}, {6, 3}, {6, 6}, {3, 6}, {3, 3}, {0, 3}};

}  // namespace

TEST(PolygonRuns, FilledPolygonsCoverTheirInsideByTheOddRule) {
    struct Case {
        const char* name;
        Polygon points;
        Pixels expected;
    };
    const Case cases[] = {
        {"rectangle, two edges horizontal", {{2, 1}, {7, 1}, {7, 4}, {2, 4}}, block(2, 1, 6, 3)},
        {"concave, a notch from below", {{0, 0}, {9, 0}, {9, 6}, {6, 6}, {6, 3}, {3, 3}, {3, 6}, {0, 6}},
         joined({block(0, 0, 8, 2), block(0, 3, 2, 5), block(6, 3, 8, 5)})},
        {"crossing itself, the middle gone round twice", PLUS,
         joined({block(3, 0, 5, 2), block(3, 6, 5, 8), block(0, 3, 2, 5), block(6, 3, 8, 5)})},
        {"a hole gone round the same way as its border", SQUARE_ROUND_SQUARE, without(block(0, 0, 8, 8), block(3, 3, 5, 5))},
        {"a square gone round twice", {{0, 0}, {6, 0}, {6, 6}, {0, 6}, {0, 0}, {6, 0}, {6, 6}, {0, 6}}, {}},
        {"a spike out and back, and corners repeated", {{0, 0}, {4, 0}, {4, 0}, {9, 9}, {4, 0}, {4, 4}, {0, 4}, {0, 4}},
         block(0, 0, 3, 3)},
        {"points on one line", {{0, 0}, {5, 5}, {9, 9}, {2, 2}}, {}},
        {"two points, one point, none", {{0, 0}, {5, 5}}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(covered(c.points), c.expected) << c.name;
    EXPECT_FALSE(covered(PENTAGRAM).count({50, 50})) << "the pentagram's middle";
    EXPECT_TRUE(covered(PENTAGRAM).count({50, 10})) << "the pentagram's top tip";
}

TEST(PolygonRuns, CoverExactlyThePixelsWhoseSamplesLieInside) {
    std::mt19937 random(17);
    const PixelArea area{2, 1, 17, 13};  // the polygons reach beyond it on every side
    for (int n = 0; n < 3000; ++n) {
        const Polygon polygon = randomPolygon(random, -4, 22);
        EXPECT_EQ(covered(polygon, area), samplesInside(polygon, area)) << "polygon " << n;
    }
}

TEST(PolygonRuns, HugePolygonStaysExactAndCostsOnlyTheRowsOfTheArea) {
    const std::int64_t far = 2147483647;
    const PixelArea area{0, 0, 300, 200};
    const Polygon triangle{{-far - 1, -far - 1}, {far, 150}, {-5, far}};
    EXPECT_EQ(covered(triangle, area), samplesInside(triangle, area));
    int visits = 0;
    forEachRun(Polygon{{-far, -far}, {far, -far}, {far, far}, {-far, far}}, area, [&](const PixelRun& run) {
        ++visits;
        EXPECT_EQ(run.first, 0);
        EXPECT_EQ(run.last, 299);
    });
    EXPECT_EQ(visits, 200);
}

TEST(PolygonChecks, EdgesCrossOnlyWhereTheyCrossInsideBoth) {
    const NamedPolygon crossing[] = {{"bowtie", BOWTIE}, {"pentagram", PENTAGRAM}, {"plus in one line", PLUS}};
    const NamedPolygon touching[] = {
        {"square", SQUARE},
        {"corner on another edge", {{0, 0}, {100, 0}, {100, 100}, {60, 100}, {50, 0}, {40, 100}, {0, 100}}},
        {"figure eight meeting at a corner", {{0, 0}, {10, 10}, {20, 0}, {20, 20}, {10, 10}, {0, 20}}},
        {"edge through a corner", {{0, 0}, {20, 20}, {20, 0}, {10, 10}, {0, 20}}},
        {"slit along itself", SQUARE_ROUND_SQUARE},
        {"edges along each other", {{0, 0}, {100, 0}, {100, 50}, {30, 50}, {30, 0}, {60, 0}, {60, -50}, {0, -50}}},
        {"back along itself", {{0, 0}, {100, 0}, {50, 0}, {50, 50}}},
        {"points on one line", {{0, 0}, {5, 5}, {9, 9}, {2, 2}}},
        {"two points", {{0, 0}, {5, 5}}},
    };
    for (const NamedPolygon& p : crossing) EXPECT_TRUE(hasCrossingEdges(p.points)) << p.name;
    for (const NamedPolygon& p : touching) EXPECT_FALSE(hasCrossingEdges(p.points)) << p.name;
}

TEST(PolygonChecks, CrossingEdgesAreFoundAsTryingEveryPairFindsThem) {
    std::mt19937 random(19);
    for (int n = 0; n < 20000; ++n) {
        const Polygon polygon = randomPolygon(random, 0, 6);
        EXPECT_EQ(hasCrossingEdges(polygon), anyPairCrosses(polygon)) << "polygon " << n;
    }
}

TEST(PolygonChecks, ConvexPolygonsTurnOneWayOnceRound) {
    const NamedPolygon convex[] = {
        {"square", SQUARE},
        {"triangle, the other way round", {{0, 0}, {0, 10}, {10, 0}}},
        {"a corner on a straight edge, and a corner repeated", {{0, 0}, {5, 0}, {10, 0}, {10, 10}, {10, 10}, {0, 10}}},
    };
    const NamedPolygon notConvex[] = {
        {"notch", {{0, 0}, {9, 0}, {9, 6}, {6, 6}, {6, 3}, {3, 3}, {3, 6}, {0, 6}}},
        {"pentagram, turning one way twice round", PENTAGRAM},
        {"square gone round twice", {{0, 0}, {6, 0}, {6, 6}, {0, 6}, {0, 0}, {6, 0}, {6, 6}, {0, 6}}},
        {"spike out and back", {{0, 0}, {5, 0}, {5, 5}, {5, 0}, {10, 0}, {10, 10}, {0, 10}}},
        {"bowtie", BOWTIE},
    };
    for (const NamedPolygon& p : convex) EXPECT_TRUE(isConvex(p.points)) << p.name;
    for (const NamedPolygon& p : notConvex) EXPECT_FALSE(isConvex(p.points)) << p.name;
}

// A corner's steps are traced only where they can reach what is seen, whatever the radius; there
// the polygon covers what the polygon of every step does.
TEST(RoundedRectangleCorners, AHugeRadiusTakesPointsOnlyWithinReachAndCoversTheSame) {
    const PixelArea window{0, 0, 400, 300}, reach{-3, -3, 403, 303},
        everywhere{INT64_MIN, INT64_MIN, INT64_MAX, INT64_MAX};
    // Square boxes whose corners make one circle crossing the window's middle.
    for (const int radius : {100000, 1000000, 2147483647}) {
        const int r = std::min(radius, (1 << 30) - 1), left = 200 - static_cast<int>(r * (1 - M_SQRT1_2)),
                  top = left - 50;
        const std::vector<PolygonPoint> traced =
            roundedRectangleCorners(left, top, left + 2 * r, top + 2 * r, r, reach);
        EXPECT_LT(traced.size(), 1000u) << radius;
        if (radius > 1000000) continue;  // too many steps to trace every one
        EXPECT_EQ(covered(traced, window),
                  covered(roundedRectangleCorners(left, top, left + 2 * r, top + 2 * r, r, everywhere), window))
            << radius;
    }
}
