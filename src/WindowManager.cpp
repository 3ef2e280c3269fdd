// WindowManager: the list of live windows and the optional event loop that hands each window's
// queued events to its handlers. Runs on the user's threads; the list and the saved filters are
// guarded by one lock, never held while a handler runs, since handlers may create or close windows.
#include "WindowManager.h"

#include <algorithm>
#include <atomic>
#include <list>
#include <map>
#include <mutex>
#include <sched.h>

#include "Diagnostics.h"
#include "Globals.h"
#include "Window.h"

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

WindowManagerStatics* statics() { return Globals<WindowManagerStatics>::impl(); }

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

// Hands every event queued for w to its handler, oldest first, while w lives.
template <typename Event>
void deliverQueued(Window* w, bool (Window::*isEmpty)(), Event (Window::*take)(),
                   void (Window::*handle)(const Event&)) {
    while (isRegistered(w) && !(w->*isEmpty)()) {
        (w->*handle)((w->*take)());
    }
}

// One pass: each window's timer, then keyboard, then mouse events, then its idle handler. Walks a
// copy of the list, so windows opened by a handler wait for the next pass.
void deliverOnePass() {
    for (Window* w : registeredWindows()) {
        if (!w) FATAL_ASSERTION("There seems to be a a NULL pointer in the window list");
        deliverQueued(w, &Window::isTimerQueueEmpty, &Window::getTimerEvent, &Window::handleTimerEvent);
        deliverQueued(w, &Window::isKeyboardQueueEmpty, &Window::getKeyboardEvent, &Window::handleKeyboardEvent);
        deliverQueued(w, &Window::isMouseQueueEmpty, &Window::getMouseEvent, &Window::handleMouseEvent);
        if (isRegistered(w)) w->handleIdleEvent();
        sched_yield();
    }
}

}  // namespace

void WindowManager::registerWindow(Window* window) {
    if (!window) FATAL_ASSERTION("How did you do that?  registerWindow has been passed a NULL pointer");
    WindowManagerStatics* s = statics();
    std::lock_guard<std::mutex> guard(s->lock);
    if (s->handling) saveFilters(s, window);
    s->windowlist.push_back(window);
}

void WindowManager::removeWindow(Window* window) {
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
        deliverOnePass();
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
