// The input script (BRINDLEWOOD_INPUT): the user's input written down, one event a line, read once
// and played one line at a time to the renderer's event sink, each as the same real input would
// arrive. Pure: no window system and no clock, so it is tested without a display. It decides
// nothing about when a line is played; the platform plays one when the program asks for it.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>

#include "MouseEvent.h"
#include "platform/Platform.h"

namespace platform::offscreen {

// One line of a script, as read.
struct ScriptedInput {
    enum Kind { CLICK, PRESS, RELEASE, MOVE, KEY, CLOSE };
    Kind kind = CLOSE;
    int x = 0;  // CLICK, PRESS, RELEASE, MOVE
    int y = 0;
    MouseEvent::Button button = MouseEvent::LEFT_BUTTON;  // PRESS, RELEASE
    int key = 0;                                          // KEY: a character or a NamedKey value
};

class InputScript {
public:
    // The script in the file at path. A file that cannot be read, or a line that cannot, is a
    // FATAL ERROR naming the file (and the line's number and text).
    static InputScript read(const std::string& path);
    // The script in text, as read from the file named path.
    static InputScript parse(const std::string& text, const std::string& path);

    // Plays the next line for the window created number-th to sink, as window id. False, with
    // nothing played, when that line is close or no line is left for the window: it is to close.
    bool playNext(int number, WindowId id, EventSink& sink);

private:
    // The pointer as one window has felt it so far: it enters at the first pointer line and stays.
    struct Pointer {
        bool inside = false;
        int x = 0;
        int y = 0;
        std::set<MouseEvent::Button> held;
    };

    // Brings the pointer to (x, y), crossing into the window first, as a real pointer must go
    // there before it can press.
    static void movePointer(Pointer& pointer, int x, int y, WindowId id, EventSink& sink);
    static void pressOrRelease(Pointer& pointer, const ScriptedInput& line, bool down, WindowId id, EventSink& sink);
    static void type(int key, WindowId id, EventSink& sink);

    std::map<int, std::deque<ScriptedInput>> lines;  // by window number
    std::map<int, Pointer> pointers;                 // by window number
};

}  // namespace platform::offscreen
