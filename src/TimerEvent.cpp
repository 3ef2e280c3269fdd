// TimerEvent's printing. Plain value code: runs on any thread.
#include "TimerEvent.h"

std::ostream& operator<<(std::ostream& out, const TimerEvent& event) {
    return out << "TimerEvent(" << event.getTimerID() << ")";
}
