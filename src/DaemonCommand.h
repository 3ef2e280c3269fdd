// DaemonCommand: one drawing or window request on its way from the user's thread to the renderer:
// a type, the window it acts on, integer arguments in order, a style and a string. Built whole on
// the producing thread, then moved into the queue and finally taken by the renderer. A value
// type: the few arguments of a common command live inside it, so making one allocates nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "PortMutex.h"
#include "Style.h"

class Color;
class Image;
class Window;

// A window's position on the screen, as getPosition's reply carries it.
struct ScreenPosition {
    int x = 0;
    int y = 0;
};

class DaemonCommand {
public:
    enum DaemonCommand_t : int {
        CREATE_WINDOW = 0,
        DESTROY_WINDOW = 1,
        HIDE_WINDOW = 2,
        SHOW_WINDOW = 3,
        SET_TITLE = 4,
        RESIZE = 5,
        SET_POSITION = 6,
        GET_POSITION = 7,
        REGISTER_NEW_TIMER_EVENT = 8,
        START_TIMER = 9,
        STOP_TIMER = 10,
        ENABLE_ANTIALIASING = 11,
        DISABLE_ANTIALIASING = 12,
        ENABLE_AUTO_PAGE_FLIP = 13,
        DISABLE_AUTO_PAGE_FLIP = 14,
        ENABLE_FULL_SCREEN = 15,
        DISABLE_FULL_SCREEN = 16,
        FLIP_PAGE = 17,
        DRAW_PIXEL = 18,
        DRAW_LINE = 19,
        DRAW_ARC = 20,
        DRAW_RECTANGLE_FILLED = 21,
        DRAW_RECTANGLE_OUTLINE = 22,
        DRAW_TRIANGLE_FILLED = 23,
        DRAW_TRIANGLE_OUTLINE = 24,
        DRAW_CIRCLE_FILLED = 25,
        DRAW_CIRCLE_OUTLINE = 26,
        DRAW_ELLIPSE_FILLED = 27,
        DRAW_ELLIPSE_OUTLINE = 28,
        DRAW_WEDGE_FILLED = 29,
        DRAW_WEDGE_OUTLINE = 30,
        DRAW_CHORD_FILLED = 31,
        DRAW_CHORD_OUTLINE = 32,
        DRAW_TEXT = 33,
        DRAW_POLYGON_FILLED = 34,
        DRAW_POLYGON_OUTLINE = 35,
        DRAW_POLY_LINE = 36,
        DRAW_BEZIER_CURVE = 37,
        DRAW_IMAGE = 38,
        DRAW_IMAGE_TRANSFORMED = 39,
        CREATE_IMAGE = 40,
        COPY_REGION = 41,
        READ_PIXEL = 42,
        IGNORE_KEY_REPEAT = 43,
        CLEAR = 44
    };

    // value x scale as a command argument, truncated toward zero. Values whose scaled form does not
    // fit 32 bits (angles beyond about two million degrees, transforms beyond 214748.3647) are
    // clamped to the nearest one that does, instead of overflowing.
    static int fixedPoint(double value, double scale);

    // Type -1, no window, Style::BLACK, empty string.
    DaemonCommand();
    // Halts on a null window.
    DaemonCommand(DaemonCommand_t type, Window* window);
    DaemonCommand(const DaemonCommand& other) = default;
    DaemonCommand& operator=(const DaemonCommand& other) = default;

    DaemonCommand_t type() const { return commandType; }
    // Halts on a null window.
    Window* getWindow() const;

    void addArgument(int value);
    // The oldest argument not yet removed; halts when none is left.
    int removeArgument();
    int countArguments() const { return static_cast<int>(argumentCount - nextArgument); }

    void setStyle(const Style& newStyle) { style = newStyle; }
    Style getStyle() const { return style; }
    // Halts if the string was already set to something non-empty.
    void setString(const std::string& text);
    std::string getString() const { return stringarg; }

    // Arguments beyond the inline ones (point lists); the queue bounds their total.
    std::size_t countSpilledArguments() const { return spilled.size(); }

    // READ_PIXEL, CREATE_IMAGE and GET_POSITION carry the slot of the one caller waiting for
    // their answer: each caller has its own, so callers on any number of threads get their own.
    template <typename T>
    void setReply(Reply<T>& slot) {
        reply = &slot;
    }
    // Renderer side: hands the answer to the waiting caller; halts if the command awaits no answer
    // of that type.
    void answer(const Color& color) const;
    void answer(const Image& image) const;
    void answer(const ScreenPosition& position) const;

private:
    // Enough for every command but point lists, which spill over into the vector.
    static constexpr std::uint32_t INLINE_ARGUMENTS = 8;

    DaemonCommand_t commandType;
    Window* window;
    Style style;
    std::uint32_t argumentCount = 0;
    std::uint32_t nextArgument = 0;  // consumed front to back
    std::array<int, INLINE_ARGUMENTS> inlineArguments;
    std::vector<int> spilled;  // all the arguments, once there are more than fit inline
    std::string stringarg;
    std::variant<std::monostate, Reply<Color>*, Reply<Image>*, Reply<ScreenPosition>*> reply;
};
