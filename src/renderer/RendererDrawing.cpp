// The renderer's drawing: styles put into effect and taken back, every primitive command turned
// into OpenGL calls, and pixel reads and copies. Renderer thread only, with the
// command's window current.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <type_traits>
#include <variant>
#include <vector>

#include "Window.h"
#include "caches/ImageInstance.h"
#include "geometry/ArcTracer.h"
#include "geometry/BezierClip.h"
#include "geometry/EllipseRaster.h"
#include "geometry/PixelRect.h"
#include "geometry/PolygonRaster.h"
#include "geometry/RoundedRectangle.h"
#include "renderer/Renderer.h"
#include "shared/Diagnostics.h"
#include "shared/Globals.h"

namespace {

// A point as the evaluators take it: x, y, z.
using Record = std::array<GLdouble, 3>;
static_assert(sizeof(Record) == 3 * sizeof(GLdouble), "records must be packed for glMap1d");

constexpr std::uint16_t SOLID_PATTERN = 0xFFFF;

GLenum logicOpOf(Style::RasterOp op) {
    switch (op) {
        case Style::INVERT_OP: return GL_INVERT;
        case Style::XOR_OP: return GL_XOR;
        case Style::AND_OP: return GL_AND;
        case Style::OR_OP: return GL_OR;
        default: return GL_COPY;
    }
}

std::vector<Record> recordsOf(const command::Points& points) {
    std::vector<Record> records;
    for (const command::Point& p : points)
        records.push_back({static_cast<GLdouble>(p.x), static_cast<GLdouble>(p.y), 0.0});
    return records;
}

using Vertex = std::array<int, 2>;

void drawRecords(GLenum mode, const std::vector<Record>& points) {
    glBegin(mode);
    for (const Record& point : points) glVertex2dv(point.data());
    glEnd();
}

// The renderer nudges every vertex by (0.375, 0.375) (Renderer::reshapeWindow) so that a point
// lights its own pixel on every driver: a point meant in corner coordinates is given that much less.
constexpr GLdouble VERTEX_NUDGE = 0.375;

// The window's pixels, which runs and curves are cut to.
PixelArea areaOf(const RendererStatics::RendererWindow& window) { return {0, 0, window.width, window.height}; }

// Evaluates points first to last of the grid that splits the curve into steps even steps.
void evaluateCurve(const std::vector<CurvePoint>& controls, GLint steps, GLint first, GLint last) {
    std::vector<Record> records;
    for (const CurvePoint& p : controls) records.push_back({p.x, p.y, 0.0});
    glMap1d(GL_MAP1_VERTEX_3, 0.0, 1.0, 3, static_cast<GLint>(records.size()), records[0].data());
    glMapGrid1d(steps, 0.0, 1.0);
    glEvalMesh1(GL_LINE, first, last);
}

// One Bézier segment of degree n - 1, evaluated once per whole pixel of the control polygon's
// length: a curve whose control points all coincide draws nothing. Only the stretches of that grid
// that can reach the window are evaluated, so a curve to a far point costs what its visible part
// costs. A stretch from the start is evaluated on the whole curve's grid and draws the points it
// always has; a later one on a grid of its own, because the evaluators step along the grid in single
// precision and, stepping on from a far grid point, drift or never move. A dashed curve that leaves
// the window and comes back starts its dashes afresh where it comes back.
void drawBezierSegment(const std::vector<Record>& points, GLfloat lineWidth, const PixelArea& area) {
    if (points.size() < 2) return;
    GLint largestOrder = 0;
    glGetIntegerv(GL_MAX_EVAL_ORDER, &largestOrder);
    if (points.size() > static_cast<std::size_t>(largestOrder)) {
        WARNING("The curve passed to drawBezierCurve has more points than the renderer can draw");
        return;
    }
    std::vector<CurvePoint> controls;
    std::int64_t length = 0;
    double farthest = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        controls.push_back({points[i][0], points[i][1]});
        farthest = std::max({farthest, std::abs(points[i][0]), std::abs(points[i][1])});
        if (i > 0) {
            const double side = std::hypot(points[i][0] - points[i - 1][0], points[i][1] - points[i - 1][1]);
            length += static_cast<std::int64_t>(side);
        }
    }
    const GLint steps = static_cast<GLint>(std::min<std::int64_t>(length, std::numeric_limits<GLint>::max()));
    if (steps == 0) return;
    // Around the window: the line's width, and what the evaluators' single precision may move a
    // point by, a few of its rounding steps at the largest coordinate for each degree.
    const double margin = lineWidth + 2 + farthest * static_cast<double>(points.size() + 1) / (1 << 22);
    const ViewBox box{-margin, -margin, area.right + margin, area.bottom + margin};
    glEnable(GL_MAP1_VERTEX_3);
    for (const GridRange& range : gridRangesNear(controls, steps, box)) {
        if (range.first == 0) {
            evaluateCurve(controls, steps, 0, range.last);
        } else {
            const double from = static_cast<double>(range.first) / steps, to = static_cast<double>(range.last) / steps;
            const GLint count = range.last - range.first;
            evaluateCurve(stretchOf(controls, from, to), count, 0, count);
        }
    }
    glDisable(GL_MAP1_VERTEX_3);
}

// Fills a circle, ellipse, wedge or polygon with one rectangle per run of pixels, a run right below
// another of the same columns lengthening its rectangle, into the GL_QUADS run being drawn. Corners
// on whole coordinates cover exactly the pixels between them on every driver, and no pixel twice,
// so blending and logic ops apply once.
template <typename Shape>
void fillRuns(const Shape& shape, const PixelArea& area) {
    PixelRun block{0, 0, -1};  // rows from blockTop down to block.row, not yet drawn
    std::int64_t blockTop = 0;
    auto drawBlock = [&] {
        if (block.first > block.last) return;
        const GLint left = static_cast<GLint>(block.first), right = static_cast<GLint>(block.last + 1);
        const GLint top = static_cast<GLint>(blockTop), bottom = static_cast<GLint>(block.row + 1);
        glVertex2i(left, top);
        glVertex2i(right, top);
        glVertex2i(right, bottom);
        glVertex2i(left, bottom);
    };
    forEachRun(shape, area, [&](const PixelRun& run) {
        if (run.row == block.row + 1 && run.first == block.first && run.last == block.last) {
            block.row = run.row;
            return;
        }
        drawBlock();
        block = run;
        blockTop = run.row;
    });
    drawBlock();
}

// How a circle, ellipse or wedge is drawn.
enum class Rendering { FILLED, OUTLINE, SMOOTH_OUTLINE };

// Draws the outline of a circle, ellipse or wedge. Plain, as a chain of pixels joined by lines one
// pixel long, each lighting just the pixel it starts from on every driver: no gap, no pixel lit
// twice along a curve (so logic ops and blending apply once), and dashes and widths as on any line.
// Smooth, as the polygon itself through pixel centres, which antialiasing turns into a smooth curve.
template <typename Shape>
void drawOutline(const Shape& shape, bool smooth, const PixelArea& area) {
    if (smooth) {
        glBegin(GL_LINE_LOOP);
        forEachOutlinePoint(shape, [](const OutlinePoint& p) { glVertex2d(p.x - VERTEX_NUDGE, p.y - VERTEX_NUDGE); });
        glEnd();
        return;
    }
    // Far outside the window the chain only joins the polygon's corners, whose coordinates may not
    // fit GL's 32 bits. Brought within this margin of the window, each stays on its side of it, and
    // so does every line between two of them.
    constexpr std::int64_t FAR = 1 << 16;
    Vertex last{};
    int pixels = 0;
    glBegin(GL_LINE_STRIP);
    forEachOutlinePixel(shape, area, [&](std::int64_t column, std::int64_t row) {
        last = {static_cast<GLint>(std::clamp(column, area.left - FAR, area.right + FAR)),
                static_cast<GLint>(std::clamp(row, area.top - FAR, area.bottom + FAR))};
        glVertex2i(last[0], last[1]);
        ++pixels;
    });
    glEnd();
    if (pixels == 1) {  // an outline within one pixel is that pixel
        glBegin(GL_POINTS);
        glVertex2i(last[0], last[1]);
        glEnd();
    }
}

// A filled shape goes into the GL_QUADS run being drawn; an outline is drawn on its own.
template <typename Shape>
void drawRound(const Shape& shape, Rendering rendering, const PixelArea& area) {
    if (rendering == Rendering::FILLED)
        fillRuns(shape, area);
    else
        drawOutline(shape, rendering == Rendering::SMOOTH_OUTLINE, area);
}

void drawCircle(int x, int y, int r, Rendering rendering, const PixelArea& area) {
    if (r <= 0) return;
    drawRound(AxisEllipse{x, y, r, r}, rendering, area);
}

// The ellipse inside a box given by two opposite corners: its centre and half sizes truncated
// toward zero.
AxisEllipse ellipseInBox(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
    return {(x1 + x2) / 2, (y1 + y2) / 2, std::abs((x2 - x1) / 2), std::abs((y2 - y1) / 2)};
}

// A box less than two pixels wide has no horizontal radius: nothing of it is drawn, not even the
// flat line that its outline would be.
template <typename Box>
void drawEllipse(const Box& c, Rendering rendering, const PixelArea& area) {
    const AxisEllipse ellipse = ellipseInBox(c.x1, c.y1, c.x2, c.y2);
    if (ellipse.rx == 0) return;
    drawRound(ellipse, rendering, area);
}

template <typename Box>
void drawWedge(const Box& c, Rendering rendering, const PixelArea& area) {
    const AxisEllipse ellipse = ellipseInBox(c.x1, c.y1, c.x2, c.y2);
    if (ellipse.rx == 0) return;
    drawRound(EllipseWedge(ellipse, c.start / 1024.0, c.end / 1024.0), rendering, area);
}

template <typename Box>
void drawTracedArc(const Box& c, GLenum mode) {
    glBegin(mode);
    for (const ArcPoint& p : traceArc(c.x1, c.y1, c.x2, c.y2, c.start, c.end)) glVertex2i(p.x, p.y);
    glEnd();
}

// A polygon's corners as whole coordinates.
std::vector<PolygonPoint> cornersOf(const command::Points& points) {
    std::vector<PolygonPoint> corners;
    corners.reserve(points.size());
    for (const command::Point& p : points) corners.push_back({p.x, p.y});
    return corners;
}

void drawCorners(GLenum mode, const std::vector<PolygonPoint>& corners) {
    glBegin(mode);
    for (const PolygonPoint& p : corners) glVertex2i(static_cast<GLint>(p.x), static_cast<GLint>(p.y));
    glEnd();
}

// Once a polygon. The text is deliberate: it is the one programs have always seen for edges that
// cross, the only fault that polygons with corners on whole coordinates were ever reported for.
void warnIfEdgesCross(const std::vector<PolygonPoint>& corners) {
    if (hasCrossingEdges(corners)) WARNING("Error tesselating polygon, coincident vertices were found");
}

// The outline is drawn whether or not its edges cross.
void outlinePolygon(const std::vector<PolygonPoint>& corners) {
    warnIfEdgesCross(corners);
    drawCorners(GL_LINE_LOOP, corners);
}

// A rounded rectangle's corners, traced as far as a line of the style's width can reach the area.
template <typename Box>
std::vector<PolygonPoint> roundedCorners(const Box& c, const Style& style, const PixelArea& area) {
    const std::int64_t margin = style.getLineWidth() + 2;
    return roundedRectangleCorners(c.x1, c.y1, c.x2, c.y2, c.radius,
                                   {area.left - margin, area.top - margin, area.right + margin, area.bottom + margin});
}

}  // namespace

void Renderer::setColor(const Color& color) {
    glColor4ub(color.getRed(), color.getGreen(), color.getBlue(), color.getAlpha());
}

DrawState Renderer::stateFor(const RendererStatics::RendererWindow& window, const Style& style, bool lines) {
    // What does not change how the primitive is drawn stays as the context has it.
    DrawState state = window.appliedKnown ? window.applied : DrawState();
    state.rasterOp = style.getRasterOp();
    const bool opaque = style.getColor().getAlpha() == 255;
    if (lines) {
        // A logic operation and line smoothing's blending cannot be combined: the logic op wins.
        state.smooth = window.antialias && style.getRasterOp() == Style::COPY_OP;
        state.blend = !opaque || state.smooth;
        state.pattern = style.getPatternAsUShort();
        state.lineWidth = style.getLineWidth();
    } else if (!opaque) {
        state.blend = true;  // an opaque colour blends to itself: whatever blending is on may stay
    }
    return state;
}

void Renderer::applyState(RendererStatics::RendererWindow& window, const DrawState& state) {
    const bool known = window.appliedKnown;
    const DrawState& was = window.applied;
    if (known && state == was) return;
    endBatch();  // state cannot change inside a glBegin
    if (!known || state.rasterOp != was.rasterOp) {
        const GLenum op = logicOpOf(state.rasterOp);
        if (op == GL_COPY) {
            glDisable(GL_COLOR_LOGIC_OP);
        } else {
            glEnable(GL_COLOR_LOGIC_OP);
            glLogicOp(op);
        }
    }
    if (!known || state.blend != was.blend) {
        if (state.blend) {
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glEnable(GL_BLEND);
        } else {
            glDisable(GL_BLEND);
        }
    }
    if (!known || state.smooth != was.smooth) {
        glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
        state.smooth ? glEnable(GL_LINE_SMOOTH) : glDisable(GL_LINE_SMOOTH);
    }
    if (!known || state.pattern != was.pattern) {
        if (state.pattern == SOLID_PATTERN) {
            glDisable(GL_LINE_STIPPLE);
        } else {
            glEnable(GL_LINE_STIPPLE);
            glLineStipple(1, state.pattern);
        }
    }
    if (!known || state.lineWidth != was.lineWidth) glLineWidth(static_cast<GLfloat>(state.lineWidth));
    window.applied = state;
    window.appliedKnown = true;
}

namespace {

GLenum modeOf(command::Batch batch) {
    switch (batch) {
        case command::Batch::POINTS: return GL_POINTS;
        case command::Batch::LINES: return GL_LINES;
        case command::Batch::TRIANGLES: return GL_TRIANGLES;
        default: return GL_QUADS;
    }
}

bool sharesBegin(command::Batch batch) {
    return batch != command::Batch::OWN_LINES && batch != command::Batch::OWN_FILL;
}

bool drawsLines(command::Batch batch) { return batch == command::Batch::LINES || batch == command::Batch::OWN_LINES; }

void lineLoop(std::initializer_list<Vertex> corners) {
    glBegin(GL_LINE_LOOP);
    for (const Vertex& v : corners) glVertex2i(v[0], v[1]);
    glEnd();
}

// Each primitive's drawing, in the glBegin its batch opened, if any. outline: how round outlines
// are drawn in this window.
struct Drawing {
    const Style& style;
    PixelArea area;
    Rendering outline;

    void operator()(const command::Pixel& c) const { glVertex2i(c.x, c.y); }
    void operator()(const command::Line& c) const {
        glVertex2i(c.x1, c.y1);
        glVertex2i(c.x2, c.y2);
    }
    void operator()(const command::TriangleFilled& c) const {
        glVertex2i(c.x1, c.y1);
        glVertex2i(c.x2, c.y2);
        glVertex2i(c.x3, c.y3);
    }
    void operator()(const command::TriangleOutline& c) const { lineLoop({{c.x1, c.y1}, {c.x2, c.y2}, {c.x3, c.y3}}); }
    void operator()(const command::RectangleFilled& c) const {
        glVertex2i(c.x1, c.y1);
        glVertex2i(c.x2, c.y1);
        glVertex2i(c.x2, c.y2);
        glVertex2i(c.x1, c.y2);
    }
    void operator()(const command::RectangleOutline& c) const {
        lineLoop({{c.x1, c.y1}, {c.x2, c.y1}, {c.x2, c.y2}, {c.x1, c.y2}});
    }
    void operator()(const command::RoundedRectangleOutline& c) const { outlinePolygon(roundedCorners(c, style, area)); }
    void operator()(const command::CircleFilled& c) const { drawCircle(c.x, c.y, c.radius, Rendering::FILLED, area); }
    void operator()(const command::CircleOutline& c) const { drawCircle(c.x, c.y, c.radius, outline, area); }
    void operator()(const command::EllipseFilled& c) const { drawEllipse(c, Rendering::FILLED, area); }
    void operator()(const command::EllipseOutline& c) const { drawEllipse(c, outline, area); }
    void operator()(const command::WedgeFilled& c) const { drawWedge(c, Rendering::FILLED, area); }
    void operator()(const command::WedgeOutline& c) const { drawWedge(c, outline, area); }
    void operator()(const command::Arc& c) const { drawTracedArc(c, GL_LINE_STRIP); }
    void operator()(const command::ChordOutline& c) const { drawTracedArc(c, GL_LINE_LOOP); }
    void operator()(const command::ChordFilled& c) const { drawTracedArc(c, GL_POLYGON); }
    void operator()(const command::PolyLine& c) const { drawRecords(GL_LINE_STRIP, recordsOf(c.points)); }
    void operator()(const command::PolygonOutline& c) const { outlinePolygon(cornersOf(c.points)); }
    void operator()(const command::BezierCurve& c) const {
        drawBezierSegment(recordsOf(c.points), static_cast<GLfloat>(style.getLineWidth()), area);
    }
};

}  // namespace

void Renderer::endBatch() {
    RendererStatics& s = *Globals<RendererStatics>::impl();
    if (s.batchmode < 0) return;
    glEnd();
    s.batchmode = -1;
    if (s.batchpicture >= 0) {
        ImageInstance::endPictureRun();
        s.batchpicture = -1;
    }
}

void Renderer::begin(RendererStatics::RendererWindow& window, const Style& style, command::Batch batch) {
    makeCurrent(window);
    applyState(window, stateFor(window, style, drawsLines(batch)));
    const int mode = sharesBegin(batch) ? static_cast<int>(modeOf(batch)) : -1;
    RendererStatics& s = *Globals<RendererStatics>::impl();
    if (s.batchmode != mode || s.batchpicture >= 0) {
        endBatch();
        if (mode >= 0) glBegin(static_cast<GLenum>(mode));
        s.batchmode = mode;
    }
    setColor(style.getColor());  // a colour may change inside a glBegin
}

namespace {

// A convex polygon is its fan of triangles, which GL fills as it filled the tessellator's, in the
// run of triangles being drawn. Any other is filled row by row with the pixels those triangles had
// (on a sample exactly on an edge, as llvmpipe has them, see geometry/PolygonRaster.h), and where
// its edges cross, by the odd rule, in the run of rectangles.
void fillPolygon(const std::vector<PolygonPoint>& corners, const Style& style,
                 RendererStatics::RendererWindow& window) {
    if (isConvex(corners)) {
        Renderer::begin(window, style, command::Batch::TRIANGLES);
        for (std::size_t k = 1; k + 1 < corners.size(); ++k)
            for (const std::size_t corner : {std::size_t{0}, k, k + 1})
                glVertex2i(static_cast<GLint>(corners[corner].x), static_cast<GLint>(corners[corner].y));
        return;
    }
    warnIfEdgesCross(corners);
    Renderer::begin(window, style, command::Batch::QUADS);
    fillRuns(corners, areaOf(window));
}

}  // namespace

void Renderer::draw(const command::Draw& draw, RendererStatics::RendererWindow& window) {
    std::visit(
        [&](const auto& shape) {
            using Drawn = std::decay_t<decltype(shape)>;
            if constexpr (std::is_same_v<Drawn, command::PolygonFilled>) {
                fillPolygon(cornersOf(shape.points), draw.style, window);
            } else if constexpr (std::is_same_v<Drawn, command::RoundedRectangleFilled>) {
                fillPolygon(roundedCorners(shape, draw.style, areaOf(window)), draw.style, window);
            } else {
                begin(window, draw.style, shape.batch);
                const Rendering outline = window.applied.smooth ? Rendering::SMOOTH_OUTLINE : Rendering::OUTLINE;
                Drawing{draw.style, areaOf(window), outline}(shape);
            }
        },
        draw.shape);
}

namespace {

// What pending pixels cost the renderer on this machine's GL (Mesa llvmpipe, CPU time of all its
// threads), in nanoseconds: each as a point; as a picture, for the picture and each pixel of its
// box. A picture pays off for many pixels close together; a few, or pixels scattered over the
// window, are cheaper as points.
constexpr std::int64_t POINT_COST = 240;
constexpr std::int64_t PICTURE_COST = 17000;
constexpr std::int64_t BOX_PIXEL_COST = 7;

// The box of what the picture holds, empty: every pixel put in widens it.
void emptyBox(PendingPixels& pending) {
    pending.left = pending.width;
    pending.top = pending.height;
    pending.right = -1;
    pending.bottom = -1;
}

// Whether a pixel lies in a window of this size: GL leaves out a point outside.
bool isInside(const command::PlainPixel& p, int width, int height) {
    return p.x >= 0 && p.y >= 0 && p.x < width && p.y < height;
}

// Puts the pixels not yet in the picture into it, in call order, but those outside the window. The
// picture is made the window's size when first needed.
void fillPicture(PendingPixels& pending, int width, int height) {
    if (pending.width != width || pending.height != height) {
        pending.width = width;
        pending.height = height;
        pending.rgba.assign(4 * static_cast<std::size_t>(width) * height, 0);
        emptyBox(pending);
    }
    for (const command::PlainPixel& pixel : pending.pixels) {
        if (!isInside(pixel, width, height)) continue;
        const int x = pixel.x, y = pixel.y;
        unsigned char* texel = &pending.rgba[4 * (static_cast<std::size_t>(height - 1 - y) * width + x)];
        texel[0] = pixel.color.getRed();
        texel[1] = pixel.color.getGreen();
        texel[2] = pixel.color.getBlue();
        texel[3] = pixel.color.getAlpha();
        pending.left = std::min(pending.left, x);
        pending.right = std::max(pending.right, x);
        pending.top = std::min(pending.top, y);
        pending.bottom = std::max(pending.bottom, y);
    }
    pending.pixels.clear();
}

// Whether pixels in a window of this size cost less drawn as a picture than as points.
bool worthAPicture(const std::vector<command::PlainPixel>& pixels, int width, int height) {
    int left = width, top = height, right = -1, bottom = -1;
    std::int64_t inside = 0;
    for (const command::PlainPixel& p : pixels) {
        if (!isInside(p, width, height)) continue;
        ++inside;
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    const std::int64_t box = inside == 0 ? 0 : std::int64_t(right - left + 1) * (bottom - top + 1);
    return inside * POINT_COST > PICTURE_COST + box * BOX_PIXEL_COST;
}

}  // namespace

void Renderer::drawPlainPixels(const command::PlainPixels& run, RendererStatics::RendererWindow& window) {
    PendingPixels& pending = window.pending;
    const command::PlainPixel* first = Globals<RendererStatics>::impl()->pixels.data() + run.first;
    pending.pixels.insert(pending.pixels.end(), first, first + run.count);
    // A window's worth of pixels goes into the picture, so that memory stays bounded.
    if (pending.pixels.size() >= static_cast<std::size_t>(window.width) * window.height)
        fillPicture(pending, window.width, window.height);
}

void Renderer::drawPendingPixels(RendererStatics::RendererWindow& window) {
    PendingPixels& pending = window.pending;
    if (pending.isEmpty()) return;
    // Pixels already in the picture come before the others: the others join them there.
    if (pending.right < pending.left && !worthAPicture(pending.pixels, window.width, window.height)) {
        for (const command::PlainPixel& p : pending.pixels)
            draw(command::Draw{Style(p.color), command::Pixel{p.x, p.y}}, window);
        pending.pixels.clear();
        endBatch();
        return;
    }
    fillPicture(pending, window.width, window.height);
    if (pending.right < pending.left) return;  // all outside the window
    makeCurrent(window);
    endBatch();
    applyState(window, stateFor(window, Style::BLACK, false));  // COPY_OP; opaque colours blend to themselves
    const int columns = pending.right - pending.left + 1;
    const std::size_t firstRow = static_cast<std::size_t>(pending.height - 1 - pending.bottom);
    const std::size_t lastRow = static_cast<std::size_t>(pending.height - 1 - pending.top);
    unsigned char* const corner = &pending.rgba[4 * (firstRow * pending.width + pending.left)];
    // Only what was drawn passes the alpha test: the rest of the box keeps what is under it.
    glAlphaFunc(GL_GREATER, 0);
    glEnable(GL_ALPHA_TEST);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, pending.width);
    moveRasterTo(pending.left, pending.bottom + 1);  // the box's bottom-left corner
    glDrawPixels(columns, static_cast<GLsizei>(lastRow - firstRow + 1), GL_RGBA, GL_UNSIGNED_BYTE, corner);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glDisable(GL_ALPHA_TEST);
    for (std::size_t row = 0; row <= lastRow - firstRow; ++row)
        std::fill_n(corner + 4 * row * pending.width, 4 * columns, 0);
    emptyBox(pending);
}

void Renderer::moveRasterTo(int x, int y) {
    // Moved from the window's top-left corner rather than set: a raster position set on or past
    // the bottom or left edge would be invalid and draw nothing, while a moved one stays valid.
    glRasterPos2i(0, 0);
    glBitmap(0, 0, 0, 0, static_cast<GLfloat>(x), -static_cast<GLfloat>(y), nullptr);
}

void Renderer::copyRegion(Window* w, int sl, int st, int dl, int dt, int cw, int ch) {
    const int height = w->getHeight();
    // The driver's own sums overflow near the ends of int's range: hand it only what it can see.
    const PixelCopy copy = clipCopyToWindow(sl, st, dl, dt, cw, ch, w->getWidth(), height);
    const PixelRect& source = copy.source;
    if (source.isEmpty()) return;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    moveRasterTo(copy.destX, copy.destY + source.height);  // the destination's bottom-left corner
    glCopyPixels(source.x, height - source.y - source.height, source.width, source.height, GL_COLOR);
}

Color Renderer::readPixel(Window* w, int x, int y) {
    const int height = w->getHeight();
    GLubyte rgba[4] = {0, 0, 0, 0};
    if (clipToWindow(x, y, 1, 1, w->getWidth(), height).isEmpty()) return Color(0, 0, 0, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return Color(rgba[0], rgba[1], rgba[2], rgba[3]);
}
