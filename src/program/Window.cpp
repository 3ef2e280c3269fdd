// Window: the user's window, on the user's thread. Drawing and window calls are checked here and
// pushed onto the CommandQueue as typed commands; the renderer thread calls back only through
// _setWindowSize, the add operations and the key and button recorders, each under the lock of what
// it touches.
#include "Window.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "WindowManager.h"
#include "caches/ImageInstance.h"
#include "renderer/Renderer.h"
#include "shared/CommandQueue.h"
#include "shared/Diagnostics.h"
#include "shared/WindowState.h"

namespace {

// Where the window system chooses the position.
constexpr int ANY_POSITION = 2147483647;

template <typename Event>
Event takeOrHalt(EventQueue<Event>& queue, const char* emptyMessage) {
    sched_yield();
    Event event;
    if (!queue.tryTake(event)) FATAL_ERROR(emptyMessage);
    return event;
}

// Nothing will ever arrive on a closed window's empty queue. The first wait that finds so tells the
// program, so that a loop on isOpen() ends and the code after it runs; a program that waits again
// regardless ends as it would when the window's last event had been handled, normally, with its
// exit handlers, so that a loop that never looks cannot hang.
void endUnlessFirstNoticeOfClosing(EventSignal& signal) {
    if (!signal.takeClosingNotice()) std::exit(0);
}

// Whether a tick of a running timer of the window can end what the program waits for: then the
// tick is left to come by the clock, and no line is played (which could close the window first).
enum class Tick { WILL_DO, WILL_NOT_DO };
// What the program does: looks for input (an empty queue, the input state), lets a frame pass, or
// waits for input that is not there. With no input script on a platform that plays one, a wait
// would last for ever, and closes the window instead.
enum class Asking { LOOKS, FRAME, WAITS };

// How many input-state calls in a row, with nothing taken and nothing given between, make a program
// one that polls the state rather than one that reads it about the event it took.
constexpr int STATE_POLLS_BEFORE_A_STEP = 1000;

// Under an input script, the program's waits and looks are what play it, one step at a time: the
// renderer plays the window's next step, and the caller waits until it has. A step is played only
// when the program has taken everything it was given, as a person acts on what the window shows
// and does not type ahead of it: when it waits for input that is not there or a frame passes, or
// when it looks while every queue it reads is empty (a queue it never looks at, such as the
// keyboard's in a program that only asks isKeyDown, holds nothing back). False when nothing was
// played (no script, input not all taken, or a tick will do): the caller then goes on as it
// would with a user. Input from a user, or looking where no input will ever come, asks nothing, so
// looking for input costs what it always has; only a wait there asks, as the renderer closes a
// window that would wait for ever.
bool playNextLine(Window* window, WindowState& state, Tick tick, Asking asking) {
    const platform::InputSource source = Renderer::inputSource();
    if (source == platform::InputSource::USER || (source == platform::InputSource::NONE && asking != Asking::WAITS) ||
        state.events.isClosed() || (asking == Asking::LOOKS && state.holdsEventsForTheProgram()))
        return false;
    const bool played = CommandQueue::pushAndWait<bool>(
        window, command::PlayScriptedInput{tick == Tick::WILL_DO, asking == Asking::WAITS, nullptr});
    if (played) state.events.forgetQuestions();
    return played;
}

// A program that keeps asking for the input state with nothing left to take is polling it, as it
// would poll an empty queue: under an input script, that plays the next step. A few questions
// about the event just taken (where the pointer is, whether Shift is held) play nothing.
void pollInputState(const Window* window, WindowState& state) {
    if (Renderer::inputSource() == platform::InputSource::SCRIPT &&
        state.events.countQuestion() >= STATE_POLLS_BEFORE_A_STEP)
        playNextLine(const_cast<Window*>(window), state, Tick::WILL_NOT_DO, Asking::LOOKS);  // names the window only
}

// An empty queue plays the next line, then is looked at again.
template <typename Queue>
bool isEmptyOnceLinePlayed(Window* window, Queue& queue, WindowState& state, Tick tick) {
    return queue.isEmpty() && (!playNextLine(window, state, tick, Asking::LOOKS) || queue.isEmpty());
}

template <typename Queue, typename Event = typename Queue::value_type>
Event takeOrTellClosing(Window* window, Queue& queue, WindowState& state, Tick tick) {
    sched_yield();
    Event event;
    do {
        if (queue.tryTake(event)) return event;
    } while (playNextLine(window, state, tick, Asking::WAITS));
    if (queue.waitTake(event)) return event;
    endUnlessFirstNoticeOfClosing(state.events);
    return Event::windowClosed();
}

// A circle of negative radius is no circle: it would silently draw nothing.
bool isDrawableRadius(int radius, const char* call) {
    if (radius >= 0) return true;
    WARNING(std::string("The radius passed to ") + call + " is negative, so nothing was drawn");
    return false;
}

// A point list as commands carry it; the caller has checked that both lists are the same size.
command::Points pointsOf(const std::vector<int>& xs, const std::vector<int>& ys) {
    command::Points points(xs.size());
    for (std::size_t i = 0; i < xs.size(); ++i) points[i] = {xs[i], ys[i]};
    return points;
}

// A timer of negative interval never fires: say so rather than leave the program waiting.
void checkInterval(int interval, const char* call) {
    if (interval < 0) WARNING(std::string("The interval passed to ") + call + " is negative, so the timer never fires");
}

// Ids come from one process-wide counter and are handed out here, so creating a timer never waits
// for the renderer.
int startTimerFor(Window* window, int interval, bool repeating) {
    static std::atomic<int> nextTimerId{0};
    const int id = nextTimerId++;
    CommandQueue::push(DaemonCommand(window, command::StartTimer{interval, id, repeating}));
    return id;
}

}  // namespace

Window::Window(int width, int height, const std::string& title, bool fullScreen, int depth, int refresh,
               CallSite site) {
    const CallerScope caller(site);
    _init(ANY_POSITION, ANY_POSITION, width, height, title, fullScreen, depth, refresh);
}

Window::Window(int x, int y, int width, int height, const std::string& title, bool fullScreen, int depth, int refresh,
               CallSite site) {
    const CallerScope caller(site);
    _init(x, y, width, height, title, fullScreen, depth, refresh);
}

void Window::_init(int x, int y, int newWidth, int newHeight, const std::string& title, bool fullScreen, int depth,
                   int refresh) {
    shared = std::make_unique<WindowState>();
    _setWindowSize(newWidth, newHeight);
    mousefilter = MouseEvent(MouseEvent::MOUSE_MOVE_EVENT, MouseEvent::NO_BUTTON, -1, -1, KeyModifiers::NO_MODIFIERS);
    keyfilter = KeyboardEvent(0, KeyModifiers::NO_MODIFIERS);
    timerfilter = TimerEvent(-1);
    if (newWidth < 1) FATAL_ERROR("Window width is not a positive integer");
    if (newHeight < 1) FATAL_ERROR("Window height is a not a positive integer");
    Renderer::start();
    CommandQueue::push(
        DaemonCommand(this, command::CreateWindow{x, y, newWidth, newHeight, title, fullScreen, depth, refresh}));
    Renderer::waitUntilRunning();
    WindowManager::registerWindow(this);
    autopageflip = true;
    sched_yield();
}

Window::~Window() {
    WindowManager::removeWindow(this);
    CommandQueue::destructionQueued();
    CommandQueue::push(DaemonCommand(this, command::DestroyWindow{}));
    // The renderer may still hold this window in commands or callbacks in flight: wait until it has
    // closed the toolkit window and forgotten this one, so nothing there touches freed storage.
    if (Renderer::isRunning()) shared->destroyedsignal.wait();
    sched_yield();
}

bool Window::isOpen() const { return !shared->events.isClosed(); }

FullScreenWindow::FullScreenWindow(int width, int height, int depth, int refresh, CallSite site)
    : Window(width, height, "BrindlewoodGraphics", true, depth, refresh, site) {}

void Window::handleKeyboardEvent(const KeyboardEvent&) { sched_yield(); }
void Window::handleMouseEvent(const MouseEvent&) { sched_yield(); }
void Window::handleIdleEvent() {
    defaultidle = true;
    sched_yield();
}
void Window::handleTimerEvent(const TimerEvent&) { sched_yield(); }

void Window::drawPixel(const Style& style, int x, int y, CallSite site) {
    const CallerScope caller(site);
    // Opaque in COPY_OP, a pixel is just its colour: the commonest call of all skips the command.
    if (style.getRasterOp() == Style::COPY_OP && style.getColor().getAlpha() == 255)
        return CommandQueue::pushPixel(this, {x, y, style.getColor()});
    CommandQueue::push(DaemonCommand(this, command::Draw{style, command::Pixel{x, y}}));
}
void Window::drawLine(const Style& style, int x1, int y1, int x2, int y2, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::Draw{style, command::Line{x1, y1, x2, y2}}));
}
void Window::drawRectangleFilled(const Style& style, int x1, int y1, int x2, int y2, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::Draw{style, command::RectangleFilled{x1, y1, x2, y2}}));
}
void Window::drawRectangleOutline(const Style& style, int x1, int y1, int x2, int y2, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::Draw{style, command::RectangleOutline{x1, y1, x2, y2}}));
}
// Radius 0 is the plain rectangle, drawn as such; any other is a polygon.
void Window::drawRoundedRectangleFilled(const Style& style, int x1, int y1, int x2, int y2, int radius, CallSite site) {
    const CallerScope caller(site);
    if (!isDrawableRadius(radius, "drawRoundedRectangleFilled")) return;
    if (radius == 0) return drawRectangleFilled(style, x1, y1, x2, y2);
    CommandQueue::push(
        DaemonCommand(this, command::Draw{style, command::RoundedRectangleFilled{x1, y1, x2, y2, radius}}));
}
void Window::drawRoundedRectangleOutline(const Style& style, int x1, int y1, int x2, int y2, int radius,
                                         CallSite site) {
    const CallerScope caller(site);
    if (!isDrawableRadius(radius, "drawRoundedRectangleOutline")) return;
    if (radius == 0) return drawRectangleOutline(style, x1, y1, x2, y2);
    CommandQueue::push(
        DaemonCommand(this, command::Draw{style, command::RoundedRectangleOutline{x1, y1, x2, y2, radius}}));
}
void Window::drawTriangleFilled(const Style& style, int x1, int y1, int x2, int y2, int x3, int y3, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::Draw{style, command::TriangleFilled{x1, y1, x2, y2, x3, y3}}));
}
void Window::drawTriangleOutline(const Style& style, int x1, int y1, int x2, int y2, int x3, int y3, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::Draw{style, command::TriangleOutline{x1, y1, x2, y2, x3, y3}}));
}
void Window::drawCircleFilled(const Style& style, int x, int y, int radius, CallSite site) {
    const CallerScope caller(site);
    if (isDrawableRadius(radius, "drawCircleFilled"))
        CommandQueue::push(DaemonCommand(this, command::Draw{style, command::CircleFilled{x, y, radius}}));
}
void Window::drawCircleOutline(const Style& style, int x, int y, int radius, CallSite site) {
    const CallerScope caller(site);
    if (isDrawableRadius(radius, "drawCircleOutline"))
        CommandQueue::push(DaemonCommand(this, command::Draw{style, command::CircleOutline{x, y, radius}}));
}
void Window::drawEllipseFilled(const Style& style, int x1, int y1, int x2, int y2, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::Draw{style, command::EllipseFilled{x1, y1, x2, y2}}));
}
void Window::drawEllipseOutline(const Style& style, int x1, int y1, int x2, int y2, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::Draw{style, command::EllipseOutline{x1, y1, x2, y2}}));
}
void Window::drawArc(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle,
                     CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(
        this, command::Draw{style, command::Arc{x1, y1, x2, y2, angleOf(startAngle), angleOf(endAngle)}}));
}
void Window::drawWedgeFilled(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle,
                             CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(
        this, command::Draw{style, command::WedgeFilled{x1, y1, x2, y2, angleOf(startAngle), angleOf(endAngle)}}));
}
void Window::drawWedgeOutline(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle,
                              CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(
        this, command::Draw{style, command::WedgeOutline{x1, y1, x2, y2, angleOf(startAngle), angleOf(endAngle)}}));
}
void Window::drawChordFilled(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle,
                             CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(
        this, command::Draw{style, command::ChordFilled{x1, y1, x2, y2, angleOf(startAngle), angleOf(endAngle)}}));
}
void Window::drawChordOutline(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle,
                              CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(
        this, command::Draw{style, command::ChordOutline{x1, y1, x2, y2, angleOf(startAngle), angleOf(endAngle)}}));
}
void Window::drawText(const Style& style, const Font& font, int x, int y, const std::string& text, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::DrawText{style, font.handle, x, y, text, false, Transform()}));
}
void Window::drawText(const Style& style, const Font& font, int x, int y, const std::string& text,
                      const Transform& transform, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(
        DaemonCommand(this, command::DrawText{style, font.handle, x, y, text, true, quantized(transform)}));
}
void Window::drawPolygonFilled(const Style& style, const std::vector<int>& xcoords, const std::vector<int>& ycoords,
                               CallSite site) {
    const CallerScope caller(site);
    if (xcoords.size() != ycoords.size())
        FATAL_ERROR("The xcoords and ycoords vectors passed to drawPolygonFilled are different sizes");
    CommandQueue::push(DaemonCommand(this, command::Draw{style, command::PolygonFilled{pointsOf(xcoords, ycoords)}}));
}
void Window::drawPolygonOutline(const Style& style, const std::vector<int>& xcoords, const std::vector<int>& ycoords,
                                CallSite site) {
    const CallerScope caller(site);
    if (xcoords.size() != ycoords.size())
        FATAL_ERROR("The xcoords and ycoords vectors passed to drawPolygonOutline are different sizes");
    CommandQueue::push(DaemonCommand(this, command::Draw{style, command::PolygonOutline{pointsOf(xcoords, ycoords)}}));
}
void Window::drawPolyLine(const Style& style, const std::vector<int>& xcoords, const std::vector<int>& ycoords,
                          CallSite site) {
    const CallerScope caller(site);
    if (xcoords.size() != ycoords.size())
        FATAL_ERROR("The xcoords and ycoords vectors passed to drawPolyLine are different sizes");
    CommandQueue::push(DaemonCommand(this, command::Draw{style, command::PolyLine{pointsOf(xcoords, ycoords)}}));
}
void Window::drawBezierCurve(const Style& style, const std::vector<int>& xcoords, const std::vector<int>& ycoords,
                             CallSite site) {
    const CallerScope caller(site);
    if (xcoords.size() != ycoords.size())
        FATAL_ERROR("The xcoords and ycoords vectors passed to drawBezierCurve are different sizes");
    CommandQueue::push(DaemonCommand(this, command::Draw{style, command::BezierCurve{pointsOf(xcoords, ycoords)}}));
}
void Window::drawImage(const Image& image, int x, int y, CallSite site) {
    const CallerScope caller(site);
    Renderer::ImageInstance::bumpImageRefCount(image.handle);  // the queued command holds a reference
    CommandQueue::push(DaemonCommand(this, command::DrawImage{image.handle, x, y, false, Transform()}));
}
void Window::drawImage(const Image& image, int x, int y, const Transform& transform, CallSite site) {
    const CallerScope caller(site);
    Renderer::ImageInstance::bumpImageRefCount(image.handle);  // the queued command holds a reference
    CommandQueue::push(DaemonCommand(this, command::DrawImage{image.handle, x, y, true, quantized(transform)}));
}
void Window::clear(CallSite site) {
    const CallerScope caller(site);
    clear(Color::WHITE);
}
void Window::clear(const Color& color, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::Clear{color}));
}

Image Window::createImage(int x, int y, int imageWidth, int imageHeight, CallSite site) {
    const CallerScope caller(site);
    if (imageWidth < 1) FATAL_ERROR("The rectangle chosen to create an image from is less than one pixel wide");
    if (imageHeight < 1) FATAL_ERROR("The rectangle chosen to create an image from is less than one pixel high");
    const int w = getWidth(), h = getHeight();
    if (x < 0 || y < 0) WARNING("The rectangle chosen to create an image from is outside the bounds of the window");
    if (x > w || y > h) WARNING("The rectangle chosen to create an image from is outside the bounds of the window");
    if (std::int64_t(x) + imageWidth > w || std::int64_t(y) + imageHeight > h)
        WARNING("The rectangle chosen to create an image from is outside the bounds of the window");
    return CommandQueue::pushAndWait<Image>(this, command::CreateImage{x, y, imageWidth, imageHeight, nullptr});
}

void Window::copyRegion(int x, int y, int destX, int destY, int regionWidth, int regionHeight, CallSite site) {
    const CallerScope caller(site);
    if (regionWidth < 1) FATAL_ERROR("The rectangle chosen for copying a region from is less than one pixel wide");
    if (regionHeight < 1) FATAL_ERROR("The rectangle chosen for copying a region from is less than one pixel high");
    const int w = getWidth(), h = getHeight();
    if (x < 0 || y < 0) WARNING("The rectangle chosen for copying a region is outside the bounds of the window");
    if (x > w || y > h) WARNING("The rectangle chosen for copying a region is outside the bounds of the window");
    if (std::int64_t(x) + regionWidth > w || std::int64_t(y) + regionHeight > h)
        WARNING("The rectangle chosen for copying a region is outside the bounds of the window");
    CommandQueue::push(DaemonCommand(this, command::CopyRegion{x, y, destX, destY, regionWidth, regionHeight}));
}

Color Window::readPixel(int x, int y, CallSite site) {
    const CallerScope caller(site);
    if (x < 0 || y < 0) WARNING("The pixel being read is outside the bounds of the window");
    // Only beyond the size warns: a coordinate equal to the width or height passes, as it always has.
    if (x > getWidth() || y > getHeight()) WARNING("The pixel being read is outside the bounds of the window");
    return CommandQueue::pushAndWait<Color>(this, command::ReadPixel{x, y, nullptr});
}

void Window::flipPage(CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::FlipPage{}));
}
void Window::enableAutoPageFlip(CallSite site) {
    const CallerScope caller(site);
    autopageflip = true;
    CommandQueue::push(DaemonCommand(this, command::SetAutoPageFlip{true}));
}
void Window::disableAutoPageFlip(CallSite site) {
    const CallerScope caller(site);
    autopageflip = false;
    CommandQueue::push(DaemonCommand(this, command::SetAutoPageFlip{false}));
}
void Window::waitForNextFrame(int framesPerSecond, CallSite site) {
    const CallerScope caller(site);
    if (framesPerSecond < 1) FATAL_ERROR("The frame rate passed to waitForNextFrame is not a positive integer");
    if (!autopageflip) flipPage();
    playNextLine(this, *shared, Tick::WILL_NOT_DO, Asking::FRAME);  // each frame under a script is one step
    using Clock = std::chrono::steady_clock;
    // A rate beyond the clock's resolution (a billion a second) runs at one tick of the clock.
    const auto period = std::max(Clock::duration(1), Clock::duration(std::chrono::seconds(1)) / framesPerSecond);
    const Clock::time_point now = Clock::now();
    // Ticks stay on the schedule that the first call started; a loop that fell a whole frame or
    // more behind resumes at the next tick instead of rushing to catch up.
    if (nextframe == Clock::time_point()) nextframe = now;
    nextframe += period;
    if (nextframe < now) nextframe += (now - nextframe) / period * period + period;
    std::this_thread::sleep_until(nextframe);
}
void Window::enableAntialiasing(CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::SetAntialiasing{true}));
}
void Window::disableAntialiasing(CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::SetAntialiasing{false}));
}
void Window::enableFullScreen(int depth, int refresh, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::EnableFullScreen{depth, refresh}));
}
void Window::disableFullScreen(CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::DisableFullScreen{}));
}
void Window::hide(CallSite site) {
    const CallerScope caller(site);
    if (hidden) return;
    CommandQueue::push(DaemonCommand(this, command::ShowWindow{false}));
    hidden = true;
}
void Window::show(CallSite site) {
    const CallerScope caller(site);
    if (!hidden) return;
    CommandQueue::push(DaemonCommand(this, command::ShowWindow{true}));
    hidden = false;
}
void Window::resize(int newHeight, int newWidth, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::Resize{newWidth, newHeight}));
    _setWindowSize(newWidth, newHeight);
}
void Window::setPosition(int x, int y, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::SetPosition{x, y}));
}
void Window::getPosition(int& x, int& y, CallSite site) {
    const CallerScope caller(site);
    const ScreenPosition position = CommandQueue::pushAndWait<ScreenPosition>(this, command::GetPosition{nullptr});
    x = position.x;
    y = position.y;
}
void Window::setTitle(const std::string& title, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::SetTitle{title}));
}
void Window::ignoreKeyRepeat(bool ignore, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::IgnoreKeyRepeat{ignore}));
}

int Window::getWidth() const {
    std::lock_guard<PortMutex> guard(shared->sizemutex);
    return shared->width;
}
int Window::getHeight() const {
    std::lock_guard<PortMutex> guard(shared->sizemutex);
    return shared->height;
}
void Window::_setWindowSize(int newWidth, int newHeight) {
    std::lock_guard<PortMutex> guard(shared->sizemutex);
    shared->width = newWidth;
    shared->height = newHeight;
}

bool Window::isKeyboardQueueEmpty() {
    return isEmptyOnceLinePlayed(this, shared->keyqueue, *shared, Tick::WILL_NOT_DO);
}
KeyboardEvent Window::getKeyboardEvent(CallSite site) {
    const CallerScope caller(site);
    return takeOrHalt(shared->keyqueue,
                      "Tried to remove a KeyboardEvent from an empty queue!  Call "
                      "isKeyboardQueueEmpty() first to ensure that this does not occur");
}
KeyboardEvent Window::waitForKeyboardEvent(CallSite site) {
    const CallerScope caller(site);
    return takeOrTellClosing(this, shared->keyqueue, *shared, Tick::WILL_NOT_DO);
}
void Window::flushKeyboardQueue() {
    sched_yield();
    shared->keyqueue.flush();
}
void Window::autoFlushKeyboardQueue(bool on) { shared->keyqueue.setAutoFlush(on); }

bool Window::isMouseQueueEmpty() {
    return isEmptyOnceLinePlayed(this, shared->mousequeue, *shared, Tick::WILL_NOT_DO);
}
MouseEvent Window::getMouseEvent(CallSite site) {
    const CallerScope caller(site);
    return takeOrHalt(shared->mousequeue,
                      "Tried to remove a MouseEvent from an empty queue!  Call "
                      "isMouseQueueEmpty() first to ensure that this does not occur");
}
MouseEvent Window::waitForMouseEvent(CallSite site) {
    const CallerScope caller(site);
    return takeOrTellClosing(this, shared->mousequeue, *shared, Tick::WILL_NOT_DO);
}
void Window::flushMouseQueue() {
    sched_yield();
    shared->mousequeue.flush();
}
void Window::autoFlushMouseQueue(bool on) { shared->mousequeue.setAutoFlush(on); }

bool Window::isTimerQueueEmpty() {
    return isEmptyOnceLinePlayed(this, shared->timerqueue, *shared, Tick::WILL_DO);
}
TimerEvent Window::getTimerEvent(CallSite site) {
    const CallerScope caller(site);
    return takeOrHalt(shared->timerqueue,
                      "Tried to remove a TimerEvent from an empty queue!  Call "
                      "isTimerQueueEmpty() first to ensure that this does not occur");
}
TimerEvent Window::waitForTimerEvent(CallSite site) {
    const CallerScope caller(site);
    return takeOrTellClosing(this, shared->timerqueue, *shared, Tick::WILL_DO);
}
void Window::flushTimerQueue() {
    sched_yield();
    shared->timerqueue.flush();
}
void Window::autoFlushTimerQueue(bool on) { shared->timerqueue.setAutoFlush(on); }

// A running timer's tick is an event of the stream too, so it may end the wait: Tick::WILL_DO.
Event Window::waitForEvent(CallSite site) {
    const CallerScope caller(site);
    return takeOrTellClosing(this, shared->stream, *shared, Tick::WILL_DO);
}
bool Window::pollEvent(Event& event) {
    return !isEmptyOnceLinePlayed(this, shared->stream, *shared, Tick::WILL_DO) && shared->stream.tryTake(event);
}

void Window::waitForAnyEvent(CallSite site) {
    const CallerScope caller(site);
    WindowState& s = *shared;
    const auto anyQueued = [&s] { return s.holdsEventsLocked(); };
    while (!s.keyqueue.withLock(anyQueued) && playNextLine(this, s, Tick::WILL_DO, Asking::WAITS)) {
    }
    const bool queued = s.events.waitUntil(anyQueued);
    if (!queued) endUnlessFirstNoticeOfClosing(s.events);
}

// The state tables are written by the renderer; lookups never insert, so reading is safe under the lock.
bool Window::isKeyDown(int key) const {
    pollInputState(this, *shared);
    return shared->keyqueue.withLock([&] {
        auto found = shared->keysdown.find(key);
        return found != shared->keysdown.end() && found->second;
    });
}
bool Window::isButtonDown(MouseEvent::Button button) const {
    pollInputState(this, *shared);
    return shared->mousequeue.withLock([&] {
        auto found = shared->buttonsdown.find(button);
        return found != shared->buttonsdown.end() && found->second;
    });
}
bool Window::isModifierDown(KeyModifiers modifiers) const {
    pollInputState(this, *shared);
    KeyModifiers held = shared->keyqueue.withLock([&] { return shared->modifiersdown; });
    return (modifiers & held) == modifiers;
}
int Window::getMouseX() const {
    pollInputState(this, *shared);
    return shared->mousequeue.withLock([&] { return shared->mousex; });
}
int Window::getMouseY() const {
    pollInputState(this, *shared);
    return shared->mousequeue.withLock([&] { return shared->mousey; });
}

void Window::addKeyboardEvent(const KeyboardEvent& event) { shared->keyqueue.add(event); }
void Window::addMouseEvent(const MouseEvent& event) {
    shared->mousequeue.add(event, [&] {
        // Enter and exit events carry no position; auto-flushed moves still update it.
        if (event.getX() != -1 && event.getY() != -1) {
            shared->mousex = event.getX();
            shared->mousey = event.getY();
        }
    });
}
void Window::addTimerEvent(const TimerEvent& event) {
    shared->timerqueue.add(event, [&] { ++shared->timercounts[event.getTimerID()]; });
}
void Window::recordKey(int key, bool down, KeyModifiers modifiers) {
    shared->keyqueue.withLock([&] {
        shared->keysdown[key] = down;
        shared->modifiersdown = modifiers;
    });
}
void Window::recordButton(MouseEvent::Button button, bool down) {
    shared->mousequeue.withLock([&] { shared->buttonsdown[button] = down; });
}

TimerEvent Window::registerNewTimerEvent(int interval, CallSite site) {
    const CallerScope caller(site);
    checkInterval(interval, "registerNewTimerEvent");
    return TimerEvent(startTimerFor(this, interval, false));
}
TimerEvent Window::startTimer(int interval, CallSite site) {
    const CallerScope caller(site);
    checkInterval(interval, "startTimer");
    return TimerEvent(startTimerFor(this, interval, true));
}
void Window::stopTimer(const TimerEvent& timer, CallSite site) {
    const CallerScope caller(site);
    CommandQueue::push(DaemonCommand(this, command::StopTimer{timer.getTimerID()}));
}
int Window::getTimerCount(const TimerEvent& timer, CallSite site) {
    const CallerScope caller(site);
    return shared->timerqueue.withLock([&] {
        auto found = shared->timercounts.find(timer.getTimerID());
        return found == shared->timercounts.end() ? 0 : found->second;
    });
}
void Window::setTimerCount(const TimerEvent& timer, int count, CallSite site) {
    const CallerScope caller(site);
    shared->timerqueue.withLock([&] { shared->timercounts[timer.getTimerID()] = count; });
}

std::string Window::numberToString(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", n);
    return text;
}

std::string Window::numberToString(double d, int precision) {
    char format[16] = "%f";
    if (precision >= 0) std::snprintf(format, sizeof format, "%%.%df", precision > 100 ? 100 : precision);
    int length = std::snprintf(nullptr, 0, format, d);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(&text[0], text.size(), format, d);
    text.pop_back();
    return text;
}
