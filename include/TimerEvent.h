// TimerEvent: one firing of a timer, named by the timer's id (-1 names no timer), or the news that
// the window has closed. A plain value type.
#pragma once

#include <ostream>

class TimerEvent {
public:
    // What happened. A wait on a closed window returns WINDOW_CLOSED_EVENT once (id -1); every
    // other event is a TIMER_EVENT.
    enum Event : int { TIMER_EVENT = 1, WINDOW_CLOSED_EVENT = 2 };

    TimerEvent() : id(-1) {}
    explicit TimerEvent(int id) : id(id) {}
    // The event that tells a waiting program its window has closed.
    static TimerEvent windowClosed() {
        TimerEvent closed;
        closed.event = WINDOW_CLOSED_EVENT;
        return closed;
    }

    Event getEvent() const { return event; }
    int getTimerID() const { return id; }

    bool operator==(const TimerEvent& other) const { return event == other.event && id == other.id; }
    bool operator!=(const TimerEvent& other) const { return !(*this == other); }

private:
    Event event = TIMER_EVENT;
    int id;
};

// Writes TimerEvent(id), or TimerEvent(WINDOW_CLOSED_EVENT).
std::ostream& operator<<(std::ostream& out, const TimerEvent& event);
