// TimerEvent's printing. Plain value code: runs on any thread.
#include "TimerEvent.h"

std::ostream& operator<<(std::ostream& out, const TimerEvent& event) {
    if (event.getEvent() == TimerEvent::WINDOW_CLOSED_EVENT) return out << "TimerEvent(WINDOW_CLOSED_EVENT)";
    return out << "TimerEvent(" << event.getTimerID() << ")";
}
