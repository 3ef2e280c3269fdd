// XDoTool: real X input for the tests, sent with the xdotool command to the display in $DISPLAY.
// Without a window manager keys go to the window under the pointer, so move the pointer into the
// window (or focus it) before typing. Each call returns once xdotool has finished.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class XDoTool {
public:
    // Waits until a window titled exactly title is mapped, and drives it from then on.
    explicit XDoTool(const std::string& title);

    // Moves the pointer to (x, y) in window pixels, or to (x, y) on the screen.
    void moveTo(int x, int y);
    static void moveOnScreenTo(int x, int y);
    // Buttons as X numbers them: 1 left, 2 middle, 3 right, 4 and 5 the wheel.
    void click(int button);
    // Clicks the left button at each point (window pixels) in turn, in one xdotool run with no
    // pause between the clicks.
    void clickEach(const std::vector<std::pair<int, int>>& points);
    void press(int button);
    void release(int button);
    // Key names as xdotool takes them, such as "shift+a", "F5" or "Return".
    void key(const std::string& keys);
    void keyDown(const std::string& keys);
    void keyUp(const std::string& keys);
    // Types text one character after another, millisecondsPerKey apart (xdotool's own pace: 12).
    void type(const std::string& text, int millisecondsPerKey = 12);
    void focus();
    // Runs several xdotool steps in one go, such as "mousemove 150 150 click 1": a burst of input
    // faster than a program reads it. Coordinates are the screen's.
    static void run(const std::string& steps);

    // Where the window is on the screen, and its size, as the X server reports them.
    struct Placement {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };
    Placement placement() const;

private:
    std::string window;  // the X window id, as xdotool prints it
};

// How long a search for a window waits for it to appear: generous, for a program starting under a
// sanitizer on a busy machine; only a window that never comes takes that long.
constexpr std::chrono::seconds WINDOW_SEARCH_LIMIT{20};

// A window title no other test process uses at the same time.
std::string uniqueTitle(const std::string& name);

// Polls condition until it holds or the limit passes; returns whether it held. For waiting on
// events that another thread delivers, without sleeping a guessed time.
bool eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
