// Polygons in whole pixels: the runs of pixels a filled polygon covers, row by row, and the two
// checks the renderer makes on a polygon before drawing it (is it convex, do its edges cross).
// Pure arithmetic with no GL, so it runs on any thread; the renderer draws each run as a rectangle.
//
// Pixel terms. Corners lie on whole coordinates, pixel corners (see EllipseRaster.h). The renderer
// samples pixel (i, j) at the point (i + 1/8, j + 1/8): it nudges every vertex by 3/8 of a pixel
// and GL samples pixel centres. A filled polygon covers the pixels whose sample lies inside it by
// the odd rule: a ray from the sample crosses its edges an odd number of times, so a part that
// the outline goes round twice is a hole. No sample lies on a corner or a horizontal edge; one
// that lies on another edge (as on every edge heading down and right at 45 degrees) is inside
// if the polygon lies to the edge's right, as llvmpipe fills triangles (softpipe differs).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "geometry/EllipseRaster.h"

struct PolygonPoint {
    std::int64_t x, y;
};

// Whether the closed polygon through the points is convex: it turns one way only, never back along
// itself, and goes round once.
bool isConvex(const std::vector<PolygonPoint>& points);

// Whether two edges of the closed polygon cross at a point inside both. Edges that meet at a
// corner, a corner on another edge, and edges lying along each other are not crossings. Takes
// O(n log n) in the number of points.
bool hasCrossingEdges(const std::vector<PolygonPoint>& points);

// Calls visit(run) for every run of the filled polygon inside area, row by row from the top, left
// first within a row; runs that touch are one run. Takes O(n log n) in the number of points, plus,
// for each row of the area it reaches, the edges crossing that row and the columns between them.
void forEachRun(const std::vector<PolygonPoint>& points, const PixelArea& area,
                const std::function<void(const PixelRun&)>& visit);
