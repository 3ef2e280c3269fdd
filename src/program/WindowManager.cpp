// WindowManager: the list of live windows and the optional event loop that hands each window's
// queued events to its handlers. Runs on the user's threads; the list and the saved filters are
// guarded by one lock, never held while a handler runs, since handlers may create or close windows.
#include "WindowManager.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <list>
#include <map>
#include <mutex>
#include <thread>

#include "Window.h"
#include "shared/Diagnostics.h"
#include "shared/Globals.h"

struct WindowManagerStatics {
    std::mutex lock;  // guards everything below but exitrequested
    std::list<Window*> windowlist;
    std::map<Window*, MouseEvent> mousefilter;
    std::map<Window*, KeyboardEvent> keyfilter;
    std::map<Window*, TimerEvent> timerfilter;
    bool handling = false;                   // handleEvents runs: its filters are saved
    std::atomic<bool> exitrequested{false};  // exitHandler was called, from any thread
};

namespace {

using Clock = std::chrono::steady_clock;

// How long a pass that found nothing to do sleeps: short enough that an event is handed over
// within a few milliseconds, long enough that an idle loop costs well under 1% of a core.
constexpr auto QUIET_PASS_SLEEP = std::chrono::milliseconds(2);

WindowManagerStatics* statics() { return Globals<WindowManagerStatics>::impl(); }

// Taken by whichever comes first: this file's start-up or a file-scope object of the program that
// asks for the time before it.
Clock::time_point programStart() {
    static const Clock::time_point start = Clock::now();
    return start;
}
const Clock::time_point startedAt = programStart();

// Called with the lock held.
void saveFilters(WindowManagerStatics* s, Window* w) {
    s->mousefilter[w] = w->getMouseFilter();
    s->keyfilter[w] = w->getKeyboardFilter();
    s->timerfilter[w] = w->getTimerFilter();
}

// Gives w back the filter saved for it and forgets the entry; false if none was saved.
template <typename Event>
bool restoreFilter(std::map<Window*, Event>& saved, Window* w, void (Window::*setFilter)(const Event&)) {
    auto entry = saved.find(w);
    if (entry == saved.end()) return false;
    (w->*setFilter)(entry->second);
    saved.erase(entry);
    return true;
}

// The reports for a window whose filters were never saved; they differ between the two callers.
struct MissingFilterReports {
    const char* mouse;
    const char* keyboard;
    const char* timer;
};

// Gives w back its three saved filters (called with the lock held).
void restoreFilters(WindowManagerStatics* s, Window* w, const MissingFilterReports& missing) {
    if (!restoreFilter(s->mousefilter, w, &Window::setMouseFilter)) FATAL_ASSERTION(missing.mouse);
    if (!restoreFilter(s->keyfilter, w, &Window::setKeyboardFilter)) FATAL_ASSERTION(missing.keyboard);
    if (!restoreFilter(s->timerfilter, w, &Window::setTimerFilter)) FATAL_ASSERTION(missing.timer);
}

std::list<Window*> registeredWindows() {
    WindowManagerStatics* s = statics();
    std::lock_guard<std::mutex> guard(s->lock);
    return s->windowlist;
}

// A handler may close a window, its own included: nothing more is delivered to it then.
bool isRegistered(Window* w) {
    WindowManagerStatics* s = statics();
    std::lock_guard<std::mutex> guard(s->lock);
    return std::find(s->windowlist.begin(), s->windowlist.end(), w) != s->windowlist.end();
}

// Hands every event queued for w to its handler, oldest first, while w lives; true if any.
template <typename Event>
bool deliverQueued(Window* w, bool (Window::*isEmpty)(), Event (Window::*take)(CallSite),
                   void (Window::*handle)(const Event&)) {
    bool delivered = false;
    while (isRegistered(w) && !(w->*isEmpty)()) {
        (w->*handle)((w->*take)(CallSite()));
        delivered = true;
    }
    return delivered;
}

}  // namespace

struct WindowManager::PassOutcome {
    bool delivered = false;      // some handler got an event
    bool busyIdle = false;       // some window has an idle handler of its own
    bool allClosed = false;      // there were windows, and the user has closed every one
};

// One pass: each window's timer, then keyboard, then mouse events, then its idle handler. Walks a
// copy of the list, so windows opened by a handler wait for the next pass.
WindowManager::PassOutcome WindowManager::deliverOnePass() {
    PassOutcome outcome;
    const std::list<Window*> windows = registeredWindows();
    outcome.allClosed = !windows.empty();
    for (Window* w : windows) {
        if (!w) FATAL_ASSERTION("There seems to be a a NULL pointer in the window list");
        outcome.delivered |=
            deliverQueued(w, &Window::isTimerQueueEmpty, &Window::getTimerEvent, &Window::handleTimerEvent);
        outcome.delivered |=
            deliverQueued(w, &Window::isKeyboardQueueEmpty, &Window::getKeyboardEvent, &Window::handleKeyboardEvent);
        outcome.delivered |=
            deliverQueued(w, &Window::isMouseQueueEmpty, &Window::getMouseEvent, &Window::handleMouseEvent);
        if (isRegistered(w)) {
            // The default handler marks that it ran: a program's own handler is called every pass.
            w->defaultidle = false;
            w->handleIdleEvent();
            outcome.busyIdle |= !w->defaultidle;
            outcome.allClosed &= !w->isOpen();
        }
        sched_yield();
    }
    return outcome;
}

void WindowManager::registerWindow(Window* window, CallSite site) {
    const CallerScope caller(site);
    if (!window) FATAL_ASSERTION("How did you do that?  registerWindow has been passed a NULL pointer");
    WindowManagerStatics* s = statics();
    std::lock_guard<std::mutex> guard(s->lock);
    if (s->handling) saveFilters(s, window);
    s->windowlist.push_back(window);
}

void WindowManager::removeWindow(Window* window, CallSite site) {
    const CallerScope caller(site);
    if (!window) FATAL_ASSERTION("How did you do that?  removeWindow has been passed a NULL pointer");
    WindowManagerStatics* s = statics();
    std::lock_guard<std::mutex> guard(s->lock);
    s->windowlist.remove(window);
    if (s->handling) {
        restoreFilters(s, window,
                       {"Tried to remove a window that is not in the mousefilter map",
                        "Tried to remove a window that is not in the keyfilter map",
                        "Tried to remove a window that is not in the timerfilter map"});
    }
}

void WindowManager::handleEvents() {
    WindowManagerStatics* s = statics();
    {
        std::lock_guard<std::mutex> guard(s->lock);
        for (Window* w : s->windowlist) {
            if (!w) FATAL_ASSERTION("There seems to be a NULL pointer in the window list");
            saveFilters(s, w);
        }
        s->handling = true;
        s->exitrequested = false;
    }
    while (!s->exitrequested) {
        sched_yield();
        const PassOutcome pass = deliverOnePass();
        // Nothing can arrive any more: the program ends as it would after its last event.
        if (pass.allClosed && !pass.delivered) std::exit(0);
        if (!pass.delivered && !pass.busyIdle) std::this_thread::sleep_for(QUIET_PASS_SLEEP);
    }
    std::lock_guard<std::mutex> guard(s->lock);
    for (Window* w : s->windowlist) {
        if (!w) FATAL_ASSERTION("There seems to be a NULL pointer in the window list");
        // Only the first report lacks a full stop: the existing wording, kept on purpose.
        restoreFilters(s, w,
                       {"There is a window in the window list that is not in the mousefilter map",
                        "There is a window in the window list that is not in the keyfilter map.",
                        "There is a window in the window list that is not in the timerfilter map."});
    }
    s->handling = false;
}

void WindowManager::exitHandler() { statics()->exitrequested = true; }

std::clock_t WindowManager::getTime() { return std::clock(); }

double WindowManager::getSeconds() { return std::chrono::duration<double>(Clock::now() - programStart()).count(); }
