// The arc tracer behind drawArc and the chords: which integer points an arc visits and in what
// order. Pure, no display needed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "geometry/ArcTracer.h"

namespace {

constexpr int DEGREES = 1024;  // angles travel as degrees times 1024

// The box (0, 0)-(100, 100): a circle of radius 50 about (50, 50).
constexpr int BOX = 100;
constexpr int CENTRE = 50;

// Direction of a point seen from the centre, in degrees from the right, counterclockwise on
// screen (y grows downward), in [0, 360).
double directionOf(const ArcPoint& p, int cx, int cy) {
    const double degrees = std::atan2(cy - p.y, p.x - cx) * 180 / M_PI;
    return degrees < 0 ? degrees + 360 : degrees;
}

std::vector<ArcPoint> arcOnBox(double startDegrees, double endDegrees) {
    return traceArc(0, 0, BOX, BOX, static_cast<int>(startDegrees * DEGREES), static_cast<int>(endDegrees * DEGREES));
}

}  // namespace

TEST(QuarterTrace, CircleOfRadiusTwoVisitsBothRegionsWhereTheyMeet) {
    const std::vector<ArcPoint> expected{{0, 2}, {1, 2}, {2, 1}, {1, 2}, {2, 1}, {2, 0}};
    EXPECT_EQ(traceQuarter(2, 2), expected);
}

TEST(QuarterTrace, FlatEllipseRunsFromTheTopToTheRightEnd) {
    const std::vector<ArcPoint> expected{{0, 1}, {1, 1}, {2, 1}, {3, 0}, {2, 1}, {3, 0}};
    EXPECT_EQ(traceQuarter(3, 1), expected);
}

TEST(QuarterTrace, PointsOfACircleStayWithinAPixelOfIt) {
    const std::vector<ArcPoint> quarter = traceQuarter(50, 50);
    ASSERT_FALSE(quarter.empty());
    EXPECT_EQ(quarter.front(), (ArcPoint{0, 50}));
    EXPECT_EQ(quarter.back(), (ArcPoint{50, 0}));
    for (std::size_t i = 0; i < quarter.size(); ++i) {
        EXPECT_NEAR(std::hypot(quarter[i].x, quarter[i].y), 50.0, 1.0) << "point " << i;
        if (i > 0) {
            EXPECT_LE(std::abs(quarter[i].x - quarter[i - 1].x), 1) << "gap before point " << i;
            EXPECT_LE(std::abs(quarter[i].y - quarter[i - 1].y), 1) << "gap before point " << i;
        }
    }
}

TEST(QuarterTrace, RadiusOfFiveThousandDoesNotOverflow) {
    // 2 * rx^2 * ry is 2.5e11 here: far beyond 32 bits.
    const std::vector<ArcPoint> quarter = traceQuarter(5000, 3000);
    EXPECT_EQ(quarter.front(), (ArcPoint{0, 3000}));
    EXPECT_EQ(quarter.back(), (ArcPoint{5000, 0}));
    for (const ArcPoint& p : quarter) {
        const double onEllipse = std::pow(p.x / 5000.0, 2) + std::pow(p.y / 3000.0, 2);
        ASSERT_NEAR(onEllipse, 1.0, 0.001) << "point (" << p.x << ", " << p.y << ")";
    }
}

TEST(QuarterTrace, LargestRadiusStillTracesTheCircle) {
    const std::vector<ArcPoint> quarter = traceQuarter(LARGEST_ARC_RADIUS, LARGEST_ARC_RADIUS);
    EXPECT_EQ(quarter.front(), (ArcPoint{0, LARGEST_ARC_RADIUS}));
    EXPECT_EQ(quarter.back(), (ArcPoint{LARGEST_ARC_RADIUS, 0}));
    for (std::size_t i = 0; i < quarter.size(); i += 997) {
        ASSERT_NEAR(std::hypot(quarter[i].x, quarter[i].y), LARGEST_ARC_RADIUS, 1.0) << "point " << i;
    }
}

TEST(ArcTrace, ZeroToNinetyRunsFromTheRightmostPointToTheTop) {
    const std::vector<ArcPoint> arc = arcOnBox(0, 90);
    ASSERT_FALSE(arc.empty());
    EXPECT_EQ(arc.front(), (ArcPoint{BOX, CENTRE}));
    EXPECT_EQ(arc.back(), (ArcPoint{CENTRE, 0}));
    for (const ArcPoint& p : arc) {
        EXPECT_GE(p.x, CENTRE) << "left of the centre at (" << p.x << ", " << p.y << ")";
        EXPECT_LE(p.y, CENTRE) << "below the centre at (" << p.x << ", " << p.y << ")";
    }
    EXPECT_EQ(arc.size(), traceQuarter(CENTRE, CENTRE).size());
}

TEST(ArcTrace, NinetyToZeroRunsThreeQuartersThroughTheLeftAndBottom) {
    const std::vector<ArcPoint> arc = arcOnBox(90, 0);
    ASSERT_FALSE(arc.empty());
    EXPECT_EQ(arc.front(), (ArcPoint{CENTRE, 0}));
    EXPECT_EQ(arc.back(), (ArcPoint{BOX, CENTRE}));
    EXPECT_EQ(arc.size(), 3 * traceQuarter(CENTRE, CENTRE).size());
    auto visits = [&](ArcPoint target) {
        for (const ArcPoint& p : arc) {
            if (p == target) return true;
        }
        return false;
    };
    EXPECT_TRUE(visits({0, CENTRE}));    // leftmost
    EXPECT_TRUE(visits({CENTRE, BOX}));  // bottom
    for (const ArcPoint& p : arc) {
        EXPECT_FALSE(p.x > CENTRE && p.y < CENTRE) << "upper right at (" << p.x << ", " << p.y << ")";
    }
}

TEST(ArcTrace, EndBeforeStartInTheSameQuarterIsASingleVertex) {
    const std::vector<ArcPoint> arc = arcOnBox(30, 20);
    ASSERT_EQ(arc.size(), 1u);
    EXPECT_GT(directionOf(arc[0], CENTRE, CENTRE), 30.0);
    EXPECT_LT(directionOf(arc[0], CENTRE, CENTRE), 32.0);
}

TEST(ArcTrace, ArcStaysBetweenItsAnglesAndEndsJustBeyondTheEnd) {
    const std::vector<ArcPoint> arc = arcOnBox(20, 45.5);
    ASSERT_GE(arc.size(), 2u);
    for (std::size_t i = 0; i + 1 < arc.size(); ++i) {
        const double direction = directionOf(arc[i], CENTRE, CENTRE);
        EXPECT_GT(direction, 20.0) << "vertex " << i;
        EXPECT_LE(direction, 45.5) << "vertex " << i;
    }
    const double last = directionOf(arc.back(), CENTRE, CENTRE);
    EXPECT_GT(last, 45.5);
    EXPECT_LT(last, 47.0);
}

TEST(ArcTrace, HalfDegreeOfTheEndAngleChangesTheArc) {
    // 45.5 degrees travels as 46592; on a circle of radius 500 half a degree is four pixels.
    const std::size_t toHalf = traceArc(0, 0, 1000, 1000, 0, 46592).size();
    const std::size_t toWhole = traceArc(0, 0, 1000, 1000, 0, 45 * DEGREES).size();
    EXPECT_GE(toHalf, toWhole + 3);
}

TEST(ArcTrace, AnglesAreDirectionsNotEllipseParameters) {
    // On a 2:1 ellipse the parameter 45 degrees lies at direction 26.6; the arc must go on to 45.
    // A point exactly at 45 already counts as beyond it (the tangent is rounded outward).
    const std::vector<ArcPoint> arc = traceArc(0, 0, 200, 100, 0, 45 * DEGREES);
    ASSERT_GE(arc.size(), 2u);
    const double last = directionOf(arc.back(), 100, 50);
    const double beforeLast = directionOf(arc[arc.size() - 2], 100, 50);
    EXPECT_GE(last, 45.0);
    EXPECT_LT(last, 46.0);
    EXPECT_LT(beforeLast, 45.0);
}

TEST(ArcTrace, WrapsThroughZeroWhenTheEndIsSmaller) {
    const std::vector<ArcPoint> arc = arcOnBox(300, 60);
    ASSERT_FALSE(arc.empty());
    bool passesRightmost = false;
    for (const ArcPoint& p : arc) {
        EXPECT_GE(p.x, CENTRE) << "left of the centre at (" << p.x << ", " << p.y << ")";
        passesRightmost = passesRightmost || p == ArcPoint{BOX, CENTRE};
    }
    EXPECT_TRUE(passesRightmost);
    EXPECT_LT(arc.front().y, BOX);
    EXPECT_GT(arc.front().y, CENTRE);  // starts below the centre, at 300 degrees
    EXPECT_LT(arc.back().y, CENTRE);   // ends above it, at 60 degrees
}

TEST(ArcTrace, StartWithinADegreeOfTheRightSnapsToTheRightmostPoint) {
    EXPECT_EQ(arcOnBox(0.5, 90).front(), (ArcPoint{BOX, CENTRE}));
    EXPECT_EQ(arcOnBox(-0.9, 90).front(), (ArcPoint{BOX, CENTRE}));
    EXPECT_EQ(arcOnBox(180.5, 270).front(), (ArcPoint{0, CENTRE}));
}

TEST(ArcTrace, QuarterBoundaryPointIsEmittedTwiceWhenCrossed) {
    const std::vector<ArcPoint> arc = arcOnBox(45, 135);
    int tops = 0;
    for (const ArcPoint& p : arc) tops += p == ArcPoint{CENTRE, 0};
    EXPECT_EQ(tops, 2);
}

TEST(ArcTrace, OddBoxUsesTruncatedCentreAndRadii) {
    // (0, 0)-(101, 51): centre (50, 25), radii 50 and 25.
    const std::vector<ArcPoint> arc = traceArc(0, 0, 101, 51, 0, 90 * DEGREES);
    ASSERT_FALSE(arc.empty());
    EXPECT_EQ(arc.front(), (ArcPoint{100, 25}));
    EXPECT_EQ(arc.back(), (ArcPoint{50, 0}));
}

TEST(ArcTrace, CornersMayBeGivenInAnyOrder) {
    EXPECT_EQ(traceArc(BOX, BOX, 0, 0, 0, 90 * DEGREES), arcOnBox(0, 90));
}

TEST(ArcTrace, DegenerateBoxesEndWithinTwoTurns) {
    const int boxes[][4] = {{10, 10, 10, 10}, {10, 10, 10, 60}, {10, 10, 60, 10}, {10, 10, 11, 11}};
    const double angles[] = {0, 45, 90, 135, 180, 270, 359};
    for (const auto& box : boxes) {
        const int rx = std::abs((box[0] + box[2]) / 2 - box[0]);
        const int ry = std::abs((box[1] + box[3]) / 2 - box[1]);
        const std::size_t twoTurns = 8 * traceQuarter(rx, ry).size();
        for (double a : angles) {
            for (double b : angles) {
                const std::vector<ArcPoint> arc =
                    traceArc(box[0], box[1], box[2], box[3], static_cast<int>(a * DEGREES), static_cast<int>(b * DEGREES));
                EXPECT_LE(arc.size(), twoTurns);
                for (const ArcPoint& p : arc) {
                    // What a collapsed ellipse draws stays on its box, give or take one pixel.
                    EXPECT_GE(p.x, box[0] - 1);
                    EXPECT_LE(p.x, box[2] + 1);
                    EXPECT_GE(p.y, box[1] - 1);
                    EXPECT_LE(p.y, box[3] + 1);
                }
            }
        }
    }
}

TEST(ArcTrace, RadiusBeyondTheLargestDrawsNothing) {
    const int wide = 2 * (LARGEST_ARC_RADIUS + 1);
    EXPECT_TRUE(traceArc(0, 0, wide, 100, 0, 90 * DEGREES).empty());
    EXPECT_FALSE(traceArc(0, 0, 2 * LARGEST_ARC_RADIUS, 100, 0, 90 * DEGREES).empty());
}
