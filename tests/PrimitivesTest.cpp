// Drawing primitives under a display: each test draws into a fresh white window and reads the
// pixels back. Pixel-exact expectations hold on every driver (run under llvmpipe and softpipe).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ReportPattern.h"
#include "TestWindow.h"
#include "Window.h"
#include "XDoTool.h"
#include "geometry/ArcTracer.h"
#include "geometry/PolygonRaster.h"

namespace {

using Pixel = std::pair<int, int>;
using Pixels = std::set<Pixel>;

constexpr int WIDTH = 400;
constexpr int HEIGHT = 300;

const Color CYAN(0, 255, 255);

Style styleOf(Color color, Style::RasterOp op = Style::COPY_OP, std::uint16_t pattern = 0xFFFF, int width = 1) {
    std::vector<bool> bits;
    for (int i = 0; i < 16; ++i) bits.push_back((pattern >> i) & 1);
    return Style(color, width, op, bits);
}

// Every pixel of the rectangle from (x1, y1) to (x2, y2), both corners included.
Pixels rectangle(int x1, int y1, int x2, int y2) {
    Pixels pixels;
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x) pixels.insert({x, y});
    return pixels;
}

Pixels border(int x1, int y1, int x2, int y2) {
    Pixels pixels;
    for (const Pixel& p : rectangle(x1, y1, x2, y2))
        if (p.first == x1 || p.first == x2 || p.second == y1 || p.second == y2) pixels.insert(p);
    return pixels;
}

// A pixel as a message names it.
std::string named(const Pixel& p) { return "(" + std::to_string(p.first) + ", " + std::to_string(p.second) + ")"; }

// The pixels of each drawing with no pixel of the other within reach (0: the same pixel, 1: it or
// a neighbour), as text: empty when the two agree.
std::string differences(const Pixels& drawn, const Pixels& expected, int reach = 0) {
    std::string text;
    auto unmatched = [&text, reach](const Pixels& from, const Pixels& in, const char* what) {
        for (const Pixel& p : from) {
            bool matched = false;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) matched = matched || in.count({p.first + dx, p.second + dy});
            if (!matched) text += std::string(" ") + what + " " + named(p);
        }
    };
    unmatched(drawn, expected, "extra");
    unmatched(expected, drawn, "missing");
    return text;
}

std::string warningOf(const std::string& message) {
    return reportPattern(diagnostics::Kind::WARNING, "Window.cpp", message);
}

int countMatches(const std::string& output, const std::string& pattern) {
    int count = 0;
    std::string rest = output;
    for (std::size_t end = rest.find('\n'); end != std::string::npos; end = rest.find('\n')) {
        count += matchesWhole(rest.substr(0, end + 1), pattern);
        rest = rest.substr(end + 1);
    }
    return count;
}

// The colour the X screen shows at a pixel of the window: what has been flipped, not what has
// only been drawn.
Color onScreen(Window& window, int x, int y) {
    int left = 0, top = 0;
    window.getPosition(left, top);
    return screenPixel(left + x, top + y);
}

// The pixels of the rectangle from (x1, y1) to (x2, y2) that are not white, read in one capture.
Pixels drawnIn(Window& window, int x1, int y1, int x2, int y2) {
    const int width = x2 - x1 + 1, height = y2 - y1 + 1;
    const std::vector<unsigned char> rgba = window.createImage(x1, y1, width, height).getPixels();
    Pixels drawn;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const unsigned char* p = &rgba[4 * ((height - 1 - row) * width + column)];  // rows run bottom up
            if (p[0] != 255 || p[1] != 255 || p[2] != 255) drawn.insert({x1 + column, y1 + row});
        }
    }
    return drawn;
}

}  // namespace

// A fresh window, cleared to white, for each test.
class DrawingWindow : public testing::Test {
protected:
    Window window{WIDTH, HEIGHT, uniqueTitle("PrimitivesTest")};

    void SetUp() override { waitUntilShown(window); }

    bool isDrawn(int x, int y) { return window.readPixel(x, y) != Color::WHITE; }

    // The pixels of the rectangle from (x1, y1) to (x2, y2) that are not white.
    Pixels drawnWithin(int x1, int y1, int x2, int y2) { return drawnIn(window, x1, y1, x2, y2); }
};

// Every fixture's name starts with Primitives: the second-driver run selects the tests by it.
class PrimitivesStraight : public DrawingWindow {};
class PrimitivesStyle : public DrawingWindow {};
class PrimitivesCurved : public DrawingWindow {};
class PrimitivesPolygon : public DrawingWindow {};
class PrimitivesPixelTransfer : public DrawingWindow {};
class PrimitivesWindowChecks : public DrawingWindow {};
using PrimitivesWindowChecksDeathTest = PrimitivesWindowChecks;

// ---- Points, lines, rectangles and triangles: exact pixels. ----

TEST_F(PrimitivesStraight, PixelLightsExactlyItsOwnPixel) {
    window.drawPixel(Style::BLACK, 5, 5);
    EXPECT_EQ(drawnWithin(0, 0, 10, 10), (Pixels{{5, 5}}));
    EXPECT_EQ(window.readPixel(5, 5), Color::BLACK);
}

TEST_F(PrimitivesStraight, PixelAtTheOriginLightsTheTopLeftPixel) {
    window.drawPixel(Style::BLACK, 0, 0);
    EXPECT_EQ(drawnWithin(0, 0, 3, 3), (Pixels{{0, 0}}));
}

TEST_F(PrimitivesStraight, HorizontalLineLeavesOutItsLastPoint) {
    window.drawLine(Style::BLACK, 10, 10, 50, 10);
    EXPECT_EQ(drawnWithin(5, 8, 55, 12), rectangle(10, 10, 49, 10));
}

TEST_F(PrimitivesStraight, VerticalLineLeavesOutItsLastPoint) {
    window.drawLine(Style::BLACK, 10, 10, 10, 50);
    EXPECT_EQ(drawnWithin(8, 5, 12, 55), rectangle(10, 10, 10, 49));
}

TEST_F(PrimitivesStraight, LineTakesTheStyleColour) {
    window.drawLine(Style::RED, 10, 10, 50, 10);
    EXPECT_EQ(window.readPixel(30, 10), Color::RED);
}

TEST_F(PrimitivesStraight, RectangleOutlineLightsItsWholeBorder) {
    window.drawRectangleOutline(Style::BLACK, 20, 20, 40, 30);
    EXPECT_EQ(drawnWithin(17, 17, 43, 33), border(20, 20, 40, 30));
}

TEST_F(PrimitivesStraight, FilledRectangleCoversFromTheFirstCornerUpToTheSecond) {
    window.drawRectangleFilled(Style::BLACK, 10, 10, 20, 20);
    EXPECT_EQ(drawnWithin(7, 7, 23, 23), rectangle(10, 10, 19, 19));
}

TEST_F(PrimitivesStraight, FilledTriangleCoversItsInside) {
    window.drawTriangleFilled(Style::BLACK, 10, 10, 60, 10, 10, 60);
    EXPECT_TRUE(isDrawn(20, 20));
    EXPECT_TRUE(isDrawn(12, 55));
    EXPECT_TRUE(isDrawn(55, 12));
    EXPECT_FALSE(isDrawn(40, 40));  // beyond the hypotenuse
}

TEST_F(PrimitivesStraight, TriangleOutlineLeavesItsInsideEmpty) {
    window.drawTriangleOutline(Style::BLACK, 10, 10, 60, 10, 10, 60);
    EXPECT_TRUE(isDrawn(30, 10));
    EXPECT_TRUE(isDrawn(10, 30));
    EXPECT_TRUE(isDrawn(35, 35) || isDrawn(35, 36) || isDrawn(34, 35));
    EXPECT_FALSE(isDrawn(20, 20));
}

TEST_F(PrimitivesStraight, PolyLineJoinsItsPointsInOrder) {
    window.drawPolyLine(Style::BLACK, {10, 50, 50}, {10, 10, 50});
    EXPECT_TRUE(isDrawn(30, 10));
    EXPECT_TRUE(isDrawn(50, 30));
    EXPECT_FALSE(isDrawn(30, 30));  // not closed back to the start
    EXPECT_FALSE(isDrawn(50, 50));  // its last point is left out like a line's
}

// ---- Rounded rectangles: the rectangles' extents, quarter-circle corners. ----

class PrimitivesRoundedRectangle : public DrawingWindow {};

// Radius 0 draws the plain rectangle; a radius beyond half the shorter side draws as that half.
TEST_F(PrimitivesRoundedRectangle, RadiusZeroIsTheRectangleAndALargerRadiusIsClamped) {
    const auto drawnWith = [this](int radius) {
        window.clear();
        window.drawRoundedRectangleFilled(Style::BLACK, 10, 10, 40, 30, radius);
        window.drawRoundedRectangleOutline(Style::BLACK, 60, 10, 90, 30, radius);
        return drawnWithin(0, 0, 99, 40);
    };
    const Pixels roundedByZero = drawnWith(0);
    window.clear();
    window.drawRectangleFilled(Style::BLACK, 10, 10, 40, 30);
    window.drawRectangleOutline(Style::BLACK, 60, 10, 90, 30);
    EXPECT_EQ(roundedByZero, drawnWithin(0, 0, 99, 40));
    EXPECT_EQ(drawnWith(1000), drawnWith(10));
}

// In each corner the box's own corner pixel lies outside the arc, the arc's ends on the sides.
TEST_F(PrimitivesRoundedRectangle, CornersFollowTheArcAndSidesKeepTheRectanglesExtents) {
    window.drawRoundedRectangleFilled(Style::BLACK, 20, 20, 80, 60, 10);
    window.drawRoundedRectangleOutline(Style::BLACK, 120, 20, 180, 60, 10);
    struct Case {
        int x, y;
        bool drawn;
    } cases[] = {{20, 20, false}, {79, 20, false},  {79, 59, false},  {20, 59, false}, {30, 20, true},
                 {20, 30, true},  {79, 40, true},   {50, 59, true},   {50, 60, false}, {80, 40, false},
                 {50, 40, true},  {120, 20, false}, {180, 60, false}, {130, 20, true}, {180, 40, true},
                 {150, 60, true}, {150, 40, false}, {123, 23, true}};
    for (const Case& c : cases) EXPECT_EQ(isDrawn(c.x, c.y), c.drawn) << named({c.x, c.y});
}

// Every pixel of the outline touches another: no gap where an arc meets a side.
TEST_F(PrimitivesRoundedRectangle, OutlineHasNoGaps) {
    window.drawRoundedRectangleOutline(Style::BLACK, 20, 20, 90, 70, 17);
    const Pixels outline = drawnWithin(10, 10, 100, 80);
    ASSERT_FALSE(outline.empty());
    for (const Pixel& p : outline) {
        int neighbours = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) neighbours += (dx || dy) && outline.count({p.first + dx, p.second + dy});
        EXPECT_GE(neighbours, 2) << named(p);
    }
}

TEST_F(PrimitivesRoundedRectangle, ANegativeRadiusWarnsAndDrawsNothing) {
    const std::string output = stderrOf([&] {
        window.drawRoundedRectangleFilled(Style::BLACK, 10, 10, 50, 50, -1);
        window.drawRoundedRectangleOutline(Style::BLACK, 10, 10, 50, 50, -1);
    });
    EXPECT_EQ(countMatches(output, warningOf("The radius passed to drawRoundedRectangleFilled is negative, so nothing "
                                             "was drawn")),
              1);
    EXPECT_EQ(countMatches(output, warningOf("The radius passed to drawRoundedRectangleOutline is negative, so "
                                             "nothing was drawn")),
              1);
    EXPECT_TRUE(drawnWithin(5, 5, 55, 55).empty());
}

// ---- Styles: logic operations, blending, patterns, widths. ----

TEST_F(PrimitivesStyle, XorDrawnTwiceRestoresTheBackground) {
    const Style xorRed = styleOf(Color::RED, Style::XOR_OP);
    window.drawRectangleFilled(xorRed, 10, 10, 30, 30);
    EXPECT_EQ(window.readPixel(20, 20), CYAN);  // white xor red
    window.drawRectangleFilled(xorRed, 10, 10, 30, 30);
    EXPECT_EQ(window.readPixel(20, 20), Color::WHITE);
}

TEST_F(PrimitivesStyle, XorWithAntialiasingDrawsWithoutSmoothing) {
    window.enableAntialiasing();
    const Style xorRed = styleOf(Color::RED, Style::XOR_OP);
    window.drawLine(xorRed, 10, 10, 90, 40);
    // Smoothing would leave partly covered pixels in other colours.
    for (const Pixel& p : rectangle(5, 5, 95, 45)) {
        const Color c = window.readPixel(p.first, p.second);
        ASSERT_TRUE(c == Color::WHITE || c == CYAN) << "at (" << p.first << ", " << p.second << "): " << c;
    }
    window.drawLine(xorRed, 10, 10, 90, 40);
    EXPECT_TRUE(drawnWithin(5, 5, 95, 45).empty());
}

TEST_F(PrimitivesStyle, AntialiasedLineIsStillDrawnAfterALogicOperation) {
    window.enableAntialiasing();
    window.drawLine(styleOf(Color::RED, Style::XOR_OP), 10, 10, 50, 10);
    window.drawLine(Style::BLACK, 10, 20, 50, 20);  // the logic op must be off again
    EXPECT_NE(window.readPixel(30, 20), CYAN);
    EXPECT_TRUE(isDrawn(30, 20));
}

TEST_F(PrimitivesStyle, InvertedTurnsWhiteToBlackAndBack) {
    window.drawRectangleFilled(Style::INVERTED, 10, 10, 30, 30);
    EXPECT_EQ(window.readPixel(20, 20), Color::BLACK);
    window.drawRectangleFilled(Style::INVERTED, 15, 15, 35, 35);
    EXPECT_EQ(window.readPixel(20, 20), Color::WHITE);
    EXPECT_EQ(window.readPixel(32, 32), Color::BLACK);
}

TEST_F(PrimitivesStyle, HalfTransparentBlackOverWhiteBlendsToGrey) {
    window.drawRectangleFilled(styleOf(Color(0, 0, 0, 128)), 10, 10, 30, 30);
    const Color grey = window.readPixel(20, 20);
    EXPECT_NEAR(grey.getRed(), 127, 2);
    EXPECT_NEAR(grey.getGreen(), 127, 2);
    EXPECT_NEAR(grey.getBlue(), 127, 2);
}

TEST_F(PrimitivesStyle, BlendingEndsWithTheTransparentCommand) {
    window.drawRectangleFilled(styleOf(Color(0, 0, 0, 128)), 10, 10, 30, 30);
    window.enableAntialiasing();
    window.disableAntialiasing();
    // An opaque style with alpha 255 overwrites: no trace of the grey below.
    window.drawRectangleFilled(styleOf(Color(0, 0, 255, 255)), 10, 10, 30, 30);
    EXPECT_EQ(window.readPixel(20, 20), Color::BLUE);
}

TEST_F(PrimitivesStyle, PatternDrawsEightPixelsOnThenEightOff) {
    window.drawLine(styleOf(Color::BLACK, Style::COPY_OP, 0x00FF), 10, 20, 74, 20);
    Pixels expected;
    for (int x = 10; x < 74; ++x)
        if ((x - 10) % 16 < 8) expected.insert({x, 20});
    EXPECT_EQ(drawnWithin(5, 18, 80, 22), expected);
}

TEST_F(PrimitivesStyle, PatternStartsAfreshWithEachCommand) {
    const Style dashed = styleOf(Color::BLACK, Style::COPY_OP, 0x0F0F);
    window.drawLine(dashed, 10, 20, 15, 20);
    window.drawLine(dashed, 15, 20, 30, 20);
    // Each line begins with four pixels on: x 10..13, then 15..18, 23..26.
    Pixels expected{{10, 20}, {11, 20}, {12, 20}, {13, 20}, {15, 20}, {16, 20}, {17, 20}, {18, 20},
                    {23, 20}, {24, 20}, {25, 20}, {26, 20}};
    EXPECT_EQ(drawnWithin(5, 18, 35, 22), expected);
}

TEST_F(PrimitivesStyle, WideLineCoversNeighbouringRows) {
    window.drawLine(styleOf(Color::BLACK, Style::COPY_OP, 0xFFFF, 3), 10, 50, 60, 50);
    EXPECT_TRUE(isDrawn(30, 49));
    EXPECT_TRUE(isDrawn(30, 50));
    EXPECT_TRUE(isDrawn(30, 51));
    EXPECT_FALSE(isDrawn(30, 47));
    EXPECT_FALSE(isDrawn(30, 53));
}

// ---- Arcs, chords, circles, ellipses, wedges and Bézier curves. ----

// The box (20, 20)-(120, 120): a circle of radius 50 about (70, 70).
constexpr int BOX_LEFT = 20, BOX_RIGHT = 120, CX = 70, CY = 70;

TEST_F(PrimitivesCurved, ArcFromZeroToNinetyLiesInTheUpperRightQuarter) {
    window.drawArc(Style::BLACK, BOX_LEFT, BOX_LEFT, BOX_RIGHT, BOX_RIGHT, 0.0, 90.0);
    const std::vector<ArcPoint> arc = traceArc(BOX_LEFT, BOX_LEFT, BOX_RIGHT, BOX_RIGHT, 0, 90 * 1024);
    ASSERT_GT(arc.size(), 10u);
    // Every vertex but the last starts a segment of the strip and is lit.
    for (std::size_t i = 0; i + 1 < arc.size(); ++i)
        EXPECT_TRUE(isDrawn(arc[i].x, arc[i].y)) << "vertex " << i << " at (" << arc[i].x << ", " << arc[i].y << ")";
    // Nothing of the other three quarters is.
    for (const Pixel& p : drawnWithin(BOX_LEFT - 2, BOX_LEFT - 2, BOX_RIGHT + 2, BOX_RIGHT + 2)) {
        EXPECT_GE(p.first, CX) << "at (" << p.first << ", " << p.second << ")";
        EXPECT_LE(p.second, CY) << "at (" << p.first << ", " << p.second << ")";
    }
}

TEST_F(PrimitivesCurved, ArcAnglesTravelInUnitsOfA1024thOfADegree) {
    // Around -45 degrees on a circle of radius 400 about the origin, half a degree is 3.5 pixels:
    // the arc from -45.5 lights vertices that an arc from -45 would not.
    window.drawArc(Style::BLACK, -400, -400, 400, 400, -45.5, 0.0);
    const std::vector<ArcPoint> fromHalf = traceArc(-400, -400, 400, 400, -46592, 0);
    const std::vector<ArcPoint> fromWhole = traceArc(-400, -400, 400, 400, -45 * 1024, 0);
    ASSERT_GE(fromHalf.size(), fromWhole.size() + 2);
    ASSERT_NE(fromHalf[0], fromWhole[0]);
    EXPECT_TRUE(isDrawn(fromHalf[0].x, fromHalf[0].y));
    EXPECT_TRUE(isDrawn(fromHalf[1].x, fromHalf[1].y));
    EXPECT_FALSE(isDrawn(fromHalf[0].x - 2, fromHalf[0].y + 2));  // and not before it
}

TEST_F(PrimitivesCurved, FilledWedgeFromZeroToNinetyFillsFromTheBottomToTheRight) {
    window.drawWedgeFilled(Style::BLACK, BOX_LEFT, BOX_LEFT, BOX_RIGHT, BOX_RIGHT, 0.0, 90.0);
    EXPECT_TRUE(isDrawn(CX + 20, CY + 20));  // lower right
    EXPECT_TRUE(isDrawn(CX + 3, CY + 40));   // just right of the bottom
    EXPECT_TRUE(isDrawn(CX + 40, CY + 3));   // just below the right
    EXPECT_FALSE(isDrawn(CX - 20, CY + 20));
    EXPECT_FALSE(isDrawn(CX - 20, CY - 20));
    EXPECT_FALSE(isDrawn(CX + 20, CY - 20));
}

TEST_F(PrimitivesCurved, WedgeFromThreeHundredFiftyToTenStraddlesTheBottom) {
    window.drawWedgeFilled(Style::BLACK, BOX_LEFT, BOX_LEFT, BOX_RIGHT, BOX_RIGHT, 350.0, 10.0);
    EXPECT_TRUE(isDrawn(CX, CY + 40));
    EXPECT_FALSE(isDrawn(CX + 20, CY + 20));
    EXPECT_FALSE(isDrawn(CX, CY - 40));
}

TEST_F(PrimitivesCurved, WedgeWithEqualAnglesDrawsNothing) {
    window.drawWedgeFilled(Style::BLACK, BOX_LEFT, BOX_LEFT, BOX_RIGHT, BOX_RIGHT, 30.0, 30.0);
    EXPECT_TRUE(drawnWithin(CX - 5, CY - 5, CX + 5, CY + 5).empty());
}

TEST_F(PrimitivesCurved, WedgeOutlineLeavesItsInsideEmpty) {
    window.drawWedgeOutline(Style::BLACK, BOX_LEFT, BOX_LEFT, BOX_RIGHT, BOX_RIGHT, 0.0, 90.0);
    EXPECT_FALSE(isDrawn(CX + 20, CY + 20));
    EXPECT_FALSE(drawnWithin(CX + 34, CY + 34, CX + 37, CY + 37).empty());  // on the rim
}

TEST_F(PrimitivesCurved, FilledChordFillsBetweenTheArcAndItsChord) {
    window.drawChordFilled(Style::BLACK, BOX_LEFT, BOX_LEFT, BOX_RIGHT, BOX_RIGHT, 0.0, 90.0);
    EXPECT_TRUE(isDrawn(CX + 30, CY - 30));   // inside the circle, beyond the chord
    EXPECT_FALSE(isDrawn(CX + 15, CY - 15));  // on the centre's side of the chord
    EXPECT_FALSE(isDrawn(CX, CY));
}

TEST_F(PrimitivesCurved, ChordOutlineIsClosedByAStraightLine) {
    window.drawChordOutline(Style::BLACK, BOX_LEFT, BOX_LEFT, BOX_RIGHT, BOX_RIGHT, 0.0, 90.0);
    // The chord runs from (120, 70) to (70, 20); its middle is (95, 45).
    EXPECT_FALSE(drawnWithin(CX + 24, CY - 26, CX + 26, CY - 24).empty());
    EXPECT_FALSE(isDrawn(CX + 30, CY - 30));
}

TEST_F(PrimitivesCurved, FilledCircleCoversItsDisk) {
    window.drawCircleFilled(Style::BLACK, CX, CY, 30);
    EXPECT_TRUE(isDrawn(CX, CY));
    EXPECT_TRUE(isDrawn(CX + 25, CY));
    EXPECT_TRUE(isDrawn(CX, CY - 25));
    EXPECT_FALSE(isDrawn(CX + 33, CY));
    EXPECT_FALSE(isDrawn(CX + 25, CY + 25));
}

TEST_F(PrimitivesCurved, CircleOutlineLightsOnlyItsRim) {
    window.drawCircleOutline(Style::BLACK, CX, CY, 30);
    EXPECT_FALSE(isDrawn(CX, CY));
    EXPECT_FALSE(isDrawn(CX + 25, CY));
    EXPECT_FALSE(drawnWithin(CX + 28, CY - 1, CX + 31, CY + 1).empty());
    EXPECT_FALSE(drawnWithin(CX - 1, CY - 31, CX + 1, CY - 28).empty());
}

TEST_F(PrimitivesCurved, FilledEllipseFillsItsBox) {
    window.drawEllipseFilled(Style::BLACK, 20, 40, 120, 80);  // centre (70, 60), radii 50 and 20
    EXPECT_TRUE(isDrawn(110, 60));
    EXPECT_TRUE(isDrawn(70, 44));
    EXPECT_FALSE(isDrawn(70, 35));
    EXPECT_FALSE(isDrawn(115, 75));
}

TEST_F(PrimitivesCurved, EllipseOutlineLeavesItsInsideEmpty) {
    window.drawEllipseOutline(Style::BLACK, 20, 40, 120, 80);
    EXPECT_FALSE(isDrawn(70, 60));
    EXPECT_FALSE(drawnWithin(67, 38, 73, 42).empty());
}

TEST_F(PrimitivesCurved, EllipseWithNoWidthDrawsNothing) {
    window.drawEllipseFilled(Style::BLACK, 50, 20, 50, 80);
    window.drawWedgeFilled(Style::BLACK, 50, 20, 50, 80, 0.0, 180.0);
    EXPECT_TRUE(drawnWithin(47, 18, 53, 82).empty());
}

TEST_F(PrimitivesCurved, OnePointBezierCurveDrawsNothing) {
    window.drawBezierCurve(Style::BLACK, {50}, {50});
    window.drawBezierCurve(Style::BLACK, {80, 80, 80}, {50, 50, 50});
    EXPECT_TRUE(drawnWithin(45, 45, 85, 55).empty());
}

TEST_F(PrimitivesCurved, BezierCurveIsOneSegmentThroughItsEnds) {
    window.drawBezierCurve(Style::BLACK, {20, 70, 120}, {100, 20, 100});
    EXPECT_TRUE(isDrawn(20, 100));
    EXPECT_FALSE(drawnWithin(69, 59, 71, 61).empty());  // the middle, at t = 1/2
    EXPECT_FALSE(isDrawn(70, 20));                      // the control point pulls, not passes
}

TEST_F(PrimitivesCurved, BezierCurveToAFarPointDrawsItsVisiblePartPromptly) {
    const auto start = std::chrono::steady_clock::now();
    window.drawBezierCurve(Style::BLACK, {0, 1000000000}, {10, 10});
    window.drawBezierCurve(Style::BLACK, {-1000000000, 1000000000}, {20, 20});  // seen halfway
    const Pixels drawn = drawnWithin(0, 0, WIDTH - 1, 30);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    // A hang guard, not a measurement: evaluating the whole curve held the renderer for half a
    // minute and more.
    EXPECT_LT(took.count(), 10.0) << "seconds";
    Pixels expected = rectangle(0, 10, WIDTH - 1, 10);
    for (const Pixel& p : rectangle(0, 20, WIDTH - 1, 20)) expected.insert(p);
    EXPECT_EQ(differences(drawn, expected), "");
}

TEST_F(PrimitivesCurved, BezierCurveWithMorePointsThanTheRendererTakesWarnsAndDrawsNothing) {
    window.drawBezierCurve(Style::BLACK, {10, 100}, {10, 10});
    window.drawRectangleFilled(Style::WHITE, 0, 0, WIDTH, HEIGHT);
    std::vector<int> xs, ys;
    for (int i = 0; i < 64; ++i) {
        xs.push_back(10 + 5 * i);
        ys.push_back(i % 2 ? 200 : 250);
    }
    const std::string output = stderrOf([&] {
        window.drawBezierCurve(Style::BLACK, xs, ys);
        window.readPixel(0, 0);  // the command has run
    });
    const std::string tooMany =
        reportPattern(diagnostics::Kind::WARNING, "RendererDrawing.cpp",
                      "The curve passed to drawBezierCurve has more points than the renderer can draw");
    EXPECT_EQ(countMatches(output, tooMany), 1) << output;
    EXPECT_TRUE(drawnWithin(0, 0, WIDTH - 1, HEIGHT - 1).empty());  // not the curve before it either
}

TEST_F(PrimitivesCurved, BezierCurveLeavingTheWindowDrawsInItWhatAWindowHoldingItAllShows) {
    Window whole{1000, 800, uniqueTitle("PrimitivesTest")};
    waitUntilShown(whole);
    // Both start in the small window and swing out past its right and bottom edges; the first
    // comes back in at the top, the second, dashed, ends outside.
    const std::vector<int> returningXs{30, 980, 980, 60}, returningYs{250, 780, 10, 20};
    const std::vector<int> leavingXs{20, 300, 900, 700}, leavingYs{20, 600, 100, 700};
    const Style dashed = styleOf(Color::BLACK, Style::COPY_OP, 0x0F0F);
    for (Window* w : {&window, &whole}) {
        w->drawBezierCurve(Style::BLACK, returningXs, returningYs);
        w->drawBezierCurve(dashed, leavingXs, leavingYs);
    }
    // The window's size enters the rounding of every vertex, which may move a pixel by one.
    const Pixels inWhole = drawnIn(whole, 0, 0, WIDTH - 1, HEIGHT - 1);
    EXPECT_EQ(differences(drawnWithin(0, 0, WIDTH - 1, HEIGHT - 1), inWhole, 1), "");
}

// ---- Round shapes against their ideal pixels. ----
//
// Integer coordinates lie on pixel corners: pixel (i, j) is the square from (i, j) to (i + 1, j + 1)
// and its centre is (i + 0.5, j + 0.5). A filled circle, ellipse or wedge covers exactly the pixels
// whose centres lie inside it: a circle of radius r about (x, y) is centred on the corner point
// (x, y), like the filled rectangle from (x - r, y - r) to (x + r, y + r). Outlines run through pixel
// centres like a rectangle's: the outline of radius r about (x, y) is the circle of radius r about
// the centre of pixel (x, y).

namespace {

// An axis-aligned ellipse as the window's calls describe it: a centre and two radii.
struct Round {
    int cx, cy, rx, ry;
};

// A box given by two opposite corners, in any order.
struct Box {
    int x1, y1, x2, y2;
    // The ellipse inside it: its centre and half sizes truncated toward zero.
    Round ellipse() const { return {(x1 + x2) / 2, (y1 + y2) / 2, std::abs((x2 - x1) / 2), std::abs((y2 - y1) / 2)}; }
};

std::ostream& operator<<(std::ostream& out, const Box& b) {
    return out << "box " << b.x1 << ", " << b.y1 << ", " << b.x2 << ", " << b.y2;
}

// A wedge's angles, start and end, in degrees.
struct Angles {
    double start, end;
    // Counterclockwise from the start to the end; an end before the start lies in the next turn.
    double sweep() const {
        double sweep = end - start;
        while (sweep < 0) sweep += 360;
        return sweep;
    }
};

std::ostream& operator<<(std::ostream& out, const Angles& a) { return out << " from " << a.start << " to " << a.end; }

// Whether the centre of pixel (i, j) lies inside the ellipse: exact, in whole numbers.
bool centreInside(const Round& e, long i, long j) {
    const __int128 u = 2 * (i - e.cx) + 1, v = 2 * (j - e.cy) + 1;  // twice the centre's offsets
    const __int128 a = e.rx, b = e.ry;
    return u * u * b * b + v * v * a * a < 4 * a * a * b * b;
}

// The angle at which a wedge reaches the centre of pixel (i, j): 0 straight below the ellipse's
// centre, growing counterclockwise on screen, measured on the circle the ellipse is squeezed from.
double wedgeAngleOf(const Round& e, int i, int j) {
    const double degrees = std::atan2((i + 0.5 - e.cx) / e.rx, (j + 0.5 - e.cy) / e.ry) * 180 / M_PI;
    return degrees < 0 ? degrees + 360 : degrees;
}

// The pixels of a window whose centres lie inside the ellipse.
Pixels idealFill(const Round& e) {
    Pixels inside;
    for (int j = std::max(0, e.cy - e.ry); j < std::min(HEIGHT, e.cy + e.ry); ++j)
        for (int i = std::max(0, e.cx - e.rx); i < std::min(WIDTH, e.cx + e.rx); ++i)
            if (centreInside(e, i, j)) inside.insert({i, j});
    return inside;
}

// Whether a wedge angle lies between the wedge's straight edges.
bool withinSweep(double angle, const Angles& a) {
    return a.sweep() >= 360 || std::fmod(angle - a.start + 720, 360) < a.sweep();
}

// Pixels whose centres lie on a straight edge of the wedge, to within rounding: either is right.
bool onStraightEdge(double angle, const Angles& a) {
    auto near = [angle](double edge) { return std::abs(std::remainder(angle - edge, 360)) < 1e-9; };
    return near(a.start) || near(a.start + a.sweep());
}

struct Point {
    double x, y;
};

// Points a twentieth of a pixel apart along an outline: the arc of the ellipse about the centre of
// its centre pixel from start through sweep degrees (wedge angles), and for a slice of less than a
// full turn the two straight edges back to that centre.
std::vector<Point> outlineCurve(const Round& e, const Angles& angles = {0, 360}) {
    const double start = angles.start, sweep = std::min(angles.sweep(), 360.0);
    const double cx = e.cx + 0.5, cy = e.cy + 0.5;
    std::vector<Point> curve;
    const int arcSteps = static_cast<int>(20 * 2 * M_PI * std::max(e.rx, e.ry) * sweep / 360) + 1;
    for (int k = 0; k <= arcSteps; ++k) {
        const double angle = (start + sweep * k / arcSteps) * M_PI / 180;
        curve.push_back({cx + e.rx * std::sin(angle), cy + e.ry * std::cos(angle)});
    }
    if (sweep < 360) {
        const Point first = curve.front(), last = curve.back();
        const int edgeSteps = 20 * std::max(e.rx, e.ry);
        for (int k = 0; k <= edgeSteps; ++k) {
            const double f = static_cast<double>(k) / edgeSteps;
            curve.push_back({last.x + (cx - last.x) * f, last.y + (cy - last.y) * f});
        }
        for (int k = 0; k <= edgeSteps; ++k) {
            const double f = static_cast<double>(k) / edgeSteps;
            curve.push_back({cx + (first.x - cx) * f, cy + (first.y - cy) * f});
        }
    }
    return curve;
}

double distance(const Point& p, const Pixel& pixel) {
    return std::hypot(pixel.first + 0.5 - p.x, pixel.second + 0.5 - p.y);
}

// How far a point lies from the square of a pixel: 0 inside it.
double distanceToSquare(const Point& p, const Pixel& pixel) {
    const double dx = std::max(std::abs(pixel.first + 0.5 - p.x) - 0.5, 0.0);
    const double dy = std::max(std::abs(pixel.second + 0.5 - p.y) - 0.5, 0.0);
    return std::hypot(dx, dy);
}

// How a drawn outline strays from its curve, as text: empty when every lit pixel touches the curve
// (to within the eighth of a pixel by which the polygon standing for it may stray, and the
// spacing of the points along it) and, followed along the curve, the nearest lit pixel never
// jumps past a neighbour of the last one (no gap).
std::string straysFrom(const Pixels& lit, const std::vector<Point>& curve) {
    std::string text;
    if (lit.empty()) return " nothing drawn";
    for (const Pixel& pixel : lit) {
        double nearest = 1e9;
        for (const Point& p : curve) nearest = std::min(nearest, distanceToSquare(p, pixel));
        if (nearest > 0.125 + 0.05) text += " off the curve " + named(pixel);
    }
    Pixel previous{-1000, -1000};
    for (const Point& p : curve) {
        Pixel closest = *lit.begin();
        for (const Pixel& pixel : lit)
            if (distance(p, pixel) < distance(p, closest)) closest = pixel;
        const bool jumps =
            std::abs(closest.first - previous.first) > 1 || std::abs(closest.second - previous.second) > 1;
        if (previous.first != -1000 && jumps)
            text += " gap at (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
        previous = closest;
    }
    return text;
}

}  // namespace

class PrimitivesRound : public DrawingWindow {
protected:
    // What draw puts on a cleared window around the ellipse.
    Pixels drawnAlone(const Round& e, const std::function<void()>& draw) {
        window.drawRectangleFilled(Style::WHITE, 0, 0, WIDTH, HEIGHT);
        draw();
        return drawnWithin(std::max(0, e.cx - e.rx - 3), std::max(0, e.cy - e.ry - 3),
                           std::min(WIDTH - 1, e.cx + e.rx + 3), std::min(HEIGHT - 1, e.cy + e.ry + 3));
    }

    // Circles and ellipses, small and large, flat and tall, with corners given either way round.
    const std::vector<Box> boxes{{20, 40, 120, 80}, {100, 100, 20, 20}, {10, 10, 13, 60},   {30, 30, 91, 37},
                                 {50, 50, 52, 53},  {5, 5, 8, 6},       {60, 200, 10, 150}, {150, 150, 162, 170}};
    const std::vector<Angles> angles{{0, 90},    {90, 0},  {350, 10},  {45, 225},
                                     {200, 170}, {30, 31}, {-30, 600}, {0, 360}};
};

TEST_F(PrimitivesRound, FilledCirclesOfEveryRadiusCoverThePixelsWhoseCentresLieInside) {
    for (int r = 1; r <= 40; ++r) {
        const Pixels drawn = drawnAlone({150, 120, r, r}, [&] { window.drawCircleFilled(Style::BLACK, 150, 120, r); });
        EXPECT_EQ(differences(drawn, idealFill({150, 120, r, r})), "") << "radius " << r;
    }
}

TEST_F(PrimitivesRound, FilledCircleOfRadiusFourIsEightPixelsAcrossWithRoundedCorners) {
    // The editor's vertices: rows of 4, 6, 8, 8, 8, 8, 6 and 4 pixels about the corner (100, 100).
    window.drawCircleFilled(Style::BLACK, 100, 100, 4);
    Pixels expected = rectangle(98, 96, 101, 96);
    for (const Pixels& rows : {rectangle(97, 97, 102, 97), rectangle(96, 98, 103, 101), rectangle(97, 102, 102, 102),
                               rectangle(98, 103, 101, 103)})
        expected.insert(rows.begin(), rows.end());
    EXPECT_EQ(drawnWithin(90, 90, 110, 110), expected);
}

TEST_F(PrimitivesRound, FilledCircleFarLargerThanTheWindowCoversItsPartOfIt) {
    // The top of a circle of radius a million: a gentle arch across the bottom of the window.
    const Round huge{WIDTH / 2, HEIGHT / 2 + 1000000 - 40, 1000000, 1000000};
    window.drawCircleFilled(Style::BLACK, huge.cx, huge.cy, huge.rx);
    EXPECT_EQ(differences(drawnWithin(0, 0, WIDTH - 1, HEIGHT - 1), idealFill(huge)), "");
}

TEST_F(PrimitivesRound, OutlinesFarLargerThanTheWindowDrawTheirPartOfIt) {
    // Circles of nearly the largest radius: the top of one runs flat along row 150, the left side
    // of the other straight down column 200. Their far sides lie beyond 32-bit coordinates.
    const int largest = std::numeric_limits<int>::max();
    window.drawCircleOutline(Style::BLACK, WIDTH / 2, largest, largest - 150);
    window.drawCircleOutline(Style::BLACK, largest, HEIGHT / 2, largest - 200);
    window.drawCircleOutline(Style::BLACK, -largest - 1, HEIGHT / 2, largest);  // just left of the window
    Pixels expected = rectangle(1, 150, WIDTH - 1, 150);
    for (const Pixel& p : rectangle(200, 0, 200, HEIGHT - 1)) expected.insert(p);
    // From column 1: softpipe leaves out column 0 of any line that leaves the window to the left.
    EXPECT_EQ(differences(drawnWithin(1, 0, WIDTH - 1, HEIGHT - 1), expected), "");
}

// Radii far beyond the window, up to the largest: what reaches the window is drawn as the circle
// of that radius is, at once, and no more is traced. Each box is a square whose corners make one
// circle, its top-left quarter crossing the window's middle at 45 degrees.
TEST_F(PrimitivesRoundedRectangle, HugeRadiiDrawWhatReachesTheWindowAsTheirCircle) {
    for (const int radius : {1000000, 100000000, std::numeric_limits<int>::max()}) {
        SCOPED_TRACE(radius);
        // The largest radius is taken as half a side of 2^30, where GL still draws every corner.
        const int r = std::min(radius, 1 << 29);
        const int left = WIDTH / 2 - static_cast<int>(r * (1 - M_SQRT1_2)), top = HEIGHT / 2 - (WIDTH / 2 - left);
        const Round circle{left + r, top + r, r, r};
        window.clear();
        window.drawRoundedRectangleFilled(Style::BLACK, left, top, left + 2 * r, top + 2 * r, radius);
        EXPECT_EQ(differences(drawnWithin(0, 0, WIDTH - 1, HEIGHT - 1), idealFill(circle), 1), "");
        window.clear();
        window.drawRoundedRectangleOutline(Style::BLACK, left, top, left + 2 * r, top + 2 * r, radius);
        Pixels rim;
        for (int j = 0; j < HEIGHT; ++j)
            for (int i = 0; i < WIDTH; ++i)
                if (std::abs(std::hypot(i + 0.5L - circle.cx, j + 0.5L - circle.cy) - r) < 0.5L) rim.insert({i, j});
        EXPECT_EQ(differences(drawnWithin(0, 0, WIDTH - 1, HEIGHT - 1), rim, 1), "");
    }
}

TEST_F(PrimitivesRound, FilledEllipsesCoverThePixelsWhoseCentresLieInside) {
    std::vector<Box> withLarge = boxes;
    withLarge.push_back({200, 10, 391, 290});
    for (const Box& b : withLarge) {
        const Pixels drawn =
            drawnAlone(b.ellipse(), [&] { window.drawEllipseFilled(Style::BLACK, b.x1, b.y1, b.x2, b.y2); });
        EXPECT_EQ(differences(drawn, idealFill(b.ellipse())), "") << b;
    }
}

TEST_F(PrimitivesRound, FilledWedgesCoverThePixelsWhoseCentresLieBetweenTheirEdges) {
    for (const Box& b : boxes) {
        const Round e = b.ellipse();
        for (const Angles& a : angles) {
            Pixels drawn =
                drawnAlone(e, [&] { window.drawWedgeFilled(Style::BLACK, b.x1, b.y1, b.x2, b.y2, a.start, a.end); });
            Pixels expected;
            for (const Pixel& p : idealFill(e)) {
                const double angle = wedgeAngleOf(e, p.first, p.second);
                if (onStraightEdge(angle, a))
                    drawn.erase(p);
                else if (withinSweep(angle, a))
                    expected.insert(p);
            }
            EXPECT_EQ(differences(drawn, expected), "") << b << a;
        }
    }
}

TEST_F(PrimitivesRound, WedgesAroundACircleCoverItOnceEach) {
    // Drawn with exclusive or, a pixel that two slices shared would come back white.
    const Style xorRed = styleOf(Color::RED, Style::XOR_OP);
    for (int start = 0; start < 360; start += 45) window.drawWedgeFilled(xorRed, 20, 20, 120, 120, start, start + 45);
    window.drawWedgeFilled(xorRed, 150, 30, 163, 41, 10, 130);
    window.drawWedgeFilled(xorRed, 150, 30, 163, 41, 130, 10);
    Pixels expected = idealFill({70, 70, 50, 50});
    const Pixels small = idealFill({156, 35, 6, 5});
    expected.insert(small.begin(), small.end());
    EXPECT_EQ(differences(drawnWithin(15, 15, 170, 125), expected), "");
}

TEST_F(PrimitivesRound, HalfTransparentCircleBlendsEachPixelOnce) {
    window.drawCircleFilled(styleOf(Color(0, 0, 0, 128)), 100, 100, 20);
    for (const Pixel& p : idealFill({100, 100, 20, 20})) {
        const Color c = window.readPixel(p.first, p.second);
        ASSERT_NEAR(c.getRed(), 127, 2) << "at " << named(p);
    }
}

TEST_F(PrimitivesRound, CircleOutlinesOfEveryRadiusFollowTheirCurve) {
    for (int r = 1; r <= 40; ++r) {
        const Pixels drawn = drawnAlone({150, 120, r, r}, [&] { window.drawCircleOutline(Style::BLACK, 150, 120, r); });
        EXPECT_EQ(straysFrom(drawn, outlineCurve({150, 120, r, r})), "") << "radius " << r;
    }
}

TEST_F(PrimitivesRound, CircleAndEllipseOutlinesDrawnWithExclusiveOrLightEachPixelOnce) {
    // Drawn with exclusive or, a pixel that an outline reached twice would come back white. None of
    // these shapes overlap, nor comes within a pixel of itself (as the ends of a very flat ellipse do).
    auto drawAll = [&](const Style& style) {
        for (int r = 1; r <= 12; ++r) window.drawCircleOutline(style, 10 + r * (r + 3), 30, r);
        for (int k = 0; k < 8; ++k) window.drawEllipseOutline(style, 10 + 48 * k, 80, 50 - 4 * k + 48 * k, 150 - 8 * k);
        window.drawEllipseOutline(style, 20, 180, 380, 290);
    };
    drawAll(Style::BLACK);
    const Pixels copied = drawnWithin(0, 0, WIDTH - 1, HEIGHT - 1);
    window.drawRectangleFilled(Style::WHITE, 0, 0, WIDTH, HEIGHT);
    drawAll(styleOf(Color::RED, Style::XOR_OP));
    EXPECT_EQ(differences(drawnWithin(0, 0, WIDTH - 1, HEIGHT - 1), copied), "");
}

TEST_F(PrimitivesRound, AntialiasedCircleOutlineIsSmoothedAlongItsCurve) {
    window.enableAntialiasing();
    window.drawCircleOutline(Style::BLACK, 100, 100, 30);
    int partlyCovered = 0;
    for (const Pixel& p : drawnWithin(60, 60, 140, 140)) {
        const double fromCurve = std::abs(std::hypot(p.first - 100, p.second - 100) - 30);
        EXPECT_LT(fromCurve, 2.0) << "at " << named(p);
        const Color c = window.readPixel(p.first, p.second);
        partlyCovered += c.getRed() > 0 && c.getRed() < 255;
    }
    EXPECT_GT(partlyCovered, 60);  // a grey fringe, not a hard chain of black pixels
}

TEST_F(PrimitivesRound, DashedCircleOutlineLightsEveryOtherEightOfItsPixels) {
    const Round circle{100, 100, 30, 30};
    const Pixels solid = drawnAlone(circle, [&] { window.drawCircleOutline(Style::BLACK, 100, 100, 30); });
    const Style dashed = styleOf(Color::BLACK, Style::COPY_OP, 0x00FF);
    const Pixels dashes = drawnAlone(circle, [&] { window.drawCircleOutline(dashed, 100, 100, 30); });
    EXPECT_EQ(differences(dashes, solid).find("extra"), std::string::npos) << differences(dashes, solid);
    EXPECT_NEAR(static_cast<double>(dashes.size()), solid.size() / 2.0, 8);
}

TEST_F(PrimitivesRound, CircleOutlineSpansItsRectangleOutline) {
    window.drawCircleOutline(Style::BLACK, 100, 100, 10);
    const Pixels drawn = drawnWithin(85, 85, 115, 115);
    for (const Pixel& rim : {Pixel{90, 100}, Pixel{110, 100}, Pixel{100, 90}, Pixel{100, 110}})
        EXPECT_TRUE(drawn.count(rim)) << "at " << named(rim);
    for (const Pixel& p : drawn) {
        EXPECT_GE(p.first, 90);
        EXPECT_LE(p.first, 110);
        EXPECT_GE(p.second, 90);
        EXPECT_LE(p.second, 110);
    }
}

TEST_F(PrimitivesRound, EllipseOutlinesFollowTheirCurve) {
    for (const Box& b : boxes) {
        const Pixels drawn =
            drawnAlone(b.ellipse(), [&] { window.drawEllipseOutline(Style::BLACK, b.x1, b.y1, b.x2, b.y2); });
        EXPECT_EQ(straysFrom(drawn, outlineCurve(b.ellipse())), "") << b;
    }
}

TEST_F(PrimitivesRound, WedgeOutlinesFollowTheirArcAndEdges) {
    for (const Box& b : boxes) {
        for (const Angles& a : angles) {
            const Pixels drawn = drawnAlone(
                b.ellipse(), [&] { window.drawWedgeOutline(Style::BLACK, b.x1, b.y1, b.x2, b.y2, a.start, a.end); });
            EXPECT_EQ(straysFrom(drawn, outlineCurve(b.ellipse(), a)), "") << b << a;
        }
    }
}

// ---- PrimitivesPolygon: filled by the odd rule, warned about when their edges cross. ----

TEST_F(PrimitivesPolygon, ConcavePolygonLeavesItsNotchEmpty) {
    window.drawPolygonFilled(Style::BLACK, {10, 90, 90, 50, 10}, {10, 10, 90, 40, 90});
    EXPECT_TRUE(isDrawn(50, 20));
    EXPECT_TRUE(isDrawn(14, 80));   // the left leg
    EXPECT_TRUE(isDrawn(86, 80));   // the right leg
    EXPECT_FALSE(isDrawn(50, 70));  // the notch, which a convex fill would cover
}

// Any of the tessellator's reports: which one a bad polygon gets depends on the GLU library.
std::string tessellationWarning() {
    const char* const messages[] = {
        "Error tesselating polygon, a vertex edge intersection was found",
        "Error tesselating polygon, a misoriented or self-intersecting loop was found",
        "Error tesselating polygon, coincident vertices were found",
        "Error tesselating polygon, a vertices in you polygon are colinear",
        "Error tesselating polygon, some of your edges have been found to interesect",
        "Error tesselating polygon, unknown cause",
    };
    std::string pattern;
    for (const char* message : messages)
        pattern +=
            (pattern.empty() ? "" : "|") + reportPattern(diagnostics::Kind::WARNING, "RendererDrawing.cpp", message);
    return pattern;
}

TEST_F(PrimitivesPolygon, SelfIntersectingPolygonWarnsAndGoesOn) {
    const std::string output = stderrOf([&] {
        window.drawPolygonFilled(Style::BLACK, {10, 90, 90, 10}, {10, 90, 10, 90});
        window.readPixel(0, 0);  // the command has run
    });
    EXPECT_GE(countMatches(output, tessellationWarning()), 1) << output;
    window.drawPixel(Style::BLACK, 150, 150);
    EXPECT_TRUE(isDrawn(150, 150));
}

TEST_F(PrimitivesPolygon, SelfIntersectingOutlineIsDrawnCompletelyAndWarns) {
    const std::string output = stderrOf([&] {
        window.drawPolygonOutline(Style::BLACK, {10, 90, 90, 10}, {10, 90, 10, 90});
        window.readPixel(0, 0);
    });
    EXPECT_GE(countMatches(output, tessellationWarning()), 1) << output;
    EXPECT_TRUE(isDrawn(30, 30));  // first diagonal
    EXPECT_TRUE(isDrawn(90, 50));  // right side
    EXPECT_TRUE(isDrawn(70, 30));  // second diagonal
    EXPECT_TRUE(isDrawn(10, 50));  // closing side
}

TEST_F(PrimitivesPolygon, SimplePolygonOutlineWritesNothing) {
    const std::string output = stderrOf([&] {
        window.drawPolygonOutline(Style::BLACK, {10, 90, 90, 10}, {10, 10, 90, 90});
        window.readPixel(0, 0);
    });
    EXPECT_EQ(output, "");
    EXPECT_EQ(drawnWithin(8, 8, 92, 92), border(10, 10, 90, 90));
}

// Each polygon fills what GL fills for the triangles it is made of, drawn beside it; no edge passes
// through a pixel's sample point, where drivers differ. Only the one whose edges cross warns, once.
TEST_F(PrimitivesPolygon, FilledPolygonsCoverWhatTheirTrianglesCover) {
    struct Case {
        const char* name;
        std::vector<int> xs, ys;
        std::vector<std::array<int, 6>> triangles;
        bool crossing;
    };
    const Case cases[] = {
        {"concave", {10, 90, 90, 50, 10}, {10, 10, 90, 40, 90},
         {{10, 10, 90, 10, 50, 40}, {90, 10, 90, 90, 50, 40}, {10, 10, 50, 40, 10, 90}}, false},
        {"bowtie", {10, 90, 90, 10}, {10, 70, 10, 70}, {{10, 10, 50, 40, 10, 70}, {90, 10, 90, 70, 50, 40}}, true},
        {"plus in one line, its middle gone round twice",
         {40, 70, 70, 40, 40, 10, 10, 100, 100, 40},
         {10, 10, 100, 100, 70, 70, 40, 40, 70, 70},
         {{40, 10, 70, 10, 70, 40}, {40, 10, 70, 40, 40, 40}, {40, 70, 70, 70, 70, 100}, {40, 70, 70, 100, 40, 100},
          {10, 40, 40, 40, 40, 70}, {10, 40, 40, 70, 10, 70}, {70, 40, 100, 40, 100, 70}, {70, 40, 100, 70, 70, 70}},
         true},
    };
    const std::string crossingWarning =
        reportPattern(diagnostics::Kind::WARNING, "RendererDrawing.cpp", "Error tesselating polygon, coincident vertices were found");
    constexpr int BESIDE = 200;
    for (const Case& c : cases) {
        window.drawRectangleFilled(Style::WHITE, 0, 0, WIDTH, HEIGHT);
        const std::string output = stderrOf([&] {
            window.drawPolygonFilled(Style::BLACK, c.xs, c.ys);
            window.readPixel(0, 0);
        });
        EXPECT_EQ(countMatches(output, crossingWarning), c.crossing ? 1 : 0) << c.name << ": " << output;
        for (const auto& t : c.triangles)
            window.drawTriangleFilled(Style::BLACK, t[0] + BESIDE, t[1], t[2] + BESIDE, t[3], t[4] + BESIDE, t[5]);
        Pixels beside;
        for (const Pixel& p : drawnWithin(BESIDE, 0, WIDTH - 1, 110)) beside.insert({p.first - BESIDE, p.second});
        EXPECT_EQ(differences(drawnWithin(0, 0, BESIDE - 1, 110), beside), "") << c.name;
    }
}

// A filled polygon is the pixels of its runs (geometry/PolygonRaster.h), each drawn once, in call
// order with the shapes around it: the same picture as those pixels drawn one by one, under a
// logic op and with alpha. No edge passes through a pixel's sample point, where drivers differ.
TEST_F(PrimitivesPolygon, FilledPolygonsDrawTheirRunsInCallOrderUnderLogicOpsAndAlpha) {
    struct Polygon {
        std::vector<int> xs, ys;
    };
    const Polygon polygons[] = {
        {{40, 34, 22, 16, 22, 34}, {20, 31, 31, 20, 9, 9}},    // a hexagon
        {{60, 75, 90, 90, 95, 60}, {10, 10, 10, 10, 30, 33}},  // convex: straight on, a corner twice
        {{110, 150, 110, 121}, {10, 22, 34, 22}},              // concave
        {{160, 200, 200, 160}, {10, 35, 10, 35}},              // its edges cross
        {{210, 212, 210}, {12, 12, 13}},                       // tiny
        {{230, 250, 270}, {10, 20, 30}},                       // on one line: nothing
        {{-6, 10, 20, 3}, {60, 44, 71, 80}},                   // cut by the left edge
        {{380, 410, 395, 370}, {270, 285, 311, 305}},          // cut by the right and bottom
    };
    const Style styles[] = {styleOf(Color::BLUE), styleOf(Color(200, 40, 90), Style::XOR_OP),
                            styleOf(Color(0, 160, 0, 128))};
    const PixelArea area{0, 0, WIDTH, HEIGHT};
    auto picture = [&](bool runsAsPixels) {
        window.drawRectangleFilled(Style::WHITE, 0, 0, WIDTH, HEIGHT);
        for (const Style& style : styles) {
            for (const Polygon& p : polygons) {
                if (!runsAsPixels) {
                    window.drawPolygonFilled(style, p.xs, p.ys);
                } else {
                    std::vector<PolygonPoint> corners;
                    for (std::size_t i = 0; i < p.xs.size(); ++i) corners.push_back({p.xs[i], p.ys[i]});
                    forEachRun(corners, area, [&](const PixelRun& run) {
                        for (std::int64_t x = run.first; x <= run.last; ++x)
                            window.drawPixel(style, static_cast<int>(x), static_cast<int>(run.row));
                    });
                }
                window.drawCircleFilled(styleOf(Color::RED), p.xs[1], p.ys[1], 3);  // over the polygon
            }
        }
        return window.createImage(0, 0, WIDTH, HEIGHT).getPixels();
    };
    std::vector<unsigned char> drawn;
    stderrOf([&] { drawn = picture(false); });  // the warning for crossing edges is tested above
    const std::vector<unsigned char> expected = picture(true);
    ASSERT_EQ(drawn.size(), expected.size());
    const auto differs = std::mismatch(drawn.begin(), drawn.end(), expected.begin()).first;
    const int pixel = static_cast<int>(differs - drawn.begin()) / 4;  // rows run bottom up
    EXPECT_TRUE(differs == drawn.end()) << "first at " << named({pixel % WIDTH, HEIGHT - 1 - pixel / WIDTH});
}

TEST_F(PrimitivesPolygon, HugePolygonsDrawWithinSeconds) {
    std::vector<int> starXs, starYs, randomXs, randomYs;
    constexpr int STAR_CORNERS = 100000;
    for (int k = 0; k < STAR_CORNERS; ++k) {
        const double radius = k % 2 ? 70 : 140, angle = 2 * M_PI * k / STAR_CORNERS;
        starXs.push_back(200 + static_cast<int>(std::lround(radius * std::cos(angle))));
        starYs.push_back(150 + static_cast<int>(std::lround(radius * std::sin(angle))));
    }
    std::mt19937 random(5);
    for (int k = 0; k < 3000; ++k) {
        randomXs.push_back(std::uniform_int_distribution<int>(0, WIDTH - 1)(random));
        randomYs.push_back(std::uniform_int_distribution<int>(0, HEIGHT - 1)(random));
    }
    // Only a renderer stuck for many times the time these take (well under a second) fails this.
    constexpr double GENEROUS_SECONDS = 10;
    auto secondsOf = [&](const std::function<void()>& draw) {
        const auto start = std::chrono::steady_clock::now();
        stderrOf([&] {
            draw();
            window.readPixel(0, 0);
        });
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    EXPECT_LT(secondsOf([&] { window.drawPolygonFilled(Style::BLACK, starXs, starYs); }), GENEROUS_SECONDS);
    EXPECT_TRUE(isDrawn(200, 150));
    EXPECT_LT(secondsOf([&] { window.drawPolygonOutline(Style::RED, randomXs, randomYs); }), GENEROUS_SECONDS);
    EXPECT_EQ(window.readPixel(randomXs[0], randomYs[0]), Color::RED);
}

// ---- Copies and reads. ----

TEST_F(PrimitivesPixelTransfer, CopyRegionMovesABlock) {
    window.drawRectangleFilled(Style::RED, 10, 10, 20, 20);
    window.copyRegion(10, 10, 50, 60, 10, 10);
    EXPECT_EQ(drawnWithin(45, 55, 65, 75), rectangle(50, 60, 59, 69));
    EXPECT_EQ(window.readPixel(50, 60), Color::RED);
    EXPECT_EQ(window.readPixel(15, 15), Color::RED);  // the source stays
}

TEST_F(PrimitivesPixelTransfer, CopyRegionReachesTheBottomAndLeftEdges) {
    window.drawRectangleFilled(Style::RED, 10, 10, 20, 20);
    window.copyRegion(10, 10, 0, HEIGHT - 10, 10, 10);
    EXPECT_EQ(window.readPixel(0, HEIGHT - 1), Color::RED);
    EXPECT_EQ(window.readPixel(9, HEIGHT - 10), Color::RED);
    EXPECT_EQ(window.readPixel(10, HEIGHT - 1), Color::WHITE);
}

// A small window of its own in the screen's bottom-right corner, away from the windows that other
// tests open meanwhile, so that the screen there shows this window alone.
class PrimitivesPageFlip : public testing::Test {
protected:
    Window window{1800, 960, 100, 100, uniqueTitle("PrimitivesTest")};

    void SetUp() override {
        waitUntilShown(window);
        ASSERT_TRUE(eventually([&] { return onScreen(window, 20, 20) == Color::WHITE; }));
    }
};

TEST_F(PrimitivesPageFlip, ReadPixelSeesDrawingThatIsNotYetFlipped) {
    window.disableAutoPageFlip();
    window.drawRectangleFilled(Style::BLACK, 10, 10, 30, 30);
    EXPECT_EQ(window.readPixel(20, 20), Color::BLACK);
    EXPECT_EQ(onScreen(window, 20, 20), Color::WHITE);
    window.flipPage();
    EXPECT_TRUE(eventually([&] { return onScreen(window, 20, 20) == Color::BLACK; }));
}

// Turned off, autoflip shows at once what was drawn while it was on, and nothing drawn after.
TEST_F(PrimitivesPageFlip, TurningAutoflipOffShowsWhatWasDrawnBeforeAndNothingAfter) {
    window.drawRectangleFilled(Style::BLACK, 10, 10, 30, 30);
    window.disableAutoPageFlip();
    window.drawRectangleFilled(Style::RED, 50, 50, 70, 70);
    EXPECT_TRUE(eventually([&] { return onScreen(window, 20, 20) == Color::BLACK; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(onScreen(window, 60, 60), Color::WHITE);
}

// ---- The window's argument checks around these operations. ----

TEST_F(PrimitivesWindowChecks, ReadPixelWarnsOncePerCheckOutsideTheWindow) {
    const std::string outside = warningOf("The pixel being read is outside the bounds of the window");
    auto warningsFor = [&](int x, int y) { return countMatches(stderrOf([&] { window.readPixel(x, y); }), outside); };
    EXPECT_EQ(warningsFor(0, 0), 0);
    EXPECT_EQ(warningsFor(WIDTH, HEIGHT), 0);  // only beyond the size warns
    EXPECT_EQ(warningsFor(-1, 0), 1);
    EXPECT_EQ(warningsFor(WIDTH + 1, 0), 1);
    EXPECT_EQ(warningsFor(-1, HEIGHT + 1), 2);
}

TEST_F(PrimitivesWindowChecks, CreateImageWarnsOncePerCheckOutsideTheWindow) {
    const std::string outside = warningOf("The rectangle chosen to create an image from is outside the bounds of the window");
    auto warningsFor = [&](int x, int y, int w, int h) {
        return countMatches(stderrOf([&] { window.createImage(x, y, w, h); }), outside);
    };
    EXPECT_EQ(warningsFor(0, 0, 10, 10), 0);
    EXPECT_EQ(warningsFor(-5, 0, 10, 10), 1);
    EXPECT_EQ(warningsFor(WIDTH - 5, 0, 10, 10), 1);
    EXPECT_EQ(warningsFor(WIDTH + 100, 0, 10, 10), 2);
    EXPECT_EQ(warningsFor(-1, HEIGHT + 1, WIDTH + 10, 10), 3);
}

TEST_F(PrimitivesWindowChecks, CopyRegionWarnsOncePerCheckOutsideTheWindow) {
    const std::string outside = warningOf("The rectangle chosen for copying a region is outside the bounds of the window");
    auto warningsFor = [&](int x, int y, int w, int h) {
        const std::string output = stderrOf([&] {
            window.copyRegion(x, y, 0, 0, w, h);
            window.readPixel(0, 0);
        });
        return countMatches(output, outside);
    };
    EXPECT_EQ(warningsFor(0, 0, 10, 10), 0);
    EXPECT_EQ(warningsFor(-5, 0, 10, 10), 1);
    EXPECT_EQ(warningsFor(0, HEIGHT - 5, 10, 10), 1);
    EXPECT_EQ(warningsFor(WIDTH + 100, 0, 10, 10), 2);
    EXPECT_EQ(warningsFor(-1, HEIGHT + 1, WIDTH + 10, 10), 3);
}

// Sums of coordinates and sizes near the ends of int's range must overflow nowhere, neither in the
// checks nor in the renderer: such reads warn and see nothing, such copies change nothing.
TEST_F(PrimitivesWindowChecks, CoordinatesAtTheEndsOfIntsRangeWarnAndReadNothing) {
    const int most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();
    // Each output holds only the warning, at least once.
    // Every report in the output is that warning: the lines beneath a report are indented.
    auto onlyWarns = [](const std::string& output, const char* message) {
        const int warnings = countMatches(output, warningOf(message));
        return warnings >= 1 && warnings == countMatches(output, "[^ ].*\n");
    };
    window.drawRectangleFilled(Style::RED, 0, 0, WIDTH, HEIGHT);
    for (auto [x, y] : {Pixel{most, 0}, {most - 5, 0}, {0, most - 5}, {least, 0}, {0, least}}) {
        SCOPED_TRACE(named({x, y}));
        std::string output = stderrOf([&] { EXPECT_EQ(window.readPixel(x, y), Color(0, 0, 0, 0)); });
        EXPECT_PRED2(onlyWarns, output, "The pixel being read is outside the bounds of the window");
        output = stderrOf([&] {
            const std::vector<unsigned char> pixels = window.createImage(x, y, 10, 10).getPixels();
            EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0), 400) << "not a blank picture";
        });
        EXPECT_PRED2(onlyWarns, output,
                     "The rectangle chosen to create an image from is outside the bounds of the window");
        output = stderrOf([&] { window.copyRegion(x, y, 0, 0, 10, 10); });
        EXPECT_PRED2(onlyWarns, output,
                     "The rectangle chosen for copying a region is outside the bounds of the window");
        window.copyRegion(0, 0, x, y, 10, 10);  // to a place that cannot be seen
        window.drawImage(Image::createEditable(10, 10), x, y);
        EXPECT_EQ(window.readPixel(5, 5), Color::RED) << "a copy or a picture from outside the window changed it";
    }
}

std::string haltsWith(const std::string& message) {
    return onlyReport(diagnostics::Kind::FATAL_ERROR, "Window.cpp", message);
}

TEST_F(PrimitivesWindowChecksDeathTest, PointListsOfDifferentSizesHalt) {
    const std::vector<int> two{1, 2}, three{1, 2, 3};
    EXPECT_DEATH(window.drawPolygonFilled(Style::BLACK, two, three),
                 haltsWith("The xcoords and ycoords vectors passed to drawPolygonFilled are different sizes"));
    EXPECT_DEATH(window.drawPolygonOutline(Style::BLACK, three, two),
                 haltsWith("The xcoords and ycoords vectors passed to drawPolygonOutline are different sizes"));
    EXPECT_DEATH(window.drawPolyLine(Style::BLACK, two, three),
                 haltsWith("The xcoords and ycoords vectors passed to drawPolyLine are different sizes"));
    EXPECT_DEATH(window.drawBezierCurve(Style::BLACK, three, two),
                 haltsWith("The xcoords and ycoords vectors passed to drawBezierCurve are different sizes"));
}

TEST_F(PrimitivesWindowChecks, EmptyPointListsOfEqualSizePass) {
    window.drawPolygonFilled(Style::BLACK, {}, {});
    window.drawPolyLine(Style::BLACK, {}, {});
    window.drawBezierCurve(Style::BLACK, {}, {});
    EXPECT_TRUE(drawnWithin(0, 0, 3, 3).empty());
}

TEST_F(PrimitivesWindowChecksDeathTest, RectanglesLessThanOnePixelHalt) {
    EXPECT_DEATH(window.createImage(0, 0, 0, 10),
                 haltsWith("The rectangle chosen to create an image from is less than one pixel wide"));
    EXPECT_DEATH(window.createImage(0, 0, 10, 0),
                 haltsWith("The rectangle chosen to create an image from is less than one pixel high"));
    EXPECT_DEATH(window.copyRegion(0, 0, 10, 10, 0, 10),
                 haltsWith("The rectangle chosen for copying a region from is less than one pixel wide"));
    EXPECT_DEATH(window.copyRegion(0, 0, 10, 10, 10, 0),
                 haltsWith("The rectangle chosen for copying a region from is less than one pixel high"));
}

// ---- Runs of primitives: drawn back to back, each still in its own style. The renderer draws a
// run in one go and changes only the state that differs from the primitive before. ----

class PrimitivesRun : public DrawingWindow {};

TEST_F(PrimitivesRun, EveryPixelOfARunKeepsItsOwnColour) {
    for (int x = 0; x < 200; ++x) window.drawPixel(styleOf(Color(x, 255 - x, x / 2)), x, 7);
    for (int x = 0; x < 200; x += 37) EXPECT_EQ(window.readPixel(x, 7), Color(x, 255 - x, x / 2)) << "at x " << x;
}

TEST_F(PrimitivesRun, ALineAfterADashedOneIsSolid) {
    window.drawLine(styleOf(Color::BLACK, Style::COPY_OP, 0x00FF), 10, 10, 60, 10);
    window.drawLine(Style::RED, 10, 20, 60, 20);
    EXPECT_EQ(drawnWithin(10, 20, 59, 20), rectangle(10, 20, 59, 20));
}

TEST_F(PrimitivesRun, AThinLineAfterAWideOneIsOnePixelWide) {
    window.drawLine(styleOf(Color::BLACK, Style::COPY_OP, 0xFFFF, 5), 10, 10, 60, 10);
    window.drawLine(Style::RED, 10, 30, 60, 30);
    EXPECT_EQ(drawnWithin(10, 26, 59, 34), rectangle(10, 30, 59, 30));
}

TEST_F(PrimitivesRun, PaintingAfterExclusiveOrPaintsItsOwnColour) {
    window.drawRectangleFilled(styleOf(Color::RED, Style::XOR_OP), 10, 10, 30, 30);
    window.drawPixel(Style::BLUE, 15, 15);
    window.drawCircleFilled(Style::GREEN, 50, 50, 5);
    EXPECT_EQ(window.readPixel(15, 15), Color::BLUE);
    EXPECT_EQ(window.readPixel(50, 50), Color::GREEN);
}

TEST_F(PrimitivesRun, AnOpaqueShapeAfterASeeThroughOneIsOpaque) {
    window.drawCircleFilled(styleOf(Color(0, 0, 0, 128)), 20, 20, 8);
    window.drawRectangleFilled(Style::BLUE, 15, 15, 25, 25);
    EXPECT_EQ(window.readPixel(20, 20), Color::BLUE);
}

TEST_F(PrimitivesRun, FillsAfterSmoothLinesKeepTheirExactColour) {
    window.enableAntialiasing();
    window.drawLine(Style::BLACK, 10, 10, 90, 40);
    window.drawRectangleFilled(styleOf(Color(10, 200, 30)), 100, 10, 120, 30);
    window.drawPixel(styleOf(Color(200, 10, 30)), 130, 10);
    EXPECT_EQ(window.readPixel(110, 20), Color(10, 200, 30));
    EXPECT_EQ(window.readPixel(130, 10), Color(200, 10, 30));
}

TEST_F(PrimitivesRun, PicturesAndCopiesAfterExclusiveOrAreNotCombined) {
    window.drawRectangleFilled(styleOf(Color::RED, Style::XOR_OP), 0, 0, 60, 60);
    window.drawImage(Image::createEditable(10, 10), 100, 100);  // white
    window.copyRegion(100, 100, 200, 200, 10, 10);
    EXPECT_EQ(window.readPixel(105, 105), Color::WHITE);
    EXPECT_EQ(window.readPixel(205, 205), Color::WHITE);
}

TEST_F(PrimitivesRun, TextAfterExclusiveOrThenPaintingAreEachInTheirStyle) {
    window.drawRectangleFilled(styleOf(Color::RED, Style::XOR_OP), 0, 0, 10, 10);
    window.drawText(Style::BLACK, Font(Font::ROMAN, 40), 20, 60, "H");
    window.drawRectangleFilled(Style::BLUE, 100, 10, 120, 30);
    EXPECT_EQ(window.readPixel(110, 20), Color::BLUE);
    EXPECT_FALSE(drawnWithin(20, 20, 60, 60).empty());
}

TEST_F(PrimitivesRun, TwoWindowsDrawnInTurnEachGetTheirOwnPrimitives) {
    Window other(120, 80, uniqueTitle("PrimitivesRun-other"));
    waitUntilShown(other);
    for (int i = 0; i < 1000; ++i) {  // enough for each window to gather its pixels into a picture
        window.drawPixel(Style::RED, i % 100, 3 + i / 100);
        other.drawPixel(Style::BLUE, i % 100, 3 + i / 100);
    }
    EXPECT_EQ(window.readPixel(25, 3), Color::RED);
    EXPECT_EQ(other.readPixel(25, 12), Color::BLUE);
    EXPECT_EQ(window.readPixel(25, 13), Color::WHITE);
}

// ---- Plain pixels (opaque, COPY_OP), which the renderer gathers into a picture laid over the
// window: each case is drawn once with drawPixel and once with a filled rectangle one pixel wide,
// and both windows must come out the same, pixel for pixel. ----

namespace {

// Draws pixel (x, y) in a style: by drawPixel, or by the primitive it must match.
using Plot = void (*)(Window& window, const Style& style, int x, int y);
void byDrawPixel(Window& window, const Style& style, int x, int y) { window.drawPixel(style, x, y); }
void byRectangle(Window& window, const Style& style, int x, int y) {
    window.drawRectangleFilled(style, x, y, x + 1, y + 1);
}

// A block of pixels, row by row from (x, y), each in a colour of its own: a run far longer than the
// few pixels that the renderer draws as points before it starts a picture.
void plotBlock(Window& window, Plot plot, int x, int y, int columns, int rows, Style::RasterOp op = Style::COPY_OP,
               int alpha = 255) {
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            plot(window, styleOf(Color(column * 7 % 256, row * 13 % 256, (column + row) * 5 % 256, alpha), op),
                 x + column, y + row);
}

struct PixelCase {
    const char* name;
    std::function<void(Window&, Plot)> draw;
};

const PixelCase PIXEL_CASES[] = {
    {"a long run, each pixel in its own colour", [](Window& w, Plot plot) { plotBlock(w, plot, 10, 10, 200, 100); }},
    {"every raster operation over a run and a run over it",
     [](Window& w, Plot plot) {
         plotBlock(w, plot, 0, 0, 300, 60);
         const Style::RasterOp ops[] = {Style::XOR_OP, Style::AND_OP, Style::OR_OP, Style::INVERT_OP};
         for (int i = 0; i < 4; ++i) {
             plotBlock(w, plot, 20 + 60 * i, 20 + 10 * i, 50, 50, ops[i]);
             plotBlock(w, plot, 40 + 60 * i, 40 + 10 * i, 30, 30);
         }
     }},
    {"pixels scattered over the window between lines",
     [](Window& w, Plot plot) {
         for (int i = 0; i < 2000; ++i) {
             plot(w, styleOf(Color(i % 256, i / 8 % 256, 90)), i * 7919 % WIDTH, i * 104729 % HEIGHT);
             if (i % 300 == 0) w.drawLine(Style::BLACK, 0, i % HEIGHT, WIDTH, i % HEIGHT);
         }
     }},
    {"more pixels than the window holds, over each other, unflipped",
     [](Window& w, Plot plot) {
         w.disableAutoPageFlip();
         w.resize(60, 80);  // height first
         plotBlock(w, plot, 0, 0, 80, 60);
         plotBlock(w, plot, 10, 20, 80, 60);
         for (int i = 0; i < 50; ++i) plot(w, Style::RED, i * 7919 % 80, i * 104729 % 60);
     }},
    {"see-through colours over a run and a run over them",
     [](Window& w, Plot plot) {
         plotBlock(w, plot, 0, 0, 100, 100);
         plotBlock(w, plot, 50, 50, 100, 100, Style::COPY_OP, 100);
         plotBlock(w, plot, 80, 80, 50, 50);
     }},
    {"runs between other primitives, in call order",
     [](Window& w, Plot plot) {
         w.enableAntialiasing();
         w.drawLine(Style::BLACK, 0, 0, 399, 150);
         plotBlock(w, plot, 10, 10, 100, 100);
         w.drawRectangleFilled(styleOf(Color::RED, Style::XOR_OP), 50, 50, 150, 150);
         plotBlock(w, plot, 100, 100, 100, 30);
         w.drawCircleFilled(styleOf(Color(0, 0, 255, 128)), 150, 110, 30);
         w.drawPixel(styleOf(Color::GREEN, Style::XOR_OP), 150, 110);
         plotBlock(w, plot, 140, 100, 40, 40);
         w.drawText(Style::BLUE, Font(Font::ROMAN, 40), 200, 200, "H");
         plotBlock(w, plot, 210, 170, 20, 20);
     }},
    {"a run past every edge of the window",
     [](Window& w, Plot plot) {
         plotBlock(w, plot, -20, -20, WIDTH + 40, 30);
         plotBlock(w, plot, -20, HEIGHT - 10, WIDTH + 40, 30);
         plotBlock(w, plot, -1000000, 1000000, 300, 2);
     }},
    {"a clear in the middle of a run",
     [](Window& w, Plot plot) {
         plotBlock(w, plot, 0, 0, 200, 100);
         w.clear(Color(10, 20, 30));
         plotBlock(w, plot, 50, 50, 200, 100);
     }},
    {"copies, pictures and reads in the middle of a run",
     [](Window& w, Plot plot) {
         plotBlock(w, plot, 0, 0, 100, 100);
         w.copyRegion(20, 20, 150, 20, 60, 60);
         plotBlock(w, plot, 60, 60, 100, 100);
         w.drawImage(w.createImage(50, 50, 80, 80), 250, 150);
         plotBlock(w, plot, 240, 140, 30, 30);
     }},
    {"a resize in the middle of a run",
     [](Window& w, Plot plot) {
         plotBlock(w, plot, 0, 0, 200, 100);
         w.resize(HEIGHT - 50, WIDTH + 50);
         plotBlock(w, plot, 300, 200, 100, 40);
     }},
};

// A square of pixels in one colour, long enough to be gathered into a picture.
void plotSquare(Window& window, const Color& color) {
    for (int y = 10; y < 40; ++y)
        for (int x = 10; x < 40; ++x) window.drawPixel(styleOf(color), x, y);
}

// What a case draws, read back whole, drawn in a window of its own with plot. The two drawings of
// a case never share the screen: only one window is open at a time.
Image drawnBy(const PixelCase& c, Plot plot) {
    Window window(WIDTH, HEIGHT, uniqueTitle("PrimitivesPlainPixels"));
    waitUntilShown(window);
    c.draw(window, plot);
    return window.createImage(0, 0, window.getWidth(), window.getHeight());
}

// Where two pictures of the same size differ, as text: empty when they agree.
std::string pixelDifferences(const Image& drawn, const Image& expected) {
    const std::vector<unsigned char> a = drawn.getPixels(), b = expected.getPixels();
    const int width = drawn.getWidth(), height = drawn.getHeight();
    int differing = 0;
    std::string first;
    for (std::size_t i = 0; i < a.size(); i += 4) {
        if (std::equal(&a[i], &a[i] + 3, &b[i])) continue;
        const int texel = static_cast<int>(i / 4);
        if (differing++ == 0) first = named({texel % width, height - 1 - texel / width});  // rows run bottom up
    }
    return differing == 0 ? "" : std::to_string(differing) + " pixels differ, the first at " + first;
}

}  // namespace

class PrimitivesPlainPixels : public testing::Test {};

TEST_F(PrimitivesPlainPixels, DrawWhatOnePixelRectanglesDraw) {
    for (const PixelCase& c : PIXEL_CASES) {
        const Image drawn = drawnBy(c, byDrawPixel);
        const Image expected = drawnBy(c, byRectangle);
        EXPECT_EQ(pixelDifferences(drawn, expected), "") << c.name;
    }
}

TEST_F(PrimitivesPageFlip, AFlipInTheMiddleOfARunShowsThePixelsBeforeIt) {
    window.disableAutoPageFlip();
    plotSquare(window, Color::RED);
    window.flipPage();
    plotSquare(window, Color::BLUE);
    EXPECT_TRUE(eventually([&] { return onScreen(window, 20, 20) == Color::RED; }));
    EXPECT_EQ(window.readPixel(20, 20), Color::BLUE);
}

// The screen is watched without a call to the window, which would itself bring the pixels out.
TEST_F(PrimitivesPageFlip, PixelsReachTheScreenWithNoFurtherCall) {
    int left = 0, top = 0;
    window.getPosition(left, top);
    plotSquare(window, Color::RED);
    EXPECT_TRUE(eventually([&] { return screenPixel(left + 20, top + 20) == Color::RED; }));
}
