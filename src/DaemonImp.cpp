// DaemonImp: the command queue shared by every user thread and the renderer, and the builders
// that turn window requests into commands. Builders run on user threads; takeAll and
// waitForCommands on the renderer.
#include "DaemonImp.h"

#include <atomic>
#include <condition_variable>

#include "Color.h"
#include "Daemon.h"
#include "Diagnostics.h"
#include "Font.h"
#include "Globals.h"
#include "Image.h"
#include "Transform.h"
#include "Window.h"

namespace {

// Built on first use: file-scope Windows of the application queue commands before main.
struct CommandQueue {
    PortMutex commutex;
    std::condition_variable_any appended;  // a sleeping renderer has work
    std::condition_variable_any taken;     // a producer held at the bound may go on
    std::vector<DaemonCommand> comqueue;
    std::size_t spilledArguments = 0;  // of the queued point lists
    std::atomic<int> destructionsQueued{0};  // read by the renderer without the lock
    bool rendererSleeping = false;
    bool closed = false;  // the renderer has stopped for good at process exit

    bool isFull() const {
        return comqueue.size() >= DaemonImp::QUEUE_BOUND || spilledArguments >= DaemonImp::QUEUE_ARGUMENT_BOUND;
    }
};

CommandQueue& commands() { return *Globals<CommandQueue>::impl(); }

int fixedPoint(double value) { return DaemonCommand::fixedPoint(value, Transform::SCALE); }

}  // namespace

void DaemonImp::append(DaemonCommand&& command) {
    CommandQueue& q = commands();
    std::unique_lock<PortMutex> guard(q.commutex);
    q.taken.wait(guard, [&q] { return q.closed || !q.isFull(); });
    // After the renderer has stopped (static Windows destroyed at exit), nothing would run it.
    if (q.closed) {
        guard.unlock();
        answerDropped(command);
        return;
    }
    q.comqueue.push_back(std::move(command));
    q.spilledArguments += q.comqueue.back().countSpilledArguments();
    // Only a sleeping renderer needs waking: a busy one takes the queue again after each batch.
    const bool wake = q.rendererSleeping;
    q.rendererSleeping = false;
    guard.unlock();
    if (wake) q.appended.notify_one();
}

void DaemonImp::closeQueue() {
    std::vector<DaemonCommand> unexecuted;
    CommandQueue& q = commands();
    {
        std::lock_guard<PortMutex> guard(q.commutex);
        q.closed = true;
        unexecuted.swap(q.comqueue);
    }
    q.taken.notify_all();
    for (const DaemonCommand& command : unexecuted) answerDropped(command);
}

void DaemonImp::answerDropped(const DaemonCommand& command) {
    switch (command.type()) {
        case DaemonCommand::READ_PIXEL:
            command.answer(Color::WHITE);
            break;
        case DaemonCommand::CREATE_IMAGE:
            command.answer(Image());
            break;
        case DaemonCommand::GET_POSITION:
            command.answer(ScreenPosition{});
            break;
        default:
            break;
    }
}

void DaemonImp::takeAll(std::vector<DaemonCommand>& batch) {
    CommandQueue& q = commands();
    batch.clear();
    bool producersHeld = false;
    {
        std::lock_guard<PortMutex> guard(q.commutex);
        producersHeld = q.isFull();  // only a full queue holds producers back
        batch.swap(q.comqueue);
        q.spilledArguments = 0;
    }
    if (producersHeld) q.taken.notify_all();
}

bool DaemonImp::waitForCommands(std::chrono::microseconds timeout) {
    CommandQueue& q = commands();
    std::unique_lock<PortMutex> guard(q.commutex);
    q.rendererSleeping = true;
    const bool arrived = q.appended.wait_for(guard, timeout, [&q] { return !q.comqueue.empty(); });
    q.rendererSleeping = false;
    return arrived;
}

DaemonCommand DaemonImp::build(Window* w, DaemonCommand::DaemonCommand_t type, std::initializer_list<int> arguments,
                               const Style* style, const std::string& text) {
    if (!w) FATAL_ASSERTION("I seem to have recieved a NULL Window pointer");
    DaemonCommand command(type, w);
    for (int argument : arguments) command.addArgument(argument);
    if (style) command.setStyle(*style);
    command.setString(text);
    return command;
}

void DaemonImp::queue(Window* w, DaemonCommand::DaemonCommand_t type, std::initializer_list<int> arguments,
                      const Style* style, const std::string& text) {
    append(build(w, type, arguments, style, text));
}

template <typename Answer>
Answer DaemonImp::queueAndWait(Window* w, DaemonCommand::DaemonCommand_t type, std::initializer_list<int> arguments) {
    Reply<Answer> reply;
    DaemonCommand command = build(w, type, arguments, nullptr, std::string());
    command.setReply(reply);
    append(std::move(command));
    return reply.take();
}

void DaemonImp::queuePoints(Window* w, DaemonCommand::DaemonCommand_t type, const Style& s, const std::vector<int>& xs,
                            const std::vector<int>& ys) {
    DaemonCommand command = build(w, type, {static_cast<int>(xs.size())}, &s, std::string());
    for (std::size_t i = 0; i < xs.size(); ++i) {
        command.addArgument(xs[i]);
        command.addArgument(ys[i]);
    }
    append(std::move(command));
}

void DaemonImp::queueTransformed(Window* w, DaemonCommand::DaemonCommand_t type, std::initializer_list<int> arguments,
                                 const Transform& t, const Style* style, const std::string& text) {
    DaemonCommand command = build(w, type, arguments, style, text);
    command.addArgument(fixedPoint(t.getRotation()));
    command.addArgument(fixedPoint(t.getScaleX()));
    command.addArgument(fixedPoint(t.getScaleY()));
    append(std::move(command));
}

void DaemonImp::createWindow(Window* w, int x, int y, int width, int height, const std::string& title, bool fullScreen,
                             int depth, int refresh) {
    queue(w, DaemonCommand::CREATE_WINDOW, {x, y, width, height, fullScreen ? 1 : 0, depth, refresh}, nullptr, title);
}
void DaemonImp::destroyWindow(Window* w) {
    ++commands().destructionsQueued;
    queue(w, DaemonCommand::DESTROY_WINDOW, {});
}
bool DaemonImp::isDestructionQueued() { return commands().destructionsQueued > 0; }
void DaemonImp::destructionDone() { --commands().destructionsQueued; }
void DaemonImp::hideWindow(Window* w) { queue(w, DaemonCommand::HIDE_WINDOW, {}); }
void DaemonImp::showWindow(Window* w) { queue(w, DaemonCommand::SHOW_WINDOW, {}); }
void DaemonImp::setTitle(Window* w, const std::string& title) {
    queue(w, DaemonCommand::SET_TITLE, {}, nullptr, title);
}
void DaemonImp::resize(Window* w, int width, int height) { queue(w, DaemonCommand::RESIZE, {width, height}); }
void DaemonImp::setPosition(Window* w, int x, int y) { queue(w, DaemonCommand::SET_POSITION, {x, y}); }
void DaemonImp::getPosition(Window* w, int& x, int& y) {
    const ScreenPosition position = queueAndWait<ScreenPosition>(w, DaemonCommand::GET_POSITION, {});
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
    return queueAndWait<Image>(w, DaemonCommand::CREATE_IMAGE, {x, y, width, height});
}
void DaemonImp::copyRegion(Window* w, int x, int y, int destX, int destY, int width, int height) {
    queue(w, DaemonCommand::COPY_REGION, {x, y, destX, destY, width, height});
}
Color DaemonImp::readPixel(Window* w, int x, int y) {
    return queueAndWait<Color>(w, DaemonCommand::READ_PIXEL, {x, y});
}
void DaemonImp::clear(Window* w, const Color& color) {
    queue(w, DaemonCommand::CLEAR, {color.getRed(), color.getGreen(), color.getBlue(), color.getAlpha()});
}
void DaemonImp::ignoreKeyRepeat(Window* w, bool ignore) {
    queue(w, DaemonCommand::IGNORE_KEY_REPEAT, {ignore ? 1 : 0});
}
