// The renderer's drawing: styles put into effect and taken back, every primitive command turned
// into OpenGL calls, pixel reads and copies, and full-screen mode. Renderer thread only, inside
// handleCommand, with the command's window current.
#include <GL/freeglut.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "ArcTracer.h"
#include "BezierClip.h"
#include "Diagnostics.h"
#include "EllipseRaster.h"
#include "GLUTImp.h"
#include "Globals.h"
#include "PixelRect.h"
#include "PolygonRaster.h"
#include "Window.h"

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

// A point list arrives as its count, then x and y of each point.
std::vector<Record> takePoints(DaemonCommand& command) {
    const int count = command.removeArgument();
    std::vector<Record> points;
    for (int i = 0; i < count; ++i) {
        const int x = command.removeArgument();
        const int y = command.removeArgument();
        points.push_back({static_cast<GLdouble>(x), static_cast<GLdouble>(y), 0.0});
    }
    return points;
}

using Vertex = std::array<int, 2>;

// The next x, y pair of a command as a vertex.
void emitVertex(DaemonCommand& command) {
    const int x = command.removeArgument();
    glVertex2i(x, command.removeArgument());
}

void drawRecords(GLenum mode, const std::vector<Record>& points) {
    glBegin(mode);
    for (const Record& point : points) glVertex2dv(point.data());
    glEnd();
}

// The renderer nudges every vertex by (0.375, 0.375) (GLUTImp::reshapeWindow) so that a point
// lights its own pixel on every driver: a point meant in corner coordinates is given that much less.
constexpr GLdouble VERTEX_NUDGE = 0.375;

// The window's pixels, which runs and curves are cut to.
PixelArea areaOf(const GLUTImpStatics::RendererWindow& window) { return {0, 0, window.width, window.height}; }

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

void drawCircle(DaemonCommand& command, Rendering rendering, const PixelArea& area) {
    const int x = command.removeArgument();
    const int y = command.removeArgument();
    const int r = command.removeArgument();
    if (r <= 0) return;
    drawRound(AxisEllipse{x, y, r, r}, rendering, area);
}

// The ellipse inside a box given by two opposite corners: its centre and half sizes truncated
// toward zero.
AxisEllipse takeEllipseBox(DaemonCommand& command) {
    const std::int64_t x1 = command.removeArgument();
    const std::int64_t y1 = command.removeArgument();
    const std::int64_t x2 = command.removeArgument();
    const std::int64_t y2 = command.removeArgument();
    return {(x1 + x2) / 2, (y1 + y2) / 2, std::abs((x2 - x1) / 2), std::abs((y2 - y1) / 2)};
}

// A box less than two pixels wide has no horizontal radius: nothing of it is drawn, not even the
// flat line that its outline would be.
void drawEllipse(DaemonCommand& command, Rendering rendering, const PixelArea& area) {
    const AxisEllipse ellipse = takeEllipseBox(command);
    if (ellipse.rx == 0) return;
    drawRound(ellipse, rendering, area);
}

void drawWedge(DaemonCommand& command, Rendering rendering, const PixelArea& area) {
    const AxisEllipse ellipse = takeEllipseBox(command);
    const double start = command.removeArgument() / 1024.0;
    const EllipseWedge wedge(ellipse, start, command.removeArgument() / 1024.0);
    if (ellipse.rx == 0) return;
    drawRound(wedge, rendering, area);
}

void drawTracedArc(DaemonCommand& command, GLenum mode) {
    const int x1 = command.removeArgument();
    const int y1 = command.removeArgument();
    const int x2 = command.removeArgument();
    const int y2 = command.removeArgument();
    const int a = command.removeArgument();
    const int b = command.removeArgument();
    glBegin(mode);
    GLUTImp::drawArcInternal(x1, y1, x2, y2, a, b);
    glEnd();
}

// A polygon's corners as whole coordinates.
std::vector<PolygonPoint> takeCorners(DaemonCommand& command) {
    std::vector<PolygonPoint> corners;
    for (const Record& p : takePoints(command))
        corners.push_back({static_cast<std::int64_t>(p[0]), static_cast<std::int64_t>(p[1])});
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

// A convex polygon is a fan of triangles, which GL fills as it filled the tessellator's. Any other
// is filled row by row with the pixels those triangles had (on a sample exactly on an edge, as
// llvmpipe has them, see PolygonRaster.h), and where its edges cross, by the odd rule.
void fillPolygon(const std::vector<PolygonPoint>& corners, const PixelArea& area) {
    if (isConvex(corners)) return drawCorners(GL_TRIANGLE_FAN, corners);
    warnIfEdgesCross(corners);
    glBegin(GL_QUADS);
    fillRuns(corners, area);
    glEnd();
}

// The outline is drawn whether or not its edges cross.
void outlinePolygon(const std::vector<PolygonPoint>& corners) {
    warnIfEdgesCross(corners);
    drawCorners(GL_LINE_LOOP, corners);
}

}  // namespace

void GLUTImp::setColor(const Color& color) {
    glColor4ub(color.getRed(), color.getGreen(), color.getBlue(), color.getAlpha());
}

DrawState GLUTImp::stateFor(const GLUTImpStatics::RendererWindow& window, const Style& style, bool lines) {
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

void GLUTImp::applyState(GLUTImpStatics::RendererWindow& window, const DrawState& state) {
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

int GLUTImp::enableFullscreen(int width, int height, int depth, int rate) {
    char mode[64];
    std::snprintf(mode, sizeof mode, "%dx%d:%d@%d", width, height, depth, rate);
    glutGameModeString(mode);
    return glutEnterGameMode();
}

void GLUTImp::disableFullscreen() { glutLeaveGameMode(); }

namespace {

// The glBegin mode that a primitive shares with the next ones of its kind, -1 for primitives that
// need a glBegin of their own.
int batchModeOf(DaemonCommand::DaemonCommand_t type) {
    switch (type) {
        case DaemonCommand::DRAW_PIXEL: return GL_POINTS;
        case DaemonCommand::DRAW_LINE: return GL_LINES;
        case DaemonCommand::DRAW_TRIANGLE_FILLED: return GL_TRIANGLES;
        case DaemonCommand::DRAW_RECTANGLE_FILLED:
        case DaemonCommand::DRAW_CIRCLE_FILLED:
        case DaemonCommand::DRAW_ELLIPSE_FILLED:
        case DaemonCommand::DRAW_WEDGE_FILLED: return GL_QUADS;
        default: return -1;
    }
}

// Whether the primitive is drawn with lines, which line width, pattern and smoothing apply to.
bool drawsLines(DaemonCommand::DaemonCommand_t type) {
    switch (type) {
        case DaemonCommand::DRAW_PIXEL:
        case DaemonCommand::DRAW_TRIANGLE_FILLED:
        case DaemonCommand::DRAW_RECTANGLE_FILLED:
        case DaemonCommand::DRAW_CIRCLE_FILLED:
        case DaemonCommand::DRAW_ELLIPSE_FILLED:
        case DaemonCommand::DRAW_WEDGE_FILLED:
        case DaemonCommand::DRAW_CHORD_FILLED:
        case DaemonCommand::DRAW_POLYGON_FILLED: return false;
        default: return true;
    }
}

}  // namespace

void GLUTImp::endBatch() {
    GLUTImpStatics& s = *Globals<GLUTImpStatics>::impl();
    if (s.batchmode < 0) return;
    glEnd();
    s.batchmode = -1;
}

void GLUTImp::drawPrimitive(DaemonCommand& command, GLUTImpStatics::RendererWindow& window) {
    const Style style = command.getStyle();
    const DaemonCommand::DaemonCommand_t type = command.type();
    applyState(window, stateFor(window, style, drawsLines(type)));
    const int mode = batchModeOf(type);
    GLUTImpStatics& s = *Globals<GLUTImpStatics>::impl();
    if (s.batchmode != mode) {
        endBatch();
        if (mode >= 0) glBegin(static_cast<GLenum>(mode));
        s.batchmode = mode;
    }
    setColor(style.getColor());  // a colour may change inside a glBegin
    const PixelArea area = areaOf(window);
    const Rendering outline = window.applied.smooth ? Rendering::SMOOTH_OUTLINE : Rendering::OUTLINE;
    switch (type) {
        case DaemonCommand::DRAW_PIXEL: emitVertex(command); break;
        case DaemonCommand::DRAW_LINE:
            emitVertex(command);
            emitVertex(command);
            break;
        case DaemonCommand::DRAW_TRIANGLE_FILLED:
            for (int corner = 0; corner < 3; ++corner) emitVertex(command);
            break;
        case DaemonCommand::DRAW_RECTANGLE_FILLED: {
            const int x1 = command.removeArgument(), y1 = command.removeArgument();
            const int x2 = command.removeArgument(), y2 = command.removeArgument();
            glVertex2i(x1, y1);
            glVertex2i(x2, y1);
            glVertex2i(x2, y2);
            glVertex2i(x1, y2);
            break;
        }
        case DaemonCommand::DRAW_RECTANGLE_OUTLINE: {
            const int x1 = command.removeArgument(), y1 = command.removeArgument();
            const int x2 = command.removeArgument(), y2 = command.removeArgument();
            glBegin(GL_LINE_LOOP);
            glVertex2i(x1, y1);
            glVertex2i(x2, y1);
            glVertex2i(x2, y2);
            glVertex2i(x1, y2);
            glEnd();
            break;
        }
        case DaemonCommand::DRAW_TRIANGLE_OUTLINE:
            glBegin(GL_LINE_LOOP);
            for (int corner = 0; corner < 3; ++corner) emitVertex(command);
            glEnd();
            break;
        case DaemonCommand::DRAW_CIRCLE_FILLED: drawCircle(command, Rendering::FILLED, area); break;
        case DaemonCommand::DRAW_CIRCLE_OUTLINE: drawCircle(command, outline, area); break;
        case DaemonCommand::DRAW_ELLIPSE_FILLED: drawEllipse(command, Rendering::FILLED, area); break;
        case DaemonCommand::DRAW_ELLIPSE_OUTLINE: drawEllipse(command, outline, area); break;
        case DaemonCommand::DRAW_WEDGE_FILLED: drawWedge(command, Rendering::FILLED, area); break;
        case DaemonCommand::DRAW_WEDGE_OUTLINE: drawWedge(command, outline, area); break;
        case DaemonCommand::DRAW_ARC: drawTracedArc(command, GL_LINE_STRIP); break;
        case DaemonCommand::DRAW_CHORD_OUTLINE: drawTracedArc(command, GL_LINE_LOOP); break;
        case DaemonCommand::DRAW_CHORD_FILLED: drawTracedArc(command, GL_POLYGON); break;
        case DaemonCommand::DRAW_POLY_LINE: drawRecords(GL_LINE_STRIP, takePoints(command)); break;
        case DaemonCommand::DRAW_POLYGON_FILLED: fillPolygon(takeCorners(command), area); break;
        case DaemonCommand::DRAW_POLYGON_OUTLINE: outlinePolygon(takeCorners(command)); break;
        case DaemonCommand::DRAW_BEZIER_CURVE:
            drawBezierSegment(takePoints(command), static_cast<GLfloat>(style.getLineWidth()), area);
            break;
        default: break;
    }
}

void GLUTImp::drawArcInternal(int x1, int y1, int x2, int y2, int a, int b) {
    for (const ArcPoint& p : traceArc(x1, y1, x2, y2, a, b)) glVertex2i(p.x, p.y);
}

void GLUTImp::moveRasterTo(int x, int y) {
    // Moved from the window's top-left corner rather than set: a raster position set on or past
    // the bottom or left edge would be invalid and draw nothing, while a moved one stays valid.
    glRasterPos2i(0, 0);
    glBitmap(0, 0, 0, 0, static_cast<GLfloat>(x), -static_cast<GLfloat>(y), nullptr);
}

void GLUTImp::copyRegion(Window* w, int sl, int st, int dl, int dt, int cw, int ch) {
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

Color GLUTImp::readPixel(Window* w, int x, int y) {
    const int height = w->getHeight();
    GLubyte rgba[4] = {0, 0, 0, 0};
    if (clipToWindow(x, y, 1, 1, w->getWidth(), height).isEmpty()) return Color(0, 0, 0, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return Color(rgba[0], rgba[1], rgba[2], rgba[3]);
}
