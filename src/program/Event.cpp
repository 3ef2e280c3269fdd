// Event's checks, equality and printing. Plain value code: runs on any thread.
#include "Event.h"

#include <string>

#include "shared/Diagnostics.h"

namespace {

// Kind 0, the kind of a default-constructed event, prints as NULL.
const char* kindName(Event::Kind kind) {
    static const char* const names[] = {"NULL", "KEYBOARD_EVENT", "MOUSE_EVENT", "TIMER_EVENT", "WINDOW_CLOSED_EVENT"};
    return names[kind];
}

// Halts unless event is of the kind asked for; carried names that kind's class.
void checkKind(const Event& event, Event::Kind asked, const char* carried) {
    if (event.getKind() != asked)
        FATAL_ERROR(std::string("Tried to get a ") + carried + " from an Event of kind " + kindName(event.getKind()) +
                    "!  Call getKind() first to ensure that this does not occur");
}

}  // namespace

Event::Event() : kind(Kind(0)) {}
Event::Event(const KeyboardEvent& event) : kind(KEYBOARD_EVENT), keyboard(event) {}
Event::Event(const MouseEvent& event) : kind(MOUSE_EVENT), mouse(event) {}
Event::Event(const TimerEvent& event) : kind(TIMER_EVENT), timer(event) {}

Event Event::windowClosed() {
    Event closed;
    closed.kind = WINDOW_CLOSED_EVENT;
    return closed;
}

KeyboardEvent Event::getKeyboardEvent(CallSite site) const {
    const CallerScope caller(site);
    checkKind(*this, KEYBOARD_EVENT, "KeyboardEvent");
    return keyboard;
}
MouseEvent Event::getMouseEvent(CallSite site) const {
    const CallerScope caller(site);
    checkKind(*this, MOUSE_EVENT, "MouseEvent");
    return mouse;
}
TimerEvent Event::getTimerEvent(CallSite site) const {
    const CallerScope caller(site);
    checkKind(*this, TIMER_EVENT, "TimerEvent");
    return timer;
}

// The events of the kinds not carried stay default-constructed, so they are always equal.
bool Event::operator==(const Event& other) const {
    return kind == other.kind && keyboard == other.keyboard && mouse == other.mouse && timer == other.timer;
}

bool Event::operator!=(const Event& other) const { return !(*this == other); }

std::ostream& operator<<(std::ostream& out, const Event& event) {
    switch (event.getKind()) {
        case Event::KEYBOARD_EVENT:
            return out << "Event(" << event.getKeyboardEvent() << ")";
        case Event::MOUSE_EVENT:
            return out << "Event(" << event.getMouseEvent() << ")";
        case Event::TIMER_EVENT:
            return out << "Event(" << event.getTimerEvent() << ")";
        case Event::WINDOW_CLOSED_EVENT:
            return out << "Event(WINDOW_CLOSED_EVENT)";
    }
    return out << "Event()";
}
