// TimerEvent: one firing of a timer, named by the timer's id (-1 names no timer). A plain value type.
#pragma once

#include <ostream>

class TimerEvent {
public:
    TimerEvent() : id(-1) {}
    explicit TimerEvent(int id) : id(id) {}

    int getTimerID() const { return id; }

    bool operator==(const TimerEvent& other) const { return id == other.id; }
    bool operator!=(const TimerEvent& other) const { return id != other.id; }

private:
    int id;
};

// Writes TimerEvent(id).
std::ostream& operator<<(std::ostream& out, const TimerEvent& event);
