// Scenes: the workloads the benchmark draws, generated once from fixed seeds so that every path
// (through Window, a direct OpenGL loop, one vertex array) draws the very same shapes in the
// same colours. Plain data: no window, no GL.
#pragma once

#include <string>
#include <vector>

#include "Brindlewood.h"

// Shapes in each scene of one kind of shape.
constexpr int PRIMITIVES = 20000;
constexpr int WIDTH = 700;
constexpr int HEIGHT = 500;
constexpr int CIRCLE_RADIUS = 4;
constexpr int WIDE_LINE_WIDTH = 3;
// A filled circle drawn with OpenGL directly: a disk of 16 slices, round at this size.
constexpr int CIRCLE_SLICES = 16;

// Text and pictures are drawn as TextAndPictures.h says.
enum class Kind { PIXEL, LINE, CIRCLE, POLYGON, BUILTIN_TEXT, TRUETYPE_TEXT, SPRITE, PICTURE };

// One drawing call.
struct Shape {
    Kind kind;
    Style style;
    int x1, y1, x2, y2;       // a pixel, a circle's centre: (x1, y1); a line: both ends
    std::vector<int> xs, ys;  // a polygon's corners
    std::string text = {};    // text, with its baseline starting at (x1, y1)
};

struct Scene {
    std::string name;  // as the tables show it
    std::vector<Shape> shapes;
    // Every pixel of the window once: a program that can draws it as one picture.
    bool wholeFrame = false;
};

// A thousand colours, none of them the white background: consecutive shapes never share one, so
// every call changes the colour, as in a program that colours what it draws.
Style paletteStyle(int index);

// Pixels at random points of the window.
Scene pixelScene(int count);
// Filled circles of CIRCLE_RADIUS at random centres.
Scene circleScene(int count);
// Lines of 300 pixels at random places and angles.
Scene lineScene(int count);
// Filled regular hexagons of radius 12 at random centres.
Scene hexagonScene(int count);
// Filled polygons of 6 corners about random centres, each corner at a random angle within its sixth
// of the turn and 10 to 30 pixels out: simple polygons, nearly half of them concave, their centres filled.
Scene randomPolygonScene(int count);
// The lines of lineScene, WIDE_LINE_WIDTH pixels wide.
Scene wideLineScene(int count);
// A mesh as the editor redraws it: three lines per face, then a filled circle of CIRCLE_RADIUS per
// vertex; 4,000 small triangles over 4,000 vertices spread across the window.
Scene modelScene();
// Every pixel of the window once, row by row, in a repeating gradient: no two neighbours share a
// colour.
Scene plotScene();
// The workloads of shapes above, count of each kind (the editor's and the plot's are fixed), in the
// order that every program of the benchmark numbers them: the plot last, the editor's just before.
std::vector<Scene> shapeScenes(int count);

// One polygon of many corners, drawn by one call, and a pixel it must have drawn (none if probeX
// is negative).
struct BigPolygon {
    std::string name;  // as the tables show it
    bool filled;
    std::vector<int> xs, ys;
    int probeX, probeY;
};

// A star of the given number of corners about the window's centre, every other one a tip: a
// simple polygon, whose centre is filled.
BigPolygon starPolygon(int corners);
// Corners at random points of the window in random order: a polygon that crosses itself all over.
// Its outline probes its first corner; filled, it probes nothing.
BigPolygon randomPolygon(int corners, bool filled);
