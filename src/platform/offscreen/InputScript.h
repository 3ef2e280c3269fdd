// The input script (BRINDLEWOOD_INPUT): the user's input written down, one event a line, read once
// (in memory in proportion to the file, up to a bound) and played one line at a time to the renderer's event sink, each as the same real input would
// arrive. Pure: no window system and no clock, so it is tested without a display. It decides
// nothing about when a line is played; the platform plays one when the program asks for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "MouseEvent.h"
#include "platform/Platform.h"

namespace platform::offscreen {

// One line of a script that plays something, as read.
struct ScriptedInput {
    enum Kind : std::uint8_t { CLICK, PRESS, RELEASE, MOVE, KEY, CLOSE };
    Kind kind = CLOSE;
    MouseEvent::Button button = MouseEvent::LEFT_BUTTON;  // PRESS, RELEASE
    int x = 0;  // CLICK, PRESS, RELEASE, MOVE
    int y = 0;
    int key = 0;     // KEY: a character or a NamedKey value
    int window = 1;  // the number of the window it is for, from 1
    int line = 0;    // its number in the file
};

class InputScript {
public:
    // The most a script may hold. A longer one, or one that never ends (a device, a FIFO), is
    // refused: a script is read whole and checked before the program runs.
    static constexpr std::size_t MAX_BYTES = std::size_t(32) << 20;

    // The script in the file at path. A file that cannot be read, one longer than MAX_BYTES, or a
    // line that cannot be read, is a FATAL ERROR naming the file (and the line's number and text).
    static InputScript read(const std::string& path);
    // The script in text, as read from the file named path.
    static InputScript parse(const std::string& text, const std::string& path);

    // Plays the next line for the window created number-th to sink, as window id. False, with
    // nothing played, when that line is close or no line is left for the window: it is to close.
    bool playNext(int number, WindowId id, EventSink& sink);

private:
    class Reader;

    // The pointer as one window has felt it so far: it enters at the first pointer line and stays.
    struct Pointer {
        bool inside = false;
        int x = 0;
        int y = 0;
        std::set<MouseEvent::Button> held;
    };
    // The lines for one window, in the order of the file: those from next to end are still to play.
    struct WindowLines {
        int window;
        std::uint32_t next;
        std::uint32_t end;
    };

    // Brings the pointer to (x, y), crossing into the window first, as a real pointer must go
    // there before it can press.
    static void movePointer(Pointer& pointer, int x, int y, WindowId id, EventSink& sink);
    static void pressOrRelease(Pointer& pointer, const ScriptedInput& line, bool down, WindowId id, EventSink& sink);
    static void type(int key, WindowId id, EventSink& sink);

    // Sorts the lines by window, keeping the file's order within each, and finds each window's.
    void groupByWindow();
    // The window's lines, or null if the script has none for it.
    WindowLines* linesFor(int window);

    std::vector<ScriptedInput> lines;   // by window, then in the order of the file
    std::vector<WindowLines> windows;   // by window number
    std::map<int, Pointer> pointers;    // by window number, for the windows that played a line
};

}  // namespace platform::offscreen
