// Rounded rectangles as the polygons that draw them: the sides on the box's edges, each corner a
// quarter circle traced through whole coordinates, one point per step of the radius where the
// outline can reach what is seen, and nothing more. Pure arithmetic with no GL; runs on any thread.
#pragma once

#include <vector>

#include "geometry/EllipseRaster.h"
#include "geometry/PolygonRaster.h"

// The corners of the rounded rectangle in the box with corners (x1, y1) and (x2, y2), its radius
// taken as half the shorter side where it is more, clockwise on screen from the top of the left
// side. Of each run of a quarter circle's steps that all lie in a box clear of reach, the first and
// last alone are kept: the polygon cuts across where it cannot reach what is seen. So any radius
// takes points in proportion to the part of the outline within reach.
std::vector<PolygonPoint> roundedRectangleCorners(int x1, int y1, int x2, int y2, int radius, const PixelArea& reach);
