// Event: one input event of any kind, as Window::waitForEvent and Window::pollEvent hand them out
// in the order they happened: a KeyboardEvent, a MouseEvent or a TimerEvent, or the news that the
// window has closed. A plain value type.
#pragma once

#include <ostream>

#include "CallSite.h"
#include "KeyboardEvent.h"
#include "MouseEvent.h"
#include "TimerEvent.h"

class Event {
public:
    // What the event carries. Based on int so that 0, the kind of a default-constructed event, is
    // valid and prints as no kind at all. A wait on a closed window returns WINDOW_CLOSED_EVENT once.
    enum Kind : int { KEYBOARD_EVENT = 1, MOUSE_EVENT = 2, TIMER_EVENT = 3, WINDOW_CLOSED_EVENT = 4 };

    Event();
    explicit Event(const KeyboardEvent& event);
    explicit Event(const MouseEvent& event);
    explicit Event(const TimerEvent& event);
    Event(const Event& other) = default;
    Event& operator=(const Event& other) = default;
    // The event that tells a waiting program its window has closed.
    static Event windowClosed();

    Kind getKind() const { return kind; }
    // The event carried; each halts unless the kind is its own (check getKind() first).
    KeyboardEvent getKeyboardEvent(CallSite site = CallSite()) const;
    MouseEvent getMouseEvent(CallSite site = CallSite()) const;
    TimerEvent getTimerEvent(CallSite site = CallSite()) const;

    // Equal kinds and equal events carried, with the carried events' wildcards.
    bool operator==(const Event& other) const;
    bool operator!=(const Event& other) const;

private:
    Kind kind;
    KeyboardEvent keyboard;
    MouseEvent mouse;
    TimerEvent timer;
};

// Writes Event(KeyboardEvent(...)), Event(MouseEvent(...)), Event(TimerEvent(...)),
// Event(WINDOW_CLOSED_EVENT), or Event() for a default-constructed one.
std::ostream& operator<<(std::ostream& out, const Event& event);
