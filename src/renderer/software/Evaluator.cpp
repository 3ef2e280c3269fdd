// Mesa's evaluator, step by step: the control points and the grid kept as floats, the grid walked
// by adding its step, each point by Horner's scheme in Bernstein form, every operation rounded to
// single precision apart (built with contraction off).
#include "renderer/software/Evaluator.h"

namespace software {

namespace {

// The curve at t, as Mesa's Horner scheme computes it: terms of s = 1 - t and powers of t, the
// binomial coefficients built up by multiplying by (order - i) and by a table of 1 / i.
CurvePoint pointAt(const std::vector<CurvePoint>& controls, float t) {
    const unsigned order = unsigned(controls.size());
    if (order < 2) return controls[0];
    float coefficient = float(order - 1);
    const float s = 1.0f - t;
    CurvePoint out{s * controls[0].x + coefficient * t * controls[1].x, s * controls[0].y + coefficient * t * controls[1].y};
    float power = t * t;
    for (unsigned i = 2; i < order; ++i, power *= t) {
        coefficient *= float(order - i);
        coefficient *= 1.0f / float(i);
        out.x = s * out.x + coefficient * power * controls[i].x;
        out.y = s * out.y + coefficient * power * controls[i].y;
    }
    return out;
}

}  // namespace

std::vector<CurvePoint> evaluateCurve(const std::vector<ControlPoint>& controls, int steps, int first, int last) {
    std::vector<CurvePoint> points;
    if (controls.empty() || steps <= 0) return points;
    std::vector<CurvePoint> stored;
    for (const ControlPoint& c : controls) stored.push_back({float(c.x), float(c.y)});
    // The map's domain is [0, 1]: a grid point u is evaluated at (u - 0) * (1 / (1 - 0)).
    const float low = 0.0f, high = 1.0f;
    const float scale = 1.0f / (high - low);
    const float step = (high - low) / float(steps);
    float u = low + float(first) * step;
    for (int i = first; i <= last; ++i, u += step) points.push_back(pointAt(stored, (u - low) * scale));
    return points;
}

}  // namespace software
