// Window: one on-screen window with immediate drawing calls, page flipping, screen reads and its
// keyboard, mouse and timer queues. Runs on the user's thread: each call is checked here and
// queued for the renderer thread; only the renderer-facing operations at the end run there.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Color.h"
#include "EventQueue.h"
#include "Font.h"
#include "Image.h"
#include "KeyboardEvent.h"
#include "MouseEvent.h"
#include "PortMutex.h"
#include "Style.h"
#include "TimerEvent.h"
#include "Transform.h"

class Daemon;

class Window {
public:
    // A window of width by height pixels placed by the window system. Full screen uses the
    // toolkit's game mode at the given colour depth (bits) and refresh rate (hertz).
    Window(int width, int height, const std::string& title, bool fullScreen = false, int depth = 32, int refresh = 60);
    // A window whose top-left corner is at (x, y) on the screen.
    Window(int x, int y, int width, int height, const std::string& title, bool fullScreen = false, int depth = 32,
           int refresh = 60);
    // Returns once the renderer has closed the window: nothing touches it afterwards.
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Handlers called by WindowManager::handleEvents on its thread; by default they only yield.
    virtual void handleKeyboardEvent(const KeyboardEvent& event);
    virtual void handleMouseEvent(const MouseEvent& event);
    virtual void handleIdleEvent();
    virtual void handleTimerEvent(const TimerEvent& event);

    // Drawing. Coordinates are window pixels, origin at the top-left corner, y downward; angles
    // are degrees, counterclockwise on screen. Each call returns once the renderer has taken the
    // previous command of this thread.
    void drawPixel(const Style& style, int x, int y);
    void drawLine(const Style& style, int x1, int y1, int x2, int y2);
    void drawRectangleFilled(const Style& style, int x1, int y1, int x2, int y2);
    void drawRectangleOutline(const Style& style, int x1, int y1, int x2, int y2);
    void drawTriangleFilled(const Style& style, int x1, int y1, int x2, int y2, int x3, int y3);
    void drawTriangleOutline(const Style& style, int x1, int y1, int x2, int y2, int x3, int y3);
    void drawCircleFilled(const Style& style, int x, int y, int radius);
    void drawCircleOutline(const Style& style, int x, int y, int radius);
    // The ellipse inside the box with corners (x1, y1) and (x2, y2).
    void drawEllipseFilled(const Style& style, int x1, int y1, int x2, int y2);
    void drawEllipseOutline(const Style& style, int x1, int y1, int x2, int y2);
    // Part of the ellipse inside the box, from the start to the end angle; 0 is right of centre.
    void drawArc(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle);
    // A pie slice of the ellipse inside the box; 0 degrees is straight below the centre.
    void drawWedgeFilled(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle);
    void drawWedgeOutline(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle);
    // The arc closed by the straight line between its ends; 0 is right of centre.
    void drawChordFilled(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle);
    void drawChordOutline(const Style& style, int x1, int y1, int x2, int y2, double startAngle, double endAngle);
    // Text with its baseline starting at (x, y).
    void drawText(const Style& style, const Font& font, int x, int y, const std::string& text);
    void drawText(const Style& style, const Font& font, int x, int y, const std::string& text,
                  const Transform& transform);
    // Point lists; the two vectors must be the same length.
    void drawPolygonFilled(const Style& style, const std::vector<int>& xcoords, const std::vector<int>& ycoords);
    void drawPolygonOutline(const Style& style, const std::vector<int>& xcoords, const std::vector<int>& ycoords);
    void drawPolyLine(const Style& style, const std::vector<int>& xcoords, const std::vector<int>& ycoords);
    // One Bézier segment controlled by all the points.
    void drawBezierCurve(const Style& style, const std::vector<int>& xcoords, const std::vector<int>& ycoords);
    // The picture with its top-left corner at (x, y).
    void drawImage(const Image& image, int x, int y);
    void drawImage(const Image& image, int x, int y, const Transform& transform);

    // Captures the rectangle with top-left corner (x, y) from what has been drawn; blocks.
    Image createImage(int x, int y, int width, int height);
    // Copies the rectangle with top-left corner (x, y) so that its top-left lands on (destX, destY).
    void copyRegion(int x, int y, int destX, int destY, int width, int height);
    // The colour drawn at pixel (x, y), flipped or not; blocks.
    Color readPixel(int x, int y);

    // Shows what has been drawn. With automatic flipping on (the default) drawing shows by itself.
    void flipPage();
    void enableAutoPageFlip();
    void disableAutoPageFlip();
    bool isAutoPageFlipEnabled() const { return autopageflip; }
    void enableAntialiasing();
    void disableAntialiasing();
    void enableFullScreen(int depth, int refresh);
    void disableFullScreen();

    void hide();
    void show();
    bool isHidden() const { return hidden; }
    // Note the order: height first, then width. Deliberate, and relied on by existing programs.
    void resize(int height, int width);
    void setPosition(int x, int y);
    // The window's position on the screen; blocks.
    void getPosition(int& x, int& y);
    void setTitle(const std::string& title);
    void ignoreKeyRepeat(bool ignore);
    int getWidth() const;
    int getHeight() const;

    // Input queues. The get operations halt on an empty queue; the wait operations sleep until an
    // event arrives; auto-flush drops arriving events while on.
    bool isKeyboardQueueEmpty();
    KeyboardEvent getKeyboardEvent();
    KeyboardEvent waitForKeyboardEvent();
    void flushKeyboardQueue();
    void autoFlushKeyboardQueue(bool on);
    bool isMouseQueueEmpty();
    MouseEvent getMouseEvent();
    MouseEvent waitForMouseEvent();
    void flushMouseQueue();
    void autoFlushMouseQueue(bool on);
    bool isTimerQueueEmpty();
    TimerEvent getTimerEvent();
    TimerEvent waitForTimerEvent();
    void flushTimerQueue();
    void autoFlushTimerQueue(bool on);

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

    // Timers: a one-shot timer fires once, a running timer every interval milliseconds until stopped.
    TimerEvent registerNewTimerEvent(int interval);
    TimerEvent startTimer(int interval);
    void stopTimer(const TimerEvent& timer);
    // How often the timer has fired for this window (counting goes on under auto-flush).
    int getTimerCount(const TimerEvent& timer);
    void setTimerCount(const TimerEvent& timer, int count);

    // Decimal text of n; d with precision decimals (a negative precision: six).
    static std::string numberToString(int n);
    static std::string numberToString(double d, int precision);

    // Renderer-facing: called on the renderer thread only.
    void _setWindowSize(int newWidth, int newHeight);
    void addKeyboardEvent(const KeyboardEvent& event);
    void addMouseEvent(const MouseEvent& event);
    void addTimerEvent(const TimerEvent& event);

protected:
    void _init(int x, int y, int width, int height, const std::string& title, bool fullScreen, int depth, int refresh);

private:
    friend class DaemonImp;
    friend class GLUTImp;

    struct Position {
        int x = 0;
        int y = 0;
    };

    // Renderer side: key and button state that the callbacks record beside the queues.
    void recordKey(int key, bool down, KeyModifiers modifiers);
    void recordButton(MouseEvent::Button button, bool down);

    mutable EventQueue<MouseEvent> mousequeue;   // its lock also guards mousex, mousey, buttonsdown
    mutable EventQueue<KeyboardEvent> keyqueue;  // its lock also guards keysdown, modifiersdown
    mutable EventQueue<TimerEvent> timerqueue;   // its lock also guards timercounts
    mutable PortMutex sizemutex;
    int width = 0;
    int height = 0;
    int mousex = -1;
    int mousey = -1;
    MouseEvent mousefilter;
    KeyboardEvent keyfilter;
    TimerEvent timerfilter;
    Reply<Color> colorsignal;
    Reply<Image> imagesignal;
    Reply<Position> positionsignal;
    Semaphore destroyedsignal;  // the renderer has closed the window and forgotten it
    bool hidden = false;
    bool autopageflip = false;
    std::map<int, bool> keysdown;
    std::map<MouseEvent::Button, bool> buttonsdown;
    std::map<int, int> timercounts;
    KeyModifiers modifiersdown;
    std::unique_ptr<Daemon> daemon;
};

// A window in the toolkit's full-screen mode, titled "BrindlewoodGraphics".
class FullScreenWindow : public Window {
public:
    FullScreenWindow(int width, int height, int depth, int refresh);
};
