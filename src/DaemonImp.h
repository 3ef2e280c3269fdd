// DaemonImp: the one process-wide command queue between the user's threads and the renderer, the
// producer's throttle, and a builder for every queued command type. Builders run on the user's
// threads; the renderer takes commands through takeAll/takeOne.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <string>
#include <vector>

#include "DaemonCommand.h"
#include "PortMutex.h"

class Color;
class Font;
class Image;
class Transform;
class Window;

class DaemonImp {
public:
    // Yields until the renderer has taken every queued command, so each producer has at most one
    // command in flight.
    static void throttle();
    // Queues a fully built command and wakes the renderer.
    static void append(DaemonCommand* command);

    // Renderer side: replaces batch with the whole queue, taken in one lock.
    static void takeAll(std::deque<DaemonCommand*>& batch);
    // Renderer side, when it stops at exit: drops what is queued; later commands are dropped too.
    static void closeQueue();
    // Renderer side: sleeps until a command is queued or the timeout passes; false on timeout.
    static bool waitForCommands(std::chrono::microseconds timeout);

    static void createWindow(Window* w, int x, int y, int width, int height, const std::string& title, bool fullScreen,
                             int depth, int refresh);
    static void destroyWindow(Window* w);
    static void hideWindow(Window* w);
    static void showWindow(Window* w);
    static void setTitle(Window* w, const std::string& title);
    static void resize(Window* w, int width, int height);
    static void setPosition(Window* w, int x, int y);
    static void getPosition(Window* w, int& x, int& y);
    static void enableAntialiasing(Window* w);
    static void disableAntialiasing(Window* w);
    static void enableAutoPageFlip(Window* w);
    static void disableAutoPageFlip(Window* w);
    static void enableFullScreen(Window* w, int depth, int refresh);
    static void disableFullScreen(Window* w);
    static void flipPage(Window* w);
    static void drawPixel(Window* w, const Style& s, int x, int y);
    static void drawLine(Window* w, const Style& s, int x1, int y1, int x2, int y2);
    static void drawArc(Window* w, const Style& s, int x1, int y1, int x2, int y2, int a, int b);
    static void drawRectangleFilled(Window* w, const Style& s, int x1, int y1, int x2, int y2);
    static void drawRectangleOutline(Window* w, const Style& s, int x1, int y1, int x2, int y2);
    static void drawTriangleFilled(Window* w, const Style& s, int x1, int y1, int x2, int y2, int x3, int y3);
    static void drawTriangleOutline(Window* w, const Style& s, int x1, int y1, int x2, int y2, int x3, int y3);
    static void drawCircleFilled(Window* w, const Style& s, int x, int y, int r);
    static void drawCircleOutline(Window* w, const Style& s, int x, int y, int r);
    static void drawEllipseFilled(Window* w, const Style& s, int x1, int y1, int x2, int y2);
    static void drawEllipseOutline(Window* w, const Style& s, int x1, int y1, int x2, int y2);
    static void drawWedgeFilled(Window* w, const Style& s, int x1, int y1, int x2, int y2, int a, int b);
    static void drawWedgeOutline(Window* w, const Style& s, int x1, int y1, int x2, int y2, int a, int b);
    static void drawChordFilled(Window* w, const Style& s, int x1, int y1, int x2, int y2, int a, int b);
    static void drawChordOutline(Window* w, const Style& s, int x1, int y1, int x2, int y2, int a, int b);
    static void drawText(Window* w, const Style& s, const Font& font, int x, int y, const std::string& text);
    static void drawText(Window* w, const Style& s, const Font& font, int x, int y, const std::string& text,
                         const Transform& t);
    static void drawPolygonFilled(Window* w, const Style& s, const std::vector<int>& xs, const std::vector<int>& ys);
    static void drawPolygonOutline(Window* w, const Style& s, const std::vector<int>& xs, const std::vector<int>& ys);
    static void drawPolyLine(Window* w, const Style& s, const std::vector<int>& xs, const std::vector<int>& ys);
    static void drawBezierCurve(Window* w, const Style& s, const std::vector<int>& xs, const std::vector<int>& ys);
    static void drawImage(Window* w, const Image& image, int x, int y);
    static void drawImage(Window* w, const Image& image, int x, int y, const Transform& t);
    static Image createImage(Window* w, int x, int y, int width, int height);
    static void copyRegion(Window* w, int x, int y, int destX, int destY, int width, int height);
    static Color readPixel(Window* w, int x, int y);
    static void ignoreKeyRepeat(Window* w, bool ignore);
    static void clear(Window* w, const Color& color);

protected:
    // Throttles, then builds and queues one command of the given type for w.
    static void queue(Window* w, DaemonCommand::DaemonCommand_t type, const std::vector<int>& arguments,
                      const Style* style = nullptr, const std::string& text = std::string());

private:
    static void queuePoints(Window* w, DaemonCommand::DaemonCommand_t type, const Style& s, const std::vector<int>& xs,
                            const std::vector<int>& ys);
    // Appends the transform's three values, scaled to fixed point, to the arguments.
    static void queueTransformed(Window* w, DaemonCommand::DaemonCommand_t type, std::vector<int> arguments,
                                 const Transform& t, const Style* style, const std::string& text);
};
