// DaemonImp: the command queue shared by every user thread and the renderer, and the builders
// that turn window requests into commands. Builders run on user threads; takeAll and
// waitForCommands on the renderer.
#include "DaemonImp.h"

#include <sched.h>

#include "Color.h"
#include "Daemon.h"
#include "Diagnostics.h"
#include "Font.h"
#include "Globals.h"
#include "Image.h"
#include "Transform.h"
#include "Window.h"
#include "WindowState.h"

namespace {

// Built on first use: file-scope Windows of the application queue commands before main.
struct CommandQueue {
    PortMutex commutex;
    std::condition_variable_any appended;
    std::deque<DaemonCommand*> comqueue;
    bool closed = false;  // the renderer has stopped for good at process exit
};

CommandQueue& commands() { return *Globals<CommandQueue>::impl(); }

int fixedPoint(double value) { return DaemonCommand::fixedPoint(value, Transform::SCALE); }

}  // namespace

void DaemonImp::throttle() {
    CommandQueue& q = commands();
    for (;;) {
        {
            std::lock_guard<PortMutex> guard(q.commutex);
            if (q.comqueue.empty() || q.closed) return;
        }
        sched_yield();
    }
}

void DaemonImp::append(DaemonCommand* command) {
    CommandQueue& q = commands();
    {
        std::lock_guard<PortMutex> guard(q.commutex);
        // After the renderer has stopped (static Windows destroyed at exit), nothing would run it.
        if (!q.closed) {
            q.comqueue.push_back(command);
            command = nullptr;
        }
    }
    delete command;
    q.appended.notify_one();
}

void DaemonImp::closeQueue() {
    std::deque<DaemonCommand*> unexecuted;
    {
        CommandQueue& q = commands();
        std::lock_guard<PortMutex> guard(q.commutex);
        q.closed = true;
        unexecuted.swap(q.comqueue);
    }
    for (DaemonCommand* command : unexecuted) delete command;
}

void DaemonImp::takeAll(std::deque<DaemonCommand*>& batch) {
    CommandQueue& q = commands();
    batch.clear();
    // Take the whole queue under one lock so the producer can build its next command while we
    // draw; swapping hands the queue our empty storage, so taking allocates nothing.
    std::lock_guard<PortMutex> guard(q.commutex);
    batch.swap(q.comqueue);
}

bool DaemonImp::waitForCommands(std::chrono::microseconds timeout) {
    CommandQueue& q = commands();
    std::unique_lock<PortMutex> guard(q.commutex);
    return q.appended.wait_for(guard, timeout, [&q] { return !q.comqueue.empty(); });
}

void DaemonImp::queue(Window* w, DaemonCommand::DaemonCommand_t type, const std::vector<int>& arguments,
                      const Style* style, const std::string& text) {
    if (!w) FATAL_ASSERTION("I seem to have recieved a NULL Window pointer");
    throttle();
    auto* command = new DaemonCommand(type, w);
    for (int argument : arguments) command->addArgument(argument);
    if (style) command->setStyle(*style);
    command->setString(text);
    append(command);
}

void DaemonImp::queuePoints(Window* w, DaemonCommand::DaemonCommand_t type, const Style& s, const std::vector<int>& xs,
                            const std::vector<int>& ys) {
    std::vector<int> arguments{static_cast<int>(xs.size())};
    for (std::size_t i = 0; i < xs.size(); ++i) arguments.insert(arguments.end(), {xs[i], ys[i]});
    queue(w, type, arguments, &s);
}

void DaemonImp::queueTransformed(Window* w, DaemonCommand::DaemonCommand_t type, std::vector<int> arguments,
                                 const Transform& t, const Style* style, const std::string& text) {
    arguments.insert(arguments.end(),
                     {fixedPoint(t.getRotation()), fixedPoint(t.getScaleX()), fixedPoint(t.getScaleY())});
    queue(w, type, arguments, style, text);
}

void DaemonImp::createWindow(Window* w, int x, int y, int width, int height, const std::string& title, bool fullScreen,
                             int depth, int refresh) {
    queue(w, DaemonCommand::CREATE_WINDOW, {x, y, width, height, fullScreen ? 1 : 0, depth, refresh}, nullptr, title);
}
void DaemonImp::destroyWindow(Window* w) { queue(w, DaemonCommand::DESTROY_WINDOW, {}); }
void DaemonImp::hideWindow(Window* w) { queue(w, DaemonCommand::HIDE_WINDOW, {}); }
void DaemonImp::showWindow(Window* w) { queue(w, DaemonCommand::SHOW_WINDOW, {}); }
void DaemonImp::setTitle(Window* w, const std::string& title) {
    queue(w, DaemonCommand::SET_TITLE, {}, nullptr, title);
}
void DaemonImp::resize(Window* w, int width, int height) { queue(w, DaemonCommand::RESIZE, {width, height}); }
void DaemonImp::setPosition(Window* w, int x, int y) { queue(w, DaemonCommand::SET_POSITION, {x, y}); }
void DaemonImp::getPosition(Window* w, int& x, int& y) {
    queue(w, DaemonCommand::GET_POSITION, {});
    WindowState::Position position = w->shared->positionsignal.take();
    x = position.x;
    y = position.y;
}
void DaemonImp::enableAntialiasing(Window* w) { queue(w, DaemonCommand::ENABLE_ANTIALIASING, {}); }
void DaemonImp::disableAntialiasing(Window* w) { queue(w, DaemonCommand::DISABLE_ANTIALIASING, {}); }
void DaemonImp::enableAutoPageFlip(Window* w) { queue(w, DaemonCommand::ENABLE_AUTO_PAGE_FLIP, {}); }
void DaemonImp::disableAutoPageFlip(Window* w) { queue(w, DaemonCommand::DISABLE_AUTO_PAGE_FLIP, {}); }
void DaemonImp::enableFullScreen(Window* w, int depth, int refresh) {
    queue(w, DaemonCommand::ENABLE_FULL_SCREEN, {depth, refresh});
}
void DaemonImp::disableFullScreen(Window* w) { queue(w, DaemonCommand::DISABLE_FULL_SCREEN, {}); }
void DaemonImp::flipPage(Window* w) { queue(w, DaemonCommand::FLIP_PAGE, {}); }

void DaemonImp::drawPixel(Window* w, const Style& s, int x, int y) { queue(w, DaemonCommand::DRAW_PIXEL, {x, y}, &s); }
void DaemonImp::drawLine(Window* w, const Style& s, int x1, int y1, int x2, int y2) {
    queue(w, DaemonCommand::DRAW_LINE, {x1, y1, x2, y2}, &s);
}
void DaemonImp::drawArc(Window* w, const Style& s, int x1, int y1, int x2, int y2, int a, int b) {
    queue(w, DaemonCommand::DRAW_ARC, {x1, y1, x2, y2, a, b}, &s);
}
void DaemonImp::drawRectangleFilled(Window* w, const Style& s, int x1, int y1, int x2, int y2) {
    queue(w, DaemonCommand::DRAW_RECTANGLE_FILLED, {x1, y1, x2, y2}, &s);
}
void DaemonImp::drawRectangleOutline(Window* w, const Style& s, int x1, int y1, int x2, int y2) {
    queue(w, DaemonCommand::DRAW_RECTANGLE_OUTLINE, {x1, y1, x2, y2}, &s);
}
void DaemonImp::drawTriangleFilled(Window* w, const Style& s, int x1, int y1, int x2, int y2, int x3, int y3) {
    queue(w, DaemonCommand::DRAW_TRIANGLE_FILLED, {x1, y1, x2, y2, x3, y3}, &s);
}
void DaemonImp::drawTriangleOutline(Window* w, const Style& s, int x1, int y1, int x2, int y2, int x3, int y3) {
    queue(w, DaemonCommand::DRAW_TRIANGLE_OUTLINE, {x1, y1, x2, y2, x3, y3}, &s);
}
void DaemonImp::drawCircleFilled(Window* w, const Style& s, int x, int y, int r) {
    queue(w, DaemonCommand::DRAW_CIRCLE_FILLED, {x, y, r}, &s);
}
void DaemonImp::drawCircleOutline(Window* w, const Style& s, int x, int y, int r) {
    queue(w, DaemonCommand::DRAW_CIRCLE_OUTLINE, {x, y, r}, &s);
}
void DaemonImp::drawEllipseFilled(Window* w, const Style& s, int x1, int y1, int x2, int y2) {
    queue(w, DaemonCommand::DRAW_ELLIPSE_FILLED, {x1, y1, x2, y2}, &s);
}
void DaemonImp::drawEllipseOutline(Window* w, const Style& s, int x1, int y1, int x2, int y2) {
    queue(w, DaemonCommand::DRAW_ELLIPSE_OUTLINE, {x1, y1, x2, y2}, &s);
}
void DaemonImp::drawWedgeFilled(Window* w, const Style& s, int x1, int y1, int x2, int y2, int a, int b) {
    queue(w, DaemonCommand::DRAW_WEDGE_FILLED, {x1, y1, x2, y2, a, b}, &s);
}
void DaemonImp::drawWedgeOutline(Window* w, const Style& s, int x1, int y1, int x2, int y2, int a, int b) {
    queue(w, DaemonCommand::DRAW_WEDGE_OUTLINE, {x1, y1, x2, y2, a, b}, &s);
}
void DaemonImp::drawChordFilled(Window* w, const Style& s, int x1, int y1, int x2, int y2, int a, int b) {
    queue(w, DaemonCommand::DRAW_CHORD_FILLED, {x1, y1, x2, y2, a, b}, &s);
}
void DaemonImp::drawChordOutline(Window* w, const Style& s, int x1, int y1, int x2, int y2, int a, int b) {
    queue(w, DaemonCommand::DRAW_CHORD_OUTLINE, {x1, y1, x2, y2, a, b}, &s);
}
void DaemonImp::drawText(Window* w, const Style& s, const Font& font, int x, int y, const std::string& text) {
    queue(w, DaemonCommand::DRAW_TEXT, {x, y, font.handle}, &s, text);
}
void DaemonImp::drawText(Window* w, const Style& s, const Font& font, int x, int y, const std::string& text,
                         const Transform& t) {
    queueTransformed(w, DaemonCommand::DRAW_TEXT, {x, y, font.handle}, t, &s, text);
}
void DaemonImp::drawPolygonFilled(Window* w, const Style& s, const std::vector<int>& xs, const std::vector<int>& ys) {
    queuePoints(w, DaemonCommand::DRAW_POLYGON_FILLED, s, xs, ys);
}
void DaemonImp::drawPolygonOutline(Window* w, const Style& s, const std::vector<int>& xs, const std::vector<int>& ys) {
    queuePoints(w, DaemonCommand::DRAW_POLYGON_OUTLINE, s, xs, ys);
}
void DaemonImp::drawPolyLine(Window* w, const Style& s, const std::vector<int>& xs, const std::vector<int>& ys) {
    queuePoints(w, DaemonCommand::DRAW_POLY_LINE, s, xs, ys);
}
void DaemonImp::drawBezierCurve(Window* w, const Style& s, const std::vector<int>& xs, const std::vector<int>& ys) {
    queuePoints(w, DaemonCommand::DRAW_BEZIER_CURVE, s, xs, ys);
}
// The queued command holds a reference, so the picture outlives an Image destroyed meanwhile.
void DaemonImp::drawImage(Window* w, const Image& image, int x, int y) {
    Daemon::bumpImageRefCount(image.handle);
    queue(w, DaemonCommand::DRAW_IMAGE, {image.handle, x, y});
}
void DaemonImp::drawImage(Window* w, const Image& image, int x, int y, const Transform& t) {
    Daemon::bumpImageRefCount(image.handle);
    queueTransformed(w, DaemonCommand::DRAW_IMAGE_TRANSFORMED, {image.handle, x, y}, t, nullptr, std::string());
}
Image DaemonImp::createImage(Window* w, int x, int y, int width, int height) {
    queue(w, DaemonCommand::CREATE_IMAGE, {x, y, width, height});
    return w->shared->imagesignal.take();
}
void DaemonImp::copyRegion(Window* w, int x, int y, int destX, int destY, int width, int height) {
    queue(w, DaemonCommand::COPY_REGION, {x, y, destX, destY, width, height});
}
Color DaemonImp::readPixel(Window* w, int x, int y) {
    queue(w, DaemonCommand::READ_PIXEL, {x, y});
    return w->shared->colorsignal.take();
}
void DaemonImp::clear(Window* w, const Color& color) {
    queue(w, DaemonCommand::CLEAR, {color.getRed(), color.getGreen(), color.getBlue(), color.getAlpha()});
}
void DaemonImp::ignoreKeyRepeat(Window* w, bool ignore) {
    queue(w, DaemonCommand::IGNORE_KEY_REPEAT, {ignore ? 1 : 0});
}
