// GL's one-dimensional evaluators as Mesa runs them on the processor, in single precision: the
// points that glMap1d, glMapGrid1d and glEvalMesh1 give a Bézier curve, which the renderer draws
// as a line strip. Pure: renderer thread, no GL.
#pragma once

#include <vector>

namespace software {

// A control point as the renderer gives it to glMap1d (z is 0), and a point evaluated on the curve.
struct ControlPoint {
    double x, y;
};
struct CurvePoint {
    float x, y;
};

// The points of grid steps first to last (inclusive) on the curve of the control points over
// [0, 1], with a grid of steps even steps: glMap1d(GL_MAP1_VERTEX_3, 0, 1, 3, n, controls),
// glMapGrid1d(steps, 0, 1), glEvalMesh1(GL_LINE, first, last).
std::vector<CurvePoint> evaluateCurve(const std::vector<ControlPoint>& controls, int steps, int first, int last);

}  // namespace software
