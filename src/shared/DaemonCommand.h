// DaemonCommand: one drawing or window request on its way from a user's thread to the renderer, as a
// typed value: one small struct per kind, with named fields, in one std::variant. Built whole by
// Window on the caller's thread, moved into the CommandQueue, executed by the renderer.
#pragma once

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "Color.h"
#include "Image.h"
#include "Style.h"
#include "Transform.h"
#include "shared/Locking.h"

class Window;

// A window's position on the screen, as getPosition's reply carries it.
struct ScreenPosition {
    int x = 0;
    int y = 0;
};

// value x scale, truncated toward zero: angles and transforms cross at this precision. Values whose
// scaled form does not fit 32 bits (angles beyond about two million degrees, transforms beyond
// 214748.3647) are clamped to the nearest one that does, instead of overflowing.
int fixedPoint(double value, double scale);
// An angle in degrees as primitives carry it, in 1024ths of a degree.
int angleOf(double degrees);
// The transform at the precision it has always been drawn with.
Transform quantized(const Transform& transform);

namespace command {

struct Point {
    int x;
    int y;
};
using Points = std::vector<Point>;

// Window management.
struct CreateWindow {
    int x, y, width, height;
    std::string title;
    bool fullScreen;
    int depth, refresh;
};
struct DestroyWindow {};
struct ShowWindow {
    bool shown;
};
struct SetTitle {
    std::string title;
};
struct Resize {
    int width, height;
};
struct SetPosition {
    int x, y;
};
struct GetPosition {
    Reply<ScreenPosition>* reply;
};
struct StartTimer {
    int interval, id;
    bool repeating;  // startTimer; registerNewTimerEvent fires once
};
struct StopTimer {
    int id;
};
struct SetAntialiasing {
    bool on;
};
struct SetAutoPageFlip {
    bool on;
};
struct EnableFullScreen {
    int depth, refresh;
};
struct DisableFullScreen {};
struct FlipPage {};
struct IgnoreKeyRepeat {
    bool ignore;
};
// The caller looks for input, or waits for it: the next line of the input script for the window is
// played, and the reply says whether anything was (false: no script and no wait, or tickWillDo and
// a timer of the window runs, whose tick will end the wait).
struct PlayScriptedInput {
    bool tickWillDo;
    bool waiting;
    Reply<bool>* reply;
};

// Pixels: pictures, copies, reads and clearing.
struct DrawText {
    Style style;
    int font;  // a handle the caller's Font holds
    int x, y;
    std::string text;
    bool transformed;
    Transform transform;
};
struct DrawImage {
    int image;  // a handle with one reference raised for the queue, dropped once drawn
    int x, y;
    bool transformed;
    Transform transform;
};
struct CreateImage {
    int x, y, width, height;
    Reply<Image>* reply;
};
struct CopyRegion {
    int x, y, destX, destY, width, height;
};
struct ReadPixel {
    int x, y;
    Reply<Color>* reply;
};
struct Clear {
    Color color;
};

// Primitives, drawn under a style by a Draw command. Angles are in 1024ths of a degree (angleOf).
// Each says how the renderer batches it: the glBegin it shares with the next primitives of its
// kind, or one of its own; and whether lines (their width, pattern, smoothing) draw it.
enum class Batch { POINTS, LINES, TRIANGLES, QUADS, OWN_LINES, OWN_FILL };
struct Pixel {
    static constexpr Batch batch = Batch::POINTS;
    int x, y;
};
struct Line {
    static constexpr Batch batch = Batch::LINES;
    int x1, y1, x2, y2;
};
struct RectangleFilled {
    static constexpr Batch batch = Batch::QUADS;
    int x1, y1, x2, y2;
};
struct RectangleOutline {
    static constexpr Batch batch = Batch::OWN_LINES;
    int x1, y1, x2, y2;
};
// Traced by the renderer, which knows what of them can be seen (see geometry/RoundedRectangle.h).
struct RoundedRectangleFilled {
    static constexpr Batch batch = Batch::TRIANGLES;  // as PolygonFilled
    int x1, y1, x2, y2, radius;
};
struct RoundedRectangleOutline {
    static constexpr Batch batch = Batch::OWN_LINES;
    int x1, y1, x2, y2, radius;
};
struct TriangleFilled {
    static constexpr Batch batch = Batch::TRIANGLES;
    int x1, y1, x2, y2, x3, y3;
};
struct TriangleOutline {
    static constexpr Batch batch = Batch::OWN_LINES;
    int x1, y1, x2, y2, x3, y3;
};
struct CircleFilled {
    static constexpr Batch batch = Batch::QUADS;
    int x, y, radius;
};
struct CircleOutline {
    static constexpr Batch batch = Batch::OWN_LINES;
    int x, y, radius;
};
struct EllipseFilled {
    static constexpr Batch batch = Batch::QUADS;
    int x1, y1, x2, y2;
};
struct EllipseOutline {
    static constexpr Batch batch = Batch::OWN_LINES;
    int x1, y1, x2, y2;
};
struct Arc {
    static constexpr Batch batch = Batch::OWN_LINES;
    int x1, y1, x2, y2, start, end;
};
struct WedgeFilled {
    static constexpr Batch batch = Batch::QUADS;
    int x1, y1, x2, y2, start, end;
};
struct WedgeOutline {
    static constexpr Batch batch = Batch::OWN_LINES;
    int x1, y1, x2, y2, start, end;
};
struct ChordFilled {
    static constexpr Batch batch = Batch::OWN_FILL;
    int x1, y1, x2, y2, start, end;
};
struct ChordOutline {
    static constexpr Batch batch = Batch::OWN_LINES;
    int x1, y1, x2, y2, start, end;
};
struct PolygonFilled {
    static constexpr Batch batch = Batch::TRIANGLES;  // if convex; any other joins QUADS with its runs
    Points points;
};
struct PolygonOutline {
    static constexpr Batch batch = Batch::OWN_LINES;
    Points points;
};
struct PolyLine {
    static constexpr Batch batch = Batch::OWN_LINES;
    Points points;
};
struct BezierCurve {
    static constexpr Batch batch = Batch::OWN_LINES;
    Points points;
};

using Shape = std::variant<Pixel, Line, RectangleFilled, RectangleOutline, RoundedRectangleFilled,
                           RoundedRectangleOutline, TriangleFilled, TriangleOutline, CircleFilled, CircleOutline,
                           EllipseFilled, EllipseOutline, Arc, WedgeFilled, WedgeOutline, ChordFilled, ChordOutline,
                           PolygonFilled, PolygonOutline, PolyLine, BezierCurve>;

struct Draw {
    Style style;
    Shape shape;
};

// A pixel drawn opaque in COPY_OP, where the style's colour alone counts. The queue keeps these
// apart from the commands, in one list that a run of them refers to, so that the most numerous
// call of all costs no command of its own.
struct PlainPixel {
    int x, y;
    Color color;
};
// Plain pixels queued in a row for one window: count of them from first on in the queue's list.
struct PlainPixels {
    std::size_t first, count;
};

}  // namespace command

// Every kind of command; the renderer has one overload of its execute for each.
using Action = std::variant<command::CreateWindow, command::DestroyWindow, command::ShowWindow, command::SetTitle,
                            command::Resize, command::SetPosition, command::GetPosition, command::StartTimer,
                            command::StopTimer, command::SetAntialiasing, command::SetAutoPageFlip,
                            command::EnableFullScreen, command::DisableFullScreen, command::FlipPage,
                            command::IgnoreKeyRepeat, command::PlayScriptedInput, command::DrawText,
                            command::DrawImage, command::CreateImage, command::CopyRegion, command::ReadPixel,
                            command::Clear, command::Draw, command::PlainPixels>;

// A request for one window.
struct DaemonCommand {
    // Halts on a null window.
    DaemonCommand(Window* window, Action action);

    Window* window;
    Action action;

    // The points it carries (point lists); the queue bounds their total.
    std::size_t countPoints() const;
    // Answers a caller waiting on it, if any, as a closed window would: the renderer will never run it.
    void answerDropped() const;
};
