// Window: one on-screen window with immediate drawing calls, page flipping, screen reads, its
// keyboard, mouse and timer queues and the stream of their events in order. Runs on the user's
// thread: each call is checked here and queued for the renderer thread; only the renderer-facing
// operations at the end run there.
//
// Misuse halts: the program is aborted with a "FATAL ERROR" line on stderr naming the problem.
// Closing a window (its close button, or the window system) is not misuse: isOpen() turns false,
// later requests for it are ignored, the first wait for its events returns a WINDOW_CLOSED_EVENT,
// and a program that waits on it again ends with status 0.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "CallSite.h"
#include "Color.h"
#include "Event.h"
#include "Font.h"
#include "Image.h"
#include "KeyboardEvent.h"
#include "MouseEvent.h"
#include "Style.h"
#include "TimerEvent.h"
#include "Transform.h"

struct WindowState;

class Window {
public:
    // A window of width by height pixels placed by the window manager, or where there is none (and
    // offscreen) in the screen's top-left corner. Full screen uses the toolkit's game mode at the
    // given colour depth (bits) and refresh rate (hertz). Halts on a width or height below 1.
    // Returns once the window can be drawn in.
    Window(int width, int height, const std::string& title, bool fullScreen = false, int depth = 32, int refresh = 60,
           CallSite site = CallSite());
    // A window whose top-left corner is at (x, y) on the screen.
    Window(int x, int y, int width, int height, const std::string& title, bool fullScreen = false, int depth = 32,
           int refresh = 60, CallSite site = CallSite());
    // Closes the window if it is still open; returns once the renderer has let go of it.
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // True from construction until the user (close button) or the window system closes the window.
    bool isOpen() const;

    // Handlers called by WindowManager::handleEvents on its thread; by default they only yield.
    virtual void handleKeyboardEvent(const KeyboardEvent& event);
    virtual void handleMouseEvent(const MouseEvent& event);
    virtual void handleIdleEvent();
    virtual void handleTimerEvent(const TimerEvent& event);

    // Drawing. Coordinates are window pixels, origin at the top-left corner, y downward; angles
    // are degrees, counterclockwise on screen. Calls are queued for the renderer and return at
    // once (a program thousands of calls ahead of the screen waits for it to catch up); they are
    // drawn in the order made, also across threads.
    void drawPixel(const Style& style, int x, int y, CallSite site = CallSite());
    // Lights the pixels from (x1, y1) up to, not including, (x2, y2).
    void drawLine(const Style& style, int x1, int y1, int x2, int y2, CallSite site = CallSite());
    // Covers x1 to x2 - 1 and y1 to y2 - 1: the second corner's row and column stay out.
    void drawRectangleFilled(const Style& style, int x1, int y1, int x2, int y2, CallSite site = CallSite());
    // Lights the border through both corners: x1 to x2 and y1 to y2, both included.
    void drawRectangleOutline(const Style& style, int x1, int y1, int x2, int y2, CallSite site = CallSite());
    // drawRectangleFilled with quarter-circle corners; a radius over half the shorter side is taken as that.
    void drawRoundedRectangleFilled(const Style& style, int x1, int y1, int x2, int y2, int radius,
                                    CallSite site = CallSite());
    // drawRectangleOutline with quarter-circle corners; a radius over half the shorter side is taken as that.
    void drawRoundedRectangleOutline(const Style& style, int x1, int y1, int x2, int y2, int radius,
                                     CallSite site = CallSite());
    void drawTriangleFilled(const Style& style, int x1, int y1, int x2, int y2, int x3, int y3,
                            CallSite site = CallSite());
    void drawTriangleOutline(const Style& style, int x1, int y1, int x2, int y2, int x3, int y3,
                             CallSite site = CallSite());
    // The disc of that radius about the top-left corner of pixel (x, y): the pixels whose centres
    // lie inside it, columns and rows x - radius to x + radius - 1, as a filled rectangle covers.
    void drawCircleFilled(const Style& style, int x, int y, int radius, CallSite site = CallSite());
    // The circle through pixel centres about pixel (x, y): x - radius to x + radius, both lit.
    void drawCircleOutline(const Style& style, int x, int y, int radius, CallSite site = CallSite());
    // The ellipse inside the box with corners (x1, y1) and (x2, y2).
    void drawEllipseFilled(const Style& style, int x1, int y1, int x2, int y2, CallSite site = CallSite());
    void drawEllipseOutline(const Style& style, int x1, int y1, int x2, int y2, CallSite site = CallSite());
    // Part of the ellipse inside the box, from the start to the end angle; 0 is right of centre.
    void drawArc(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle,
                 CallSite site = CallSite());
    // A pie slice of the ellipse inside the box; 0 degrees is straight below the centre.
    void drawWedgeFilled(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle,
                         CallSite site = CallSite());
    void drawWedgeOutline(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle,
                          CallSite site = CallSite());
    // The arc closed by the straight line between its ends; 0 is right of centre.
    void drawChordFilled(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle,
                         CallSite site = CallSite());
    void drawChordOutline(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle,
                          CallSite site = CallSite());
    // Text with its baseline starting at (x, y).
    void drawText(const Style& style, const Font& font, int x, int y, const std::string& text,
                  CallSite site = CallSite());
    void drawText(const Style& style, const Font& font, int x, int y, const std::string& text,
                  const Transform& transform, CallSite site = CallSite());
    // Point lists; the two vectors must be the same length.
    void drawPolygonFilled(const Style& style, const std::vector<int>& xcoords, const std::vector<int>& ycoords,
                           CallSite site = CallSite());
    void drawPolygonOutline(const Style& style, const std::vector<int>& xcoords, const std::vector<int>& ycoords,
                            CallSite site = CallSite());
    void drawPolyLine(const Style& style, const std::vector<int>& xcoords, const std::vector<int>& ycoords,
                      CallSite site = CallSite());
    // One Bézier segment controlled by all the points.
    void drawBezierCurve(const Style& style, const std::vector<int>& xcoords, const std::vector<int>& ycoords,
                         CallSite site = CallSite());
    // The picture with its top-left corner at (x, y).
    void drawImage(const Image& image, int x, int y, CallSite site = CallSite());
    void drawImage(const Image& image, int x, int y, const Transform& transform, CallSite site = CallSite());
    // Fills the whole window with white, or with the colour given.
    void clear(CallSite site = CallSite());
    void clear(const Color& color, CallSite site = CallSite());

    // Captures the rectangle with top-left corner (x, y) from what has been drawn; blocks. Pixels
    // outside the window come out as (0, 0, 0, 0). Like readPixel and getPosition, it answers each
    // caller, from any number of threads.
    Image createImage(int x, int y, int width, int height, CallSite site = CallSite());
    // Copies the rectangle with top-left corner (x, y) so that its top-left lands on (destX, destY);
    // only pixels inside the window are copied, and only to pixels inside it.
    void copyRegion(int x, int y, int destX, int destY, int width, int height, CallSite site = CallSite());
    // The colour drawn at pixel (x, y), flipped or not; blocks. (0, 0, 0, 0) outside the window,
    // white once the window is closed.
    Color readPixel(int x, int y, CallSite site = CallSite());

    // Shows what has been drawn. With automatic flipping on (the default) drawing shows by itself
    // within a frame; turn it off to compose a whole frame and show it at once with flipPage.
    void flipPage(CallSite site = CallSite());
    void enableAutoPageFlip(CallSite site = CallSite());
    void disableAutoPageFlip(CallSite site = CallSite());
    bool isAutoPageFlipEnabled() const { return autopageflip; }
    // For animation loops: flips the page when automatic flipping is off, then sleeps until the
    // next tick of a steady schedule of framesPerSecond ticks a second (late frames do not make
    // the schedule drift). A rate above a billion runs as fast as the clock ticks. Halts on a
    // rate below 1.
    void waitForNextFrame(int framesPerSecond, CallSite site = CallSite());
    void enableAntialiasing(CallSite site = CallSite());
    void disableAntialiasing(CallSite site = CallSite());
    void enableFullScreen(int depth, int refresh, CallSite site = CallSite());
    void disableFullScreen(CallSite site = CallSite());

    void hide(CallSite site = CallSite());
    void show(CallSite site = CallSite());
    bool isHidden() const { return hidden; }
    // Note the order: height first, then width. Deliberate, and relied on by existing programs.
    // The window is white after a resize; drawing made after the call stays.
    void resize(int height, int width, CallSite site = CallSite());
    void setPosition(int x, int y, CallSite site = CallSite());
    // The window's position on the screen; blocks.
    void getPosition(int& x, int& y, CallSite site = CallSite());
    void setTitle(const std::string& title, CallSite site = CallSite());
    void ignoreKeyRepeat(bool ignore, CallSite site = CallSite());
    int getWidth() const;
    int getHeight() const;

    // Input queues. The get operations halt on an empty queue (check the matching is...Empty
    // first); the wait operations sleep until an event arrives. Once the window has closed and the
    // queue is empty, the first wait returns at once with an event of kind WINDOW_CLOSED_EVENT,
    // and any later wait on the window ends the program (status 0). Auto-flush drops arriving
    // events while on. A mouse button makes a down event, then an up and a click event on release;
    // moving the pointer makes move events and crossing the border enter and exit events, so
    // waitForMouseEvent also returns on those (check the event's kind to wait for a click).
    // Unread moves merge, as window systems merge them: a move right behind an unread move with
    // the same button, and no other event of the window between them, replaces it. Each queue
    // keeps at most 50,000 unread events; a full queue drops its oldest, with one WARNING until the
    // program has emptied it.
    bool isKeyboardQueueEmpty();
    KeyboardEvent getKeyboardEvent(CallSite site = CallSite());
    KeyboardEvent waitForKeyboardEvent(CallSite site = CallSite());
    void flushKeyboardQueue();
    void autoFlushKeyboardQueue(bool on);
    bool isMouseQueueEmpty();
    MouseEvent getMouseEvent(CallSite site = CallSite());
    MouseEvent waitForMouseEvent(CallSite site = CallSite());
    void flushMouseQueue();
    void autoFlushMouseQueue(bool on);
    bool isTimerQueueEmpty();
    TimerEvent getTimerEvent(CallSite site = CallSite());
    TimerEvent waitForTimerEvent(CallSite site = CallSite());
    void flushTimerQueue();
    void autoFlushTimerQueue(bool on);
    // The window's events of every kind in the order they happened, one stream over the three
    // queues: taking an event here takes it from its queue, and the other way round. Events of an
    // auto-flushed queue never arrive in it.
    // Sleeps until an event arrives and takes it; on a closed window, as the waits above.
    Event waitForEvent(CallSite site = CallSite());
    // Takes the next event into event if there is one, without waiting; returns whether it did.
    bool pollEvent(Event& event);
    // Sleeps until the keyboard, mouse or timer queue holds an event, or the window is closed;
    // takes nothing: the program then takes events from whichever queue it likes. Counts as the
    // first wait on a closed window: called again then, with every queue empty, it ends the program.
    void waitForAnyEvent(CallSite site = CallSite());

    // Input state, as last reported by the window system.
    bool isKeyDown(int key) const;
    bool isButtonDown(MouseEvent::Button button) const;
    // Whether every modifier of the set is held.
    bool isModifierDown(KeyModifiers modifiers) const;
    // The pointer position of the latest mouse event that carried one; -1 before the first.
    int getMouseX() const;
    int getMouseY() const;

    // Filters: values kept for the program, saved and restored around WindowManager::handleEvents.
    MouseEvent getMouseFilter() const { return mousefilter; }
    void setMouseFilter(const MouseEvent& filter) { mousefilter = filter; }
    KeyboardEvent getKeyboardFilter() const { return keyfilter; }
    void setKeyboardFilter(const KeyboardEvent& filter) { keyfilter = filter; }
    TimerEvent getTimerFilter() const { return timerfilter; }
    void setTimerFilter(const TimerEvent& filter) { timerfilter = filter; }

    // Timers queue a TimerEvent with the returned id. registerNewTimerEvent makes a one-shot
    // timer, which fires once after interval milliseconds; startTimer one that fires every
    // interval milliseconds until stopped, on a steady schedule: k intervals after the start,
    // however late earlier ticks came. A tick missed by a whole interval is skipped, not made up;
    // an interval of 0 fires on every turn of the renderer; a negative one warns and never fires.
    TimerEvent registerNewTimerEvent(int interval, CallSite site = CallSite());
    TimerEvent startTimer(int interval, CallSite site = CallSite());
    void stopTimer(const TimerEvent& timer, CallSite site = CallSite());
    // How often the timer has fired for this window (counting goes on under auto-flush).
    int getTimerCount(const TimerEvent& timer, CallSite site = CallSite());
    void setTimerCount(const TimerEvent& timer, int count, CallSite site = CallSite());

    // Decimal text of n; d with precision decimals (a negative precision: six).
    static std::string numberToString(int n);
    static std::string numberToString(double d, int precision);

    // The renderer's: called on the renderer thread only, never by a program.
    void _setWindowSize(int newWidth, int newHeight);
    void addKeyboardEvent(const KeyboardEvent& event);
    void addMouseEvent(const MouseEvent& event);
    void addTimerEvent(const TimerEvent& event);

protected:
    void _init(int x, int y, int width, int height, const std::string& title, bool fullScreen, int depth, int refresh);

private:
    friend class Renderer;
    friend class WindowManager;

    // Renderer side: key and button state that the callbacks record beside the queues.
    void recordKey(int key, bool down, KeyModifiers modifiers);
    void recordButton(MouseEvent::Button button, bool down);

    std::unique_ptr<WindowState> shared;  // everything the renderer touches, each part guarded
    MouseEvent mousefilter;
    KeyboardEvent keyfilter;
    TimerEvent timerfilter;
    bool hidden = false;
    bool autopageflip = false;
    bool defaultidle = false;  // the base handleIdleEvent ran: the event loop may sleep between passes
    std::chrono::steady_clock::time_point nextframe;  // the frame schedule's next tick
};

// A window in the toolkit's full-screen mode, titled "BrindlewoodGraphics".
class FullScreenWindow : public Window {
public:
    FullScreenWindow(int width, int height, int depth, int refresh, CallSite site = CallSite());
};
