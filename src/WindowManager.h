// WindowManager: the list of live windows and an optional event loop that hands each window's
// queued events to its virtual handlers. Everything here runs on the user's thread.
#pragma once

#include <ctime>

class Window;

class WindowManager {
public:
    WindowManager() = delete;

    // Called by every Window's constructor and destructor.
    static void registerWindow(Window* window);
    static void removeWindow(Window* window);
    // Passes over the windows, timer then keyboard then mouse events then idle, until exitHandler.
    static void handleEvents();
    // Ends handleEvents after the pass in progress.
    static void exitHandler();
    // Processor time used, in clock() ticks.
    static std::clock_t getTime();
};
