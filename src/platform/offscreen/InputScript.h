// The input script (BRINDLEWOOD_INPUT): the user's input written down, one event a line, read once
// (in memory in proportion to the file, up to a bound) and played a step at a time to the
// renderer's event sink, each as the same real input would arrive. Pure: no window system and no
// clock, so it is tested without a display. It decides nothing about when a step is played; the
// platform plays one when the program asks for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "MouseEvent.h"
#include "platform/Platform.h"

namespace platform::offscreen {

// One line of a script that plays something, as read.
struct ScriptedInput {
    enum Kind : std::uint8_t { CLICK, PRESS, RELEASE, MOVE, KEY, CLOSE, FRAMES, SNAPSHOT };
    Kind kind = CLOSE;
    MouseEvent::Button button = MouseEvent::LEFT_BUTTON;  // CLICK (always left), PRESS, RELEASE
    int x = 0;  // CLICK, PRESS, RELEASE, MOVE
    int y = 0;
    int key = 0;     // KEY: a character or a NamedKey value
    int frames = 0;  // FRAMES
    // The window it is for: its number, from 1, or (below 0) the title that a window line named.
    int window = 1;
    int line = 0;  // its number in the file
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

    // The program made its number-th window (numbers come in order, from 1) with this title: it
    // takes the lines for its number, and for its title unless a window made before has that title.
    void windowMade(int number, const std::string& title);
    // Plays the window's next step to sink, as window id, and says whether it played one. A click
    // or key line plays in two steps, its press and then its release, as a person lets go a moment
    // after pressing; a frames line in as many steps of nothing. A snapshot line tells the sink and
    // goes on to the next line. False, with nothing played, when the next line is close or no line
    // is left for the window: it is to close.
    bool playNext(int number, WindowId id, EventSink& sink);

    // Whether a line asks for snapshots.
    bool takesSnapshots() const { return snapshots; }
    // The number of the file line played last (0 before the first), and of the file's last line
    // that plays anything.
    int lastPlayedLine() const { return lastPlayed; }
    int lastLine() const { return last; }
    // When the program ends: a WARNING naming the windows the script had no line for, then a FATAL
    // ERROR naming the first line for a window that never opened.
    void reportAtEnd() const;

private:
    class Reader;

    // What one window has been given so far: the pointer (it enters at the first pointer line and
    // stays), the buttons held, the click or key not yet let go, the frames still to pass.
    struct WindowInput {
        bool inside = false;
        int x = 0;
        int y = 0;
        std::set<MouseEvent::Button> held;
        std::optional<ScriptedInput> pressed;
        int framesLeft = 0;
    };
    // The lines for one window number or title, in the order of the file: those from next to end
    // are still to play.
    struct WindowLines {
        int window;
        std::uint32_t next;
        std::uint32_t end;
    };
    struct MadeWindow {
        std::string title;
        int titleKey = 0;  // the title whose lines it takes, 0 for none
    };

    static void movePointer(WindowInput& input, int x, int y, WindowId id, EventSink& sink);
    // Brings the pointer to (x, y), crossing into the window first, as a real pointer must go
    // there before it can press, then presses or lets go.
    static void pressOrRelease(WindowInput& input, const ScriptedInput& line, bool down, WindowId id, EventSink& sink);
    static void type(int key, bool down, WindowId id, EventSink& sink);
    static void letGo(WindowInput& input, WindowId id, EventSink& sink);

    // Sorts the lines by window, keeping the file's order within each, and finds each window's.
    void groupByWindow();
    // Where the lines for a window number or title are in windows; windows.size() if it has none.
    std::size_t placeOf(int window) const;
    bool hasLinesFor(int number) const;
    // Whether the window number or title has been made.
    bool opened(int window) const;
    // The next line for the window made number-th, by its number or its title, whichever comes
    // first in the file; null when none is left.
    const ScriptedInput* takeNextLine(int number);

    std::string path;
    std::vector<ScriptedInput> lines;  // by window, then in the order of the file
    std::vector<WindowLines> windows;  // by window: titles first, then numbers
    std::vector<std::string> titles;   // that window lines name: title k has the window -1 - k
    std::vector<MadeWindow> made;      // by number - 1
    std::map<int, WindowInput> given;  // by window number, for the windows that played a line
    int lastPlayed = 0;
    int last = 0;
    bool snapshots = false;
};

}  // namespace platform::offscreen
