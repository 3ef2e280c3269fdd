// WindowManager: the list of live windows and an optional event loop that hands each window's
// queued events to its virtual handlers. Everything here runs on the user's thread.
#pragma once

#include <ctime>

#include "CallSite.h"

class Window;

class WindowManager {
public:
    WindowManager() = delete;

    // Called by every Window's constructor and destructor.
    static void registerWindow(Window* window, CallSite site = CallSite());
    static void removeWindow(Window* window, CallSite site = CallSite());
    // Passes over the windows, handing each window's timer, then keyboard, then mouse events to
    // its handlers, then calling its idle handler, until exitHandler is called. While no window
    // overrides handleIdleEvent, a pass that finds nothing sleeps briefly instead of spinning.
    // Once every window it serves has been closed, the program ends (status 0).
    static void handleEvents();
    // Ends handleEvents after the pass in progress.
    static void exitHandler();
    // Processor time used, in clock() ticks.
    static std::clock_t getTime();
    // Wall-clock seconds since the program started, from a steady clock: for animation and timing.
    static double getSeconds();

private:
    struct PassOutcome;
    // One pass of handleEvents over the windows, and what it found.
    static PassOutcome deliverOnePass();
};
