// DaemonImp: the one process-wide command queue between the user's threads and the renderer, its
// flow control, and a builder for every queued command type. Builders run on the user's threads;
// the renderer takes the queue whole through takeAll.
#pragma once

#include <chrono>
#include <cstddef>
#include <initializer_list>
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
    // The queue holds at most this many commands (and this many arguments of point lists); a
    // producer that finds it full sleeps until the renderer takes it, so memory stays bounded
    // however far a program draws ahead of the screen.
    static constexpr std::size_t QUEUE_BOUND = 4096;
    static constexpr std::size_t QUEUE_ARGUMENT_BOUND = 1 << 20;

    // Queues a fully built command, waiting first while the queue is full; wakes a sleeping
    // renderer. Commands from one thread run in the order queued. A command that awaits an answer
    // and comes after the renderer has stopped for good is answered as for a closed window.
    static void append(DaemonCommand&& command);

    // Renderer side: swaps batch (emptied) with the whole queue, in one lock, and lets producers
    // held at the bound go on. Swapping hands the queue storage back, so taking allocates nothing.
    static void takeAll(std::vector<DaemonCommand>& batch);
    // Renderer side, when it stops at exit: drops what is queued; later commands are dropped too.
    // Callers waiting for an answer get the answer of a closed window.
    static void closeQueue();
    // Renderer side: sleeps until a command is queued or the timeout passes; false on timeout.
    static bool waitForCommands(std::chrono::microseconds timeout);
    // Whether a window's destruction is queued and not yet done: its destructor waits for the
    // renderer, which must not keep working through input meanwhile.
    static bool isDestructionQueued();
    // Renderer side: a queued destruction has been carried out (or dropped, its window closed).
    static void destructionDone();

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
    // Builds and queues one command of the given type for w.
    static void queue(Window* w, DaemonCommand::DaemonCommand_t type, std::initializer_list<int> arguments,
                      const Style* style = nullptr, const std::string& text = std::string());

private:
    // Queues a command whose caller waits for its answer, and returns the answer.
    template <typename Answer>
    static Answer queueAndWait(Window* w, DaemonCommand::DaemonCommand_t type, std::initializer_list<int> arguments);
    // Answers the caller of a command that will never run, as a closed window would answer it.
    static void answerDropped(const DaemonCommand& command);
    static void queuePoints(Window* w, DaemonCommand::DaemonCommand_t type, const Style& s, const std::vector<int>& xs,
                            const std::vector<int>& ys);
    // Queues a command whose arguments end with the transform's three values, in fixed point.
    static void queueTransformed(Window* w, DaemonCommand::DaemonCommand_t type, std::initializer_list<int> arguments,
                                 const Transform& t, const Style* style, const std::string& text);
    static DaemonCommand build(Window* w, DaemonCommand::DaemonCommand_t type, std::initializer_list<int> arguments,
                               const Style* style, const std::string& text);
};
